#!/usr/bin/env bash
# Installs, from Debian, only the build and test packages this machine lacks.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev libsdl2-dev libgtest-dev libgmock-dev libbenchmark-dev
          cbios pasmo xvfb openbox xdotool x11-utils imagemagick python3 libcups2-dev clang libclang-rt-14-dev
          dpkg-dev file desktop-file-utils man-db)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi
