#!/usr/bin/env bash
# Installs the system packages the project needs (idempotent; fast when everything is present).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev tcl
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64
  xvfb xauth x11-utils xdotool imagemagick
  fonts-wqy-zenhei fonts-wine locales
  sqlite3 googletest
  clang libclang-rt-14-dev
  gnumeric python3-xlrd unrtf
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# deb-src entry for the source packages we build for Windows.
if ! grep -rqs '^Types: deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "setup: adding deb-src entry"
  $SUDO tee /etc/apt/sources.list.d/vestrel-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  $SUDO apt-get update -qq
fi

# zh_CN.UTF-8 locale for Wine's code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  echo "setup: generating zh_CN.UTF-8"
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
