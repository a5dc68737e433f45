#!/usr/bin/env bash
# Installs every Debian 12 package needed to build, run and test Sonalto.
# Idempotent and non-interactive: packages already present are left alone.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format git
  # Qt 6 widgets and web view
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libgl-dev libxkbcommon-dev
  # playback and sound
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-libav gstreamer1.0-pulseaudio gstreamer1.0-tools
  libpulse-dev pulseaudio pulseaudio-utils
  # network and checksums
  libcurl4-openssl-dev zlib1g-dev nlohmann-json3-dev
  # signed update sites
  libsodium-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  minisign openssl python3 xvfb xauth x11-utils fonts-dejavu-core dbus-daemon dbus-x11
  # a headless Wayland compositor and Qt's Wayland plugin, for the player on Wayland
  weston qt6-wayland
  # reference players measured by the playback benchmark
  gstreamer1.0-plugins-base-apps mpv goodvibes
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
