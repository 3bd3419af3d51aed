#!/usr/bin/env bash
# Installs everything Marlinet needs to build, test and benchmark, from
# Debian's packages. Run as root on Debian 12; safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  clang libclang-rt-14-dev
  libicu-dev libplist-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libx11-dev libx11-xcb-dev libxcb-xinput-dev libxi-dev libxtst-dev libxkbcommon-dev libxkbcommon-x11-dev
  xvfb x11-utils x11-xkb-utils xdotool imagemagick fonts-dejavu-core
  dbus-daemon at-spi2-core python3-gi gir1.2-gtk-3.0 ibus ibus-hangul
  qt6-svg-dev trayer desktop-file-utils appstream xfce4-panel qt6ct
  libyaml-cpp-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing packages: ${missing[*]}; run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
