#!/usr/bin/env bash
# End-to-end checks of the real quib under Xvfb:
#  1. typing: quib --run with the echo cartridge, keys typed into its window with
#     xdotool; the window's screen area must show exactly what the headless runner
#     draws for the same typed text;
#  2. sound: quib --run with the tone cartridge, its sound recorded through SDL's
#     disk audio driver; the recorded pitch must be the tone's 440.4 Hz;
#  3. envelope: quib --run with the envelope cartridge, recorded the same way;
#     the loudness must fall as a saw, by 36 dB or more, starting ten times a second;
#  4. windows: the three debug windows, the cassette window and the debugger's three
#     windows (Debugger, Memory View, VRAM View), opened from the menus of the running
#     machine, must appear; each is saved as a screenshot; so are the debugger's windows
#     on a MegaROM game screen (sprite_game.rom);
#  5. cartridge kind: a MegaROM that boots only as ASCII 16K is chosen in Preferences,
#     its kind set by hand there; after the reboot the window must show what the
#     headless runner draws with that kind, and quib.ini must keep the choice;
#  6. features: a cartridge inserted from the File menu names itself in the title,
#     F10 enters fullscreen and F10 or Esc leaves it, Ctrl+F9 writes a screenshot;
#     each state is saved as a screenshot.
#  7. keys that never stick: with the echo cartridge, Alt tapped alone, a key pressed
#     while a menu is open, then text typed 15 ms a key; the window must show what the
#     headless runner draws for the text alone.
#  8. a bad ROM on the command line: twenty starts with --run, each showing one
#     "Warning" box over its window while the machine still stands.
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
openbox_pid=""
cleanup() {
  [ -n "$quib_pid" ] && kill "$quib_pid" 2> /dev/null || true
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2> /dev/null || true
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

# The headless runner's 256 x 212 frame NAME-expected.png must appear unchanged
# somewhere in the window's screenshot NAME-window.png; otherwise the check WHAT fails.
expect_frame() {
  local difference
  difference=$(compare -metric AE -subimage-search "$output/$1-window.png" "$output/$1-expected.png" null: 2>&1 || true)
  echo "differing pixels at the best place: $difference"
  if [ "${difference%% *}" != "0" ]; then
    echo "=== e2e $2 FAILED: see $output/$1-window.png against $output/$1-expected.png"
    exit 1
  fi
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
expect_frame typing typing

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
# From here on a window manager places the windows apart and gives the dialogs the
# keyboard focus as they open.
openbox > "$output/openbox.log" 2>&1 &
openbox_pid=$!
# Windows opened while it starts up may be missed by it: wait until it manages the screen.
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id" && break; sleep 0.1; done
SDL_AUDIODRIVER=dummy start_quib windows --run
sleep 3
xdotool windowmove "$window" 760 440  # the bottom right corner, out of the new windows' way
sleep 0.5
# The screen area takes Alt for the MSX, so the menus are opened with the mouse: at the
# menu bar's File (x 20), View (x 58) or Debug (x 176), then the item's keys (commas
# between them), then a pause for what opens (a second unless given).
open_menu() {
  xdotool mousemove --window "$window" "$1" 10 click 1
  sleep 0.5
  xdotool key ${2//,/ }
  sleep "${3:-1}"
}
# Each window is then moved to a place of its own and saved, named after the prefix
# given and its caption. The main window comes to the front first, so that no window
# opened before covers its menu bar.
open_windows() {
  local prefix=$1 item x key place caption
  shift
  for item in "$@"; do
    read -r x key place caption <<< "$item"
    xdotool windowactivate --sync "$window"
    open_menu "$x" "$key" 0.2  # the search below waits for the window
    if ! id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$caption" | head -1) || [ -z "$id" ]; then
      echo "=== e2e windows FAILED: no window \"$caption\""
      exit 1
    fi
    xdotool windowmove "$id" ${place/,/ }
    sleep 0.5
    import -window "$id" "$output/$prefix-${caption// /-}.png"
  done
}
# The other two pages of the VRAM View, the last window opened, reached with their Alt keys.
save_vram_pages() {
  for page in s n; do
    xdotool key "alt+$page"
    sleep 0.3
    import -window "$id" "$output/$1-VRAM-View-$page.png"
  done
}
debugger_windows=("176 d 0,0 Debugger" "176 i 0,0 Memory View" "176 r 0,0 VRAM View")
# The debugger's windows first: the three debug windows stay on top of them.
open_windows window "${debugger_windows[@]}"
save_vram_pages window
open_windows window "176 z 0,0 Z80 Info" "176 m 320,0 Memory Info" "176 v 0,470 V9918 info" \
             "58 Down,Return 420,400 Cassette Controls"
stop_quib

echo "=== e2e: the debugger's windows on a MegaROM game screen"
SDL_AUDIODRIVER=dummy start_quib game --run "$build/tests/sprite_game.rom"
sleep 3.5  # C-BIOS shows its logo, then the game draws its screen
xdotool windowmove "$window" 760 440
sleep 0.5
import -window "$window" "$output/game-window.png"
open_windows game "${debugger_windows[@]}"
save_vram_pages game
stop_quib

echo "=== e2e: a cartridge kind set by hand in Preferences"
"$build/bin/quib-run" --cartridge1 "$build/tests/megarom.rom" --cartridge1-kind ASCII16 --frames 300 \
  --screenshot "$output/megarom-expected.png" > /dev/null 2>&1
SDL_AUDIODRIVER=dummy start_quib megarom --run
sleep 2
open_menu 20 p  # File, Preferences
preferences=$(timeout 10 xdotool search --sync --onlyvisible --name '^Preferences$' | head -1)
xdotool key ctrl+Tab ctrl+Tab ctrl+Tab Tab Tab space  # the Cartridges tab, slot 1's "..."
timeout 10 xdotool search --sync --onlyvisible --name '^Open$' > /dev/null
xdotool type --delay 20 "$build/tests/megarom.rom"
xdotool key Return
sleep 1
xdotool key Tab Tab Down Down Down Down Down  # the slot's kind: from Automatic to ASCII 16K
sleep 0.5
import -window "$preferences" "$output/megarom-preferences.png"
xdotool key Escape
timeout 10 xdotool search --sync --onlyvisible --name '^Configuration changed$' > /dev/null
xdotool key Return  # reboot: Yes
sleep 4
import -window "$window" "$output/megarom-window.png"
stop_quib
expect_frame megarom "cartridge kind"
if ! grep -q 'megarom.rom=ASCII16' "$output/megarom/quib.ini"; then
  echo "=== e2e cartridge kind FAILED: quib.ini does not keep the kind: see $output/megarom/quib.ini"
  exit 1
fi

echo "=== e2e: cartridges from the File menu, fullscreen and screenshots"
expect_title() {
  local name=""
  for _ in $(seq 30); do
    name=$(xdotool getwindowname "$window")
    [ "$name" = "$1" ] && return 0
    sleep 0.2
  done
  echo "=== e2e features FAILED: the title is \"$name\", not \"$1\""
  exit 1
}
expect_size() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$1" = "screen" ] && [ "$WIDTH x $HEIGHT" != "1024 x 768" ]; then
    echo "=== e2e features FAILED: fullscreen is $WIDTH x $HEIGHT"
    exit 1
  fi
  if [ "$1" = "window" ] && [ "$WIDTH" -ge 1024 ]; then
    echo "=== e2e features FAILED: the window stayed $WIDTH x $HEIGHT"
    exit 1
  fi
}
SDL_AUDIODRIVER=dummy start_quib features
expect_title "QUIB! [stopped]"
sleep 1
import -window "$window" "$output/features-stopped.png"
# File -> Insert Cartridge 1... (the third item below the title), then the path in the dialog.
xdotool windowactivate --sync "$window"
xdotool mousemove --window "$window" 15 10 click 1
sleep 0.5
xdotool key Down Down Down Return
sleep 1.5
xdotool type --delay 20 "$build/tests/hello.rom"
xdotool key Return
expect_title "QUIB! - hello.rom [stopped]"
xdotool windowactivate --sync "$window"
xdotool key F11
expect_title "QUIB! - hello.rom [running]"
sleep 5
import -window "$window" "$output/features-running.png"
xdotool key ctrl+F9  # openbox takes Print Screen for itself
for key in F10 Escape; do
  xdotool key F10
  sleep 1.5
  expect_size screen
  import -window root "$output/features-fullscreen-$key.png"
  xdotool key "$key"
  sleep 1.5
  expect_size window
done
import -window "$window" "$output/features-windowed.png"
if [ ! -f "$output/features/Screenshots/quib-0001.png" ]; then
  echo "=== e2e features FAILED: no screenshot in $output/features/Screenshots"
  exit 1
fi
cp "$output/features/Screenshots/quib-0001.png" "$output/features-screenshot.png"
stop_quib

echo "=== e2e: Alt alone, a key in an open menu, fast typing"
text="hello 123"
"$build/bin/quib-run" --cartridge1 "$build/tests/hello.rom" --type "go$text" --frames 500 \
  --screenshot "$output/keys-expected.png" > /dev/null
SDL_AUDIODRIVER=dummy start_quib keys --run "$build/tests/hello.rom"
sleep 7
xdotool windowfocus --sync "$window"
# Alt alone is GRAPH: the menu bar must not take the keys, so "g" and "o" reach the MSX
# (with the menu bar active they would be nothing, and "h" would open Help).
xdotool key alt
sleep 0.5
xdotool type --delay 100 "go"
# A key pressed while a menu is open belongs to the menu; closing it must leave no key held.
xdotool mousemove --window "$window" 58 10 click 1
sleep 0.5
xdotool key j
import -window root "$output/keys-menu-open.png"
xdotool key Escape Escape
sleep 0.5
xdotool windowfocus --sync "$window"
xdotool mousemove --window "$window" 100 100 click 1
sleep 0.5
xdotool type --delay 15 "$text"
sleep 2
import -window "$window" "$output/keys-window.png"
stop_quib
expect_frame keys keys

echo "=== e2e: a bad ROM on the command line, twenty starts"
head -c 3 /dev/zero > "$output/bad.rom"
for start in $(seq 20); do
  SDL_AUDIODRIVER=dummy start_quib bad-rom --run "$output/bad.rom"
  box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Warning$' | head -1) || true
  title=$(xdotool getwindowname "$window")
  if [ -z "$box" ] || [ "$title" != "QUIB! [stopped]" ]; then
    echo "=== e2e bad ROM FAILED at start $start: box \"$box\", title \"$title\""
    exit 1
  fi
  stop_quib
done

echo "=== e2e: without a display, --help and --version"
message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$quib" 2>&1) && status=0 || status=$?
if [ "$status" != 2 ] || [ "$message" != "quib needs a graphical display (DISPLAY or WAYLAND_DISPLAY)" ] ||
   ! "$quib" --help | grep -q -- --cartridge-kind || ! "$quib" --version | grep -q '^quib '; then
  echo "=== e2e command line FAILED: status $status, \"$message\""
  exit 1
fi

echo "=== e2e passed"
