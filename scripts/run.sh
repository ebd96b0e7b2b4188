#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts the emulator on
# the default C-BIOS machine. Without a display it says so and runs the machine
# headless instead, writing a screenshot of its start screen.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake --preset release
cmake --build --preset release
if { [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; } || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/bin/quib --run "$@"
fi
echo "No display is available: running the default machine headless instead."
build/release/bin/quib-run --frames 300 --screenshot build/release/cbios-start-screen.png
