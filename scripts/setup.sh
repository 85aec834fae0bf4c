#!/bin/sh
# Installs the Debian packages the build and the tests need, when they are missing.
# Non-interactive and idempotent; silent when everything is already there.
set -eu

packages="cmake g++ ninja-build pkg-config zlib1g-dev libzip-dev libexpat1-dev qt6-base-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth desktop-file-utils appstream dpkg-dev"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
