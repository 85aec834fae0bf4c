#!/bin/sh
# Validates the desktop entry and the AppStream data, builds the .deb from a configured build
# folder and checks that it holds the program, its menu entry, its icons and its manual page
# and declares its dependencies.
#
#   scripts/check-package.sh [BUILD_DIR]     (default: build)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}

# Two main categories (Game, Utility) draw a hint, not an error.
desktop-file-validate --no-hints packaging/vextral.desktop
appstreamcli validate --no-net packaging/org.vextral.vextral.metainfo.xml >/dev/null || {
    appstreamcli validate --no-net packaging/org.vextral.vextral.metainfo.xml
    exit 1
}

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || {
    cat "$out/cpack.log"
    exit 1
}
deb=$(ls "$out"/*.deb)
listing=$(dpkg-deb -c "$deb")
for file in usr/bin/vextral usr/share/applications/vextral.desktop \
    usr/share/metainfo/org.vextral.vextral.metainfo.xml \
    usr/share/icons/hicolor/16x16/apps/vextral.png \
    usr/share/icons/hicolor/256x256/apps/vextral.png \
    usr/share/icons/hicolor/scalable/apps/vextral.svg usr/share/man/man1/vextral.1; do
    if ! printf '%s\n' "$listing" | grep -q " \./$file\$"; then
        echo "the package lacks $file" >&2
        exit 1
    fi
done
if ! dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6; then
    echo "the package declares no dependency on Qt Widgets" >&2
    exit 1
fi
echo "desktop entry, AppStream data and $(basename "$deb") are in order"
