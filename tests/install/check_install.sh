#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR as a package would, then checks
# what the desktop needs: every desktop entry validates, the metainfo too
# (where its validator is present), the icon and man page are in place, the
# installed program answers --version and carries no debug information.
set -euo pipefail
build=${1:?usage: check_install.sh BUILD_DIR}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
# Stripped, as the package strips it.
DESTDIR="$root" cmake --install "$build" --prefix /usr --strip >/dev/null
share="$root/usr/share"
for file in applications/tessellview.desktop metainfo/io.github.tessellview.metainfo.xml \
            man/man1/tessellview.1 icons/hicolor/scalable/apps/tessellview.svg \
            icons/hicolor/48x48/apps/tessellview.png icons/hicolor/128x128/apps/tessellview.png \
            icons/hicolor/256x256/apps/tessellview.png; do
    [ -s "$share/$file" ] || { echo "missing: $file"; exit 1; }
done
# Every desktop entry installed, the autostart one too.
entries=$(find "$root" -name '*.desktop')
[ "$(wc -l <<<"$entries")" -ge 2 ] || { echo "desktop entries missing: $entries"; exit 1; }
while IFS= read -r entry; do
    desktop-file-validate "$entry"
done <<<"$entries"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share/metainfo/io.github.tessellview.metainfo.xml"
else
    echo "appstreamcli is not installed: the metainfo was not validated"
fi
version=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/tessellview" --version)
[ "$version" = "Tessellview 0.1" ] || { echo "unexpected version: $version"; exit 1; }
# Installed as a package installs it: stripped.
if readelf -S "$root/usr/bin/tessellview" | grep -q '\.debug_info'; then
    echo "the installed program carries debug information"
    exit 1
fi
echo "installed and checked"
