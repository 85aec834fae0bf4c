#!/bin/sh
# Fails when a tracked C++ file is not in the shape .clang-format gives it, and lists those
# files. clang-format 14 (Debian 12's) is the reference: other versions format differently.
# Usage: scripts/check-format.sh [CHECKOUT]   (default: this checkout)
set -eu
root=${1:-"$(dirname "$0")/.."}
cd "$root"

format=${CLANG_FORMAT:-}
if [ -z "$format" ]; then
    for candidate in clang-format-14 clang-format; do
        if command -v "$candidate" >/dev/null 2>&1; then
            format=$candidate
            break
        fi
    done
fi
if [ -z "$format" ] || ! "$format" --version | grep -q 'version 14\.'; then
    echo "check-format: clang-format 14 is needed (scripts/setup.sh installs it)" >&2
    exit 2
fi

unformatted=$(git ls-files -- '*.cpp' '*.h' | while IFS= read -r file; do
    "$format" --dry-run --Werror "$file" >/dev/null 2>&1 || printf '%s\n' "$file"
done)
if [ -n "$unformatted" ]; then
    echo "Not formatted (clang-format -i FILE):" >&2
    printf '%s\n' "$unformatted" >&2
    exit 1
fi
