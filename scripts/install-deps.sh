#!/usr/bin/env bash
# Brings a fresh Debian 12 machine everything the project needs to build, test and run.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

packages=(
  # compiler, build tools, test and stand-in runtime
  build-essential g++ cmake ninja-build ccache pkg-config git python3
  # the service stand-in makes its TLS certificate at test time
  openssl
  # test and benchmark frameworks
  libgtest-dev libgmock-dev libbenchmark-dev
  # libraries the targets link (cmake/KivDependencies.cmake); a package comes with its find_package
  # (FLTK's CMake package also wants the fluid package: libfltk1.3-dev only recommends it)
  libfmt-dev libsodium-dev libpugixml-dev nlohmann-json3-dev libzip-dev libcurl4-openssl-dev
  # the main window: FLTK and its CMake package's fluid, the font it paints with, libpng for the
  # window test's screenshot, and a virtual X server (with xauth) for that test
  libfltk1.3-dev fluid fonts-dejavu-core libpng-dev xvfb xauth
  # FLTK's CMake package imports its GL library too, which wants the OpenGL development files
  libglu1-mesa-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root to install packages" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
