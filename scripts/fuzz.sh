#!/bin/sh
# Fuzzes every reader of outside data for a bounded time each.
#   scripts/fuzz.sh BUILD_DIR SECONDS [TARGET...]
# BUILD_DIR is a clang build with -DVEXTRAL_BUILD_FUZZ=ON; without TARGETs every fuzz_*
# program built there runs. Each starts from a copy of its seed corpus fuzz/corpus/TARGET/
# with its dictionary fuzz/TARGET.dict when there is one. An input that crashes, hangs,
# leaks or allocates beyond the limits below is kept in BUILD_DIR/fuzz-findings/ and the
# script fails once every target has run. Set FUZZ_CORPUS_KEEP=DIR to keep the grown corpora.
set -eu
cd "$(dirname "$0")/.."
usage="usage: fuzz.sh BUILD_DIR SECONDS [TARGET...]"
build=${1:?$usage}
seconds=${2:?$usage}
shift 2
targets=$*
if [ -z "$targets" ]; then
    targets=$(cd "$build/fuzz" && for f in fuzz_*; do [ -x "$f" ] && echo "$f"; done)
fi
[ -n "$targets" ] || { echo "fuzz.sh: no fuzz targets in $build/fuzz" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vextral-fuzz-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
findings=$build/fuzz-findings
mkdir -p "$findings"

failed=""
for target in $targets; do
    binary=$build/fuzz/$target
    [ -x "$binary" ] || { echo "fuzz.sh: $binary not built" >&2; exit 2; }
    corpus=${FUZZ_CORPUS_KEEP:-$work}/$target
    mkdir -p "$corpus"
    if [ -d "fuzz/corpus/$target" ]; then
        cp -n fuzz/corpus/"$target"/* "$corpus"/
    fi
    set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=256 \
        -artifact_prefix="$findings/$target-" -print_final_stats=1
    if [ -f "fuzz/$target.dict" ]; then
        set -- "$@" -dict="fuzz/$target.dict"
    fi
    echo "== fuzzing $target for $seconds s =="
    status=0
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        "$binary" "$@" "$corpus" >"$work/$target.log" 2>&1 || status=$?
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|peak_rss_mb)' "$work/$target.log" || true
    echo "$target: corpus of $(ls "$corpus" | wc -l) inputs"
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$work/$target.log" >&2
        failed="$failed $target"
    fi
done
if [ -n "$failed" ]; then
    echo "fuzz.sh: failures in$failed; the inputs are in $findings" >&2
    exit 1
fi
