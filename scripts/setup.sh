#!/usr/bin/env bash
# Installs what building and testing Pathfolio needs (Debian 12). Safe to run again.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libcli11-dev libexpat1-dev
    clang libclang-rt-14-dev libfuzzer-14-dev
    time
    qt6-base-dev libgl-dev fonts-wine
    xvfb xauth imagemagick desktop-file-utils
    locales
    dpkg-dev file lintian appstream man-db groff-base bsdextrautils bash-completion
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

# A locale with a decimal comma, for the test that numbers in files ignore the
# user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    $sudo locale-gen >/dev/null
fi
