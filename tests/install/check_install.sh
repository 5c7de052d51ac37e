#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR as a package would, then checks
# what the desktop needs: the desktop entry and the metainfo validate (where
# the validators are present), the icon and man page are in place, and the
# installed program answers --version.
set -euo pipefail
build=${1:?usage: check_install.sh BUILD_DIR}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
share="$root/usr/share"
for file in applications/tessellview.desktop metainfo/io.github.tessellview.metainfo.xml \
            man/man1/tessellview.1 icons/hicolor/scalable/apps/tessellview.svg \
            icons/hicolor/48x48/apps/tessellview.png icons/hicolor/128x128/apps/tessellview.png \
            icons/hicolor/256x256/apps/tessellview.png; do
    [ -s "$share/$file" ] || { echo "missing: $file"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$share/applications/tessellview.desktop"
else
    echo "desktop-file-validate is not installed: the desktop entry was not validated"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share/metainfo/io.github.tessellview.metainfo.xml"
else
    echo "appstreamcli is not installed: the metainfo was not validated"
fi
version=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/tessellview" --version)
[ "$version" = "Tessellview 0.1" ] || { echo "unexpected version: $version"; exit 1; }
echo "installed and checked"
