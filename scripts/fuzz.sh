#!/bin/sh
# Fuzzes one reader for a bounded time.
#   scripts/fuzz.sh BUILD_DIR SECONDS [TARGET]
# TARGET is zip (the zip reader and member extraction, the default) or xml-list (the game
# list readers). BUILD_DIR is a clang build with -DVEXTRAL_BUILD_FUZZ=ON. The corpus starts
# from seeds in a temporary folder; a crashing input is kept in BUILD_DIR/fuzz-findings/
# and the script fails.
set -eu
build=${1:?usage: fuzz.sh BUILD_DIR SECONDS [zip|xml-list]}
seconds=${2:-60}
target=${3:-zip}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/vextral-fuzz-corpus-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
findings=$build/fuzz-findings
mkdir -p "$work/corpus" "$findings"

case "$target" in
zip)
    binary=$build/fuzz/fuzz_zip_reader
    [ -x "$binary" ] || { echo "fuzz.sh: $binary not built" >&2; exit 2; }
    VEXTRAL_FUZZ_SEEDS="$work/corpus" "$binary"
    # The record signatures, so mutations find them quickly.
    cat > "$work/fuzz.dict" <<'DICT'
local="PK\x03\x04"
central="PK\x01\x02"
end="PK\x05\x06"
descriptor="PK\x07\x08"
DICT
    ;;
xml-list)
    binary=$build/fuzz/fuzz_xml_list
    [ -x "$binary" ] || { echo "fuzz.sh: $binary not built" >&2; exit 2; }
    cp "$source_dir"/fuzz/xml-list-corpus/* "$work/corpus/"
    cp "$source_dir/fuzz/xml-list.dict" "$work/fuzz.dict"
    ;;
*)
    echo "fuzz.sh: unknown target '$target' (zip or xml-list)" >&2
    exit 2
    ;;
esac

status=0
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -dict="$work/fuzz.dict" -artifact_prefix="$findings/" -print_final_stats=1 \
    "$work/corpus" || status=$?
echo "fuzz.sh: corpus grew to $(ls "$work/corpus" | wc -l) inputs"
if [ "$status" -ne 0 ]; then
    echo "fuzz.sh: the fuzzer found a failure (status $status); see $findings" >&2
    exit 1
fi
