#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite: the normal build with a
# check of the desktop entry and the .deb package, then the address/undefined-behaviour
# sanitizer build, then bounded fuzz runs of the zip reader and the list readers.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== build (release with assertions) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
echo "== tests =="
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 600
echo "== desktop entry and package =="
./scripts/check-package.sh build

echo "== build (address and undefined-behaviour sanitizers) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXTRAL_SANITIZE=ON \
    -DVEXTRAL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests under sanitizers =="
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 900

if [ -f fuzz/CMakeLists.txt ]; then
    echo "== fuzzing the zip reader and the list readers (bounded) =="
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DVEXTRAL_BUILD_FUZZ=ON -DVEXTRAL_BUILD_TESTS=OFF -DVEXTRAL_BUILD_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j "$jobs" --target fuzz_zip_reader fuzz_xml_list
    ./scripts/fuzz.sh build-fuzz 60 zip
    ./scripts/fuzz.sh build-fuzz 60 xml-list
fi
echo "all test stages passed"
