#!/bin/sh
# Installs what is missing, builds, and runs the main job on the bundled demo.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target vextral
./build/src/vextral list-info demo/demo.dat
