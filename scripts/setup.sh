#!/usr/bin/env bash
# Installs what building and testing Pathfolio needs (Debian 12). Safe to run again.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libcli11-dev
    clang libclang-rt-14-dev libfuzzer-14-dev
    time
    qt6-base-dev libgl-dev fonts-wine
    xvfb xauth imagemagick desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
