#!/bin/sh
# Builds Vextral and the demo collection generator, writes a fresh demo collection (a rom and
# a sample folder with one example of each problem) and scans it against the bundled demo
# list. Settings and fastscan.dat go to <build>/demo-home, never to your own folders.
#
#   VEXTRAL_BUILD_DIR  build folder (default: build)
#   VEXTRAL_JOBS       parallel build jobs (default: the number of processors)
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
build=${VEXTRAL_BUILD_DIR:-build}
jobs=${VEXTRAL_JOBS:-$(nproc 2>/dev/null || echo 2)}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$jobs" --target vextral vextral-demo-collection >/dev/null

collection="$build/demo-collection"
home="$build/demo-home"
rm -rf "$collection" "$home"
"$build/demo/vextral-demo-collection" demo/demo.dat "$collection" >/dev/null

# Status 1 means problems were found, which is what the demo collection is for; 2 (an error)
# or 3 (stopped) fail the script.
status=0
XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
    "$build/src/vextral" scan --dat demo/demo.dat \
    --rom-paths "$collection/roms" --sample-paths "$collection/samples" \
    --set Spelling=1 --set ListInfoWarnings=0 || status=$?
if [ "$status" -gt 1 ]; then
    echo "demo scan failed with status $status" >&2
    exit "$status"
fi
