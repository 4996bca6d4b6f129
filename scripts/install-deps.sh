#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Varnelo
# need, touching apt only when something is missing (runs as root).
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix
    mingw-w64-x86-64-dev
    cmake
    ninja-build
    googletest
    wine
    wine64
    fonts-wine
    xvfb
    xdotool
    imagemagick
    wixl
    zip
    unzip
)

missing=()
for package in "${packages[@]}"; do
    # dpkg -s alone succeeds for removed-but-configured packages too.
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: run as root to install packages" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
