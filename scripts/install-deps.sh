#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Orvane needs.
# Idempotent: packages already present are skipped, so a second run does nothing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libqt6svg6-dev qt6-multimedia-dev
  qt6-image-formats-plugins libgl-dev libxkbcommon-dev
  # picture codecs
  libmagick++-dev libopenjp2-7-dev libjxr-dev libjxr-tools libexiv2-dev imagemagick
  # media
  libavformat-dev libavcodec-dev libavutil-dev libavfilter-dev libswscale-dev
  libswresample-dev libavdevice-dev libsdl2-dev libsdl2-mixer-dev ffmpeg
  # archives, mail, network, XML
  libzip-dev zlib1g-dev libcurl4-openssl-dev libgmime-3.0-dev libssl-dev libpugixml-dev openssl
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev libopencv-dev
  xvfb xauth xdotool dovecot-pop3d python3-aiosmtpd python3-pil
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
