#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Sonivale need.
# Idempotent: installs nothing when every package is already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libgl-dev
  libpulse-dev libsndfile1-dev libfftw3-dev libebur128-dev
  pulseaudio pulseaudio-utils
  pipewire pipewire-pulse wireplumber dbus
  lame sox
  clang libclang-rt-14-dev
  xvfb xauth trayer x11-utils imagemagick
  dbus-x11 fonts-dejavu-core
  playerctl desktop-file-utils appstream shared-mime-info dpkg-dev file lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  SUDO=(sudo)
fi

echo "Installing: ${missing[*]}"
"${SUDO[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
