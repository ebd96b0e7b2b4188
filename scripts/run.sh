#!/usr/bin/env bash
# Installs what is missing, builds the release build and runs the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh
cmake --preset release
cmake --build --preset release
build/release/bench/quib_bench
