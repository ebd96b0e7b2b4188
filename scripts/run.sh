#!/usr/bin/env bash
# Installs what is missing, builds the release build and runs the default C-BIOS
# machine headless, writing a screenshot of its start screen.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake --preset release
cmake --build --preset release
build/release/bin/quib-run --frames 300 --screenshot build/release/cbios-start-screen.png
