#!/bin/sh
# Installs what is missing, checks that every C++ file has the project's format, then builds
# and runs the whole test suite with both compilers:
# GCC (release with assertions, with a check of the desktop entry and the .deb package),
# then clang with the address and undefined-behaviour sanitizers; then fuzzes every reader of
# outside data for a bounded time (FUZZ_SECONDS per reader, 30 by default). Warnings are
# errors in every stage.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
fuzzSeconds=${FUZZ_SECONDS:-30}

echo "== source format (clang-format 14) =="
./scripts/check-format.sh
echo "== build with GCC (release with assertions) =="
CC=gcc CXX=g++ cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEXTRAL_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
echo "== tests =="
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 600
echo "== desktop entry and package =="
./scripts/check-package.sh build

echo "== build with clang, address and undefined-behaviour sanitizers =="
CC=clang CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVEXTRAL_SANITIZE=ON -DVEXTRAL_WERROR=ON -DVEXTRAL_BUILD_BENCH=OFF >/dev/null
cmake --build build-clang -j "$jobs"
echo "== tests under sanitizers =="
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-clang -j "$jobs" --output-on-failure --timeout 900

echo "== fuzzing every reader for $fuzzSeconds s each =="
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEXTRAL_BUILD_FUZZ=ON -DVEXTRAL_WERROR=ON -DVEXTRAL_BUILD_TESTS=OFF \
    -DVEXTRAL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs"
./scripts/fuzz.sh build-fuzz "$fuzzSeconds"
echo "all test stages passed"
