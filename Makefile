# `make run` opens Tessellview; `make test` runs every test headless, in a plain
# build and again under AddressSanitizer and UBSan. Both install what is missing
# on Debian 12 first and rebuild only what changed.

BUILD_DIR := build
SANITIZE_DIR := build-sanitize
JOBS := 2

PACKAGES := g++ cmake ninja-build qt6-base-dev qt6-qpa-plugins libgl-dev \
            fonts-dejavu-core fonts-wqy-microhei
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

export QT_QPA_PLATFORM_TEST := offscreen

.PHONY: run test deps build build-sanitize

run: build
	./$(BUILD_DIR)/src/tessellview

test: build build-sanitize
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j$(JOBS)

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' \
	        || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing:$$missing"; \
	    $(SUDO) apt-get update -qq && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
	        --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(SANITIZE_DIR)/build.ninja: | deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSELLVIEW_SANITIZE=ON

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j$(JOBS)

build-sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j$(JOBS)
