#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test in the release
# build and again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh

for preset in release asan; do
  echo "=== $preset build"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset tests"
  ctest --preset "$preset"
done
