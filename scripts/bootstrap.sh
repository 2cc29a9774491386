#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need. Safe to run again:
# it asks apt only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  mold lld
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3 zlib1g-dev libminizip-dev nettle-dev libssl-dev
  libplist-dev libpcre2-dev libpacparser-dev
  libjpeg-dev libpng-dev
  libsecret-1-dev gnome-keyring dbus libglib2.0-bin
  media-types ca-certificates
  python3 python3-cryptography curl
  libgtk-4-dev libwebkitgtk-6.0-dev libpango1.0-dev libcairo2-dev libgdk-pixbuf-2.0-dev
  fonts-noto-cjk fonts-liberation2
  xvfb xauth xdotool imagemagick libx11-dev
  rapidjson-dev
  libjs-jquery nodejs node-jsdom
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
