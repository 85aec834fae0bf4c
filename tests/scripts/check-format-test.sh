#!/bin/sh
# scripts/check-format.sh on a throw-away checkout: it fails naming the tracked file that is
# not formatted, leaves formatted and untracked files alone, and passes once all are fine.
set -eu
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source/.clang-format" "$work/"
cd "$work"
git init -q .
printf 'int Good() {\n    return 1;\n}\n' >good.cpp
printf 'int  Bad( ){return 1;}\n' >bad.h
printf 'int  Loose( ){return 1;}\n' >untracked.cpp
git add .clang-format good.cpp bad.h

status=0
"$source/scripts/check-format.sh" "$work" 2>err.txt || status=$?
if [ "$status" -ne 1 ] || ! grep -qx 'bad.h' err.txt || grep -q 'good.cpp\|untracked' err.txt; then
    echo "unformatted file not reported as expected (status $status):" >&2
    cat err.txt >&2
    exit 1
fi

git rm -q --cached bad.h
"$source/scripts/check-format.sh" "$work"
