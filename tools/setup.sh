#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's archive, when it is missing.
set -euo pipefail
packages=(cmake ninja-build mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 xvfb googletest ccache
          fonts-dejavu-core python3)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_=""; [ "$(id -u)" -eq 0 ] || sudo_=sudo
    $sudo_ apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
