#!/usr/bin/env bash
# End-to-end checks of the real quib under Xvfb:
#  1. typing: quib --run with the echo cartridge, keys typed into its window with
#     xdotool; the window's screen area must show exactly what the headless runner
#     draws for the same typed text;
#  2. sound: quib --run with the tone cartridge, its sound recorded through SDL's
#     disk audio driver; the recorded pitch must be the tone's 440.4 Hz;
#  3. envelope: quib --run with the envelope cartridge, recorded the same way;
#     the loudness must fall as a saw, by 20 dB or more, starting ten times a second;
#  4. windows: the three debug windows and the cassette window, opened from the
#     menus of the running machine, must appear; each is saved as a screenshot.
# Usage: tools/e2e/desktop_e2e.sh BUILD_FOLDER [OUTPUT_FOLDER]
set -euo pipefail
build=$(realpath "$1")
output=$(realpath -m "${2:-$build/e2e}")
here=$(dirname "$(realpath "$0")")
quib="$build/bin/quib"
mkdir -p "$output"
rm -f "$output"/*.png "$output"/*.raw "$output"/*.log

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > "$output/xvfb.log" 2>&1 &
xvfb=$!
quib_pid=""
cleanup() {
  [ -n "$quib_pid" ] && kill "$quib_pid" 2> /dev/null || true
  kill "$xvfb" 2> /dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done

# Starts quib in a fresh folder of its own (no quib.cfg) and waits for its window.
start_quib() {
  local folder="$output/$1"; shift
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$quib" "$folder/quib"
  ln -s "$build/bin/Configurations" "$folder/Configurations"
  "$folder/quib" "$@" > "$output/$(basename "$folder").log" 2>&1 &
  quib_pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^QUIB!' | head -1)
}

stop_quib() {
  kill "$quib_pid"
  wait "$quib_pid" 2> /dev/null || true
  quib_pid=""
}

echo "=== e2e: typing into the window"
text="msx1"
"$build/bin/quib-run" --cartridge1 "$build/tests/hello.rom" --type "$text" --frames 400 \
  --screenshot "$output/typing-expected.png" > /dev/null
SDL_AUDIODRIVER=dummy start_quib typing --run "$build/tests/hello.rom"
sleep 7  # C-BIOS shows its logo, then starts the cartridge
xdotool windowfocus --sync "$window"
xdotool type --delay 250 "$text"
sleep 1
import -window "$window" "$output/typing-window.png"
stop_quib
# The expected 256 x 212 frame must appear unchanged somewhere in the window.
difference=$(compare -metric AE -subimage-search "$output/typing-window.png" "$output/typing-expected.png" \
             null: 2>&1 || true)
echo "differing pixels at the best place: $difference"
if [ "${difference%% *}" != "0" ]; then
  echo "=== e2e typing FAILED: see $output/typing-window.png"
  exit 1
fi

echo "=== e2e: recording the tone"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$output/tone.raw" start_quib tone --run "$build/tests/tone.rom"
sleep 6
import -window "$window" "$output/tone-window.png"
stop_quib
python3 "$here/measure_pitch.py" "$output/tone.raw" 440.4

echo "=== e2e: recording the PSG envelope"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$output/envelope.raw" start_quib envelope --run "$build/tests/envelope.rom"
sleep 6
stop_quib
# Envelope period 699: a ramp lasts 256 x 699 / 1789772.5 s, ten a second.
python3 "$here/measure_envelope.py" "$output/envelope.raw" 10.0

echo "=== e2e: debug and cassette windows"
SDL_AUDIODRIVER=dummy start_quib windows --run
sleep 3
for keys in "alt+d z" "alt+d m" "alt+d v" "alt+v Return"; do
  xdotool windowfocus --sync "$window"
  xdotool key $keys
  sleep 1
done
for caption in "Z80 Info" "Memory Info" "V9918 info" "Cassette Controls"; do
  if ! id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$caption" | head -1) || [ -z "$id" ]; then
    echo "=== e2e windows FAILED: no window \"$caption\""
    exit 1
  fi
  import -window "$id" "$output/window-${caption// /-}.png"
done
stop_quib
echo "=== e2e passed"
