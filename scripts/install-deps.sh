#!/usr/bin/env bash
# Installs what the builds, the tests and the demo need, from Debian's packages.
# Does nothing when everything is already there.
set -eu
packages=(
    cmake ninja-build g++ googletest python3 python3-aiosmtpd python3-prometheus-client prometheus clang libclang-rt-14-dev
    g++-mingw-w64-x86-64 wine64 wine
    xvfb x11-utils xdotool imagemagick
    cups printer-driver-cups-pdf poppler-utils openssl zip unzip nsis
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
