#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need. Needs root.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang-format clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libsamplerate0-dev libsoxr-dev libzita-resampler-dev
  libpipewire-0.3-dev pipewire pipewire-bin wireplumber dbus
  qt6-base-dev libgl-dev xvfb xauth at-spi2-core locales
  python3-gi gir1.2-atspi-2.0 xdotool x11-utils procps desktop-file-utils
  file appstream trayer weston qt6-wayland
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Formatting tests run under a locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
