#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test in the release
# build and again under AddressSanitizer and UndefinedBehaviorSanitizer, runs
# the desktop end to end under Xvfb, and finally runs each fuzz target for a
# while over its seed corpus.
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

# The mixer is shared with the audio thread: its tests run under ThreadSanitizer too.
echo "=== tsan build of the desktop tests"
cmake --preset tsan
cmake --build --preset tsan --target quib_desktop_tests
echo "=== tsan sound ring tests"
ctest --preset tsan -R SoundRing

echo "=== end-to-end tests of the desktop under Xvfb"
tools/e2e/desktop_e2e.sh build/release

# The fuzz targets need clang with its libFuzzer runtime; without them they are
# skipped, not failed.
fuzz_seconds=30
probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/probe.cpp"
if ! command -v clang++ > /dev/null 2>&1 ||
   ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" > /dev/null 2>&1; then
  rm -rf "$probe"
  echo "=== fuzz targets skipped: clang++ with libFuzzer is not available"
  exit 0
fi
rm -rf "$probe"

echo "=== fuzz build"
cmake --preset fuzz
cmake --build --preset fuzz
for target in build/fuzz/bin/*_fuzz; do
  [ -x "$target" ] || { echo "=== no fuzz targets were built"; exit 1; }
  name=$(basename "$target")
  # A copy of the corpus, since libFuzzer adds what it finds to the folder it runs over.
  work=build/fuzz/corpus/$name
  rm -rf "$work"
  mkdir -p "$work"
  if [ -d "tests/fuzz/corpus/$name" ]; then
    cp -r "tests/fuzz/corpus/$name/." "$work/"
  fi
  log=build/fuzz/$name.log
  echo "=== fuzz $name for $fuzz_seconds s"
  if ! "$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 -rss_limit_mb=1024 -malloc_limit_mb=512 \
       -artifact_prefix="build/fuzz/$name-" "$work" > "$log" 2>&1; then
    grep -v '^#' "$log"
    echo "=== $name found a fault; its input is in build/fuzz/"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
