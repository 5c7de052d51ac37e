# `make run` opens Tessellview; `make test` runs every test headless, in a plain
# build and again under AddressSanitizer and UBSan. Both install what is missing
# on Debian 12 first and rebuild only what changed.

BUILD_DIR := build
SANITIZE_DIR := build-sanitize
JOBS := 2

PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins qt6-multimedia-dev libgl-dev libxcb1-dev libxcb-dpms0-dev \
            libavformat-dev libavcodec-dev libavfilter-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg \
            fonts-dejavu-core fonts-wqy-microhei desktop-file-utils appstream \
            qt6-base-private-dev qt6-wayland libwayland-dev wayland-protocols \
            dbus-daemon cage xwayland plasma-wayland-protocols pulseaudio pulseaudio-utils libssl-dev clang-format \
            tzdata
FUZZ_DIR := build-fuzz
FUZZ_RUNS := 10000000
REFERENCE_SECONDS := 120
FUZZ_PACKAGES := clang libclang-rt-14-dev
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

export QT_QPA_PLATFORM_TEST := offscreen

.PHONY: run test deps install build build-sanitize fuzz bench samples package

run: build
	./$(BUILD_DIR)/src/tessellview

test: build build-sanitize
	clang-format --dry-run --Werror $$(git ls-files '*.h' '*.cpp')
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j$(JOBS)

deps:
	@$(MAKE) --no-print-directory install PACKAGE_LIST="$(PACKAGES)"

install:
	@missing=""; \
	for p in $(PACKAGE_LIST); do \
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

# The layout-file decoder under libFuzzer, with its corpus in fuzz/corpus.
fuzz:
	@$(MAKE) --no-print-directory install PACKAGE_LIST="$(PACKAGES) $(FUZZ_PACKAGES)"
	[ -f $(FUZZ_DIR)/build.ninja ] || cmake -S . -B $(FUZZ_DIR) -G Ninja \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DTESSELLVIEW_FUZZ=ON -DTESSELLVIEW_SANITIZE=ON
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target decode_fuzzer
	mkdir -p $(FUZZ_DIR)/work
	./$(FUZZ_DIR)/fuzz/decode_fuzzer $(FUZZ_DIR)/work fuzz/corpus -runs=$(FUZZ_RUNS) \
	    -print_final_stats=1

# Benchmarks, in the plain build; each reports the median of nine runs.
bench: build
	cd $(BUILD_DIR)/bench && QT_QPA_PLATFORM=offscreen ./bench_window_drag -median 9
	cd $(BUILD_DIR)/bench && QT_QPA_PLATFORM=offscreen ./bench_editor -median 9 \
	    selectionRefreshWith255Files selectFolder rawDirectoryRead rawWriteSyncRename \
	    saveLargestLayout openLargestLayout readAndDecodeLargestLayout moveStep undoOneStep undoThousandSteps
	# Peak memory in a process of its own, so no earlier case counts.
	cd $(BUILD_DIR)/bench && QT_QPA_PLATFORM=offscreen ./bench_editor peakMemoryWithEveryWindow
	cd $(BUILD_DIR)/bench && QT_QPA_PLATFORM=offscreen ./bench_startup
	cd $(BUILD_DIR)/bench && QT_QPA_PLATFORM=offscreen ./bench_player
	cd $(BUILD_DIR)/bench && ./bench_clip_decoder
	# The reference show of a display, under Xvfb; REFERENCE_SECONDS=600 for
	# the full ten minutes.
	@$(MAKE) --no-print-directory install PACKAGE_LIST="xvfb openbox xdotool ffmpeg mpv bc python3"
	bench/reference_show.sh $(BUILD_DIR) $(REFERENCE_SECONDS) 1080 3
	bench/reference_show.sh $(BUILD_DIR) $(REFERENCE_SECONDS) 4k 3
	bench/reference_show.sh $(BUILD_DIR) $(REFERENCE_SECONDS) 4k10 3
	bench/frame_quality.sh $(BUILD_DIR)
	bench/reference_show.sh $(BUILD_DIR) $(REFERENCE_SECONDS) 1080 255

# The demo media and layout in samples/, made anew.
samples: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/tools/make_samples samples

# A Debian package of the plain build; its dependencies come from dpkg-shlibdeps.
package: build
	@$(MAKE) --no-print-directory install PACKAGE_LIST="dpkg-dev"
	cd $(BUILD_DIR) && cpack -G DEB
