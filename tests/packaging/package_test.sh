#!/usr/bin/env bash
# Builds the Debian package from a configured, built build folder into a temporary
# folder and checks what it holds: the file list, its Depends, the desktop entry
# (desktop-file-validate) and the man pages (man -l, with warnings as failures).
#
# usage: package_test.sh BUILD_FOLDER
set -euo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  exit 1
}
packages=("$work"/quib_*_*.deb)
[ -f "${packages[0]}" ] || { echo "no quib_VERSION_ARCH.deb in: $(ls "$work")"; exit 1; }
package=${packages[0]}

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

listing=$(dpkg-deb --contents "$package" | awk '{print $NF}' | sed 's|^\./|/|')
for file in /usr/bin/quib /usr/bin/quib-run /usr/share/applications/quib.desktop \
            /usr/share/icons/hicolor/scalable/apps/quib.svg /usr/share/icons/hicolor/64x64/apps/quib.png \
            /usr/share/icons/hicolor/128x128/apps/quib.png /usr/share/icons/hicolor/256x256/apps/quib.png \
            /usr/share/man/man1/quib.1.gz /usr/share/man/man1/quib-run.1.gz /usr/share/doc/quib/copyright; do
  grep -qx "$file" <<< "$listing" || fail "the package lacks $file"
done
# Nothing of the build folder's own: no Configurations, no ROMs.
if grep -qi -e configurations -e '\.rom$' -e '\.qcf$' <<< "$listing"; then fail "the package carries ROMs or configurations"; fi

depends=$(dpkg-deb --field "$package" Depends)
grep -qw cbios <<< "$depends" || fail "Depends lacks cbios: $depends"
grep -q libqt6widgets6 <<< "$depends" || fail "Depends lacks the Qt libraries found by shlibdeps: $depends"
grep -q libsdl2 <<< "$depends" || fail "Depends lacks SDL2: $depends"

dpkg-deb --extract "$package" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/quib.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quib %f' "$work/root/usr/share/applications/quib.desktop" || fail "the desktop entry's Exec"
grep -qx 'MimeType=application/x-msx-rom;' "$work/root/usr/share/applications/quib.desktop" || fail "MimeType"

for page in quib quib-run; do
  file="$work/root/usr/share/man/man1/$page.1.gz"
  gzip -t "$file" || fail "$page.1.gz is no gzip file"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 > "$work/$page.txt") || fail "man -l $page"
  [ -z "$warnings" ] || fail "man -l $page warns: $warnings"
  grep -q "EXIT STATUS" "$work/$page.txt" || fail "$page.1 has no EXIT STATUS"
  grep -q "FILES" "$work/$page.txt" || fail "$page.1 has no FILES"
  # Every option the program's usage names is in its page.
  usage=$("$work/root/usr/bin/$page" --help 2>&1) || true  # quib-run answers --help with status 2
  options=$(grep -o -- '--[a-z0-9-]*' <<< "$usage" | sort -u)
  for option in $options; do
    grep -q -- "$option" "$work/$page.txt" || fail "$page.1 lacks $option"
  done
done

grep -q "BSD-2-Clause" "$work/root/usr/share/doc/quib/copyright" || fail "the copyright lacks C-BIOS's licence"
grep -q "Permission is hereby granted" "$work/root/usr/share/doc/quib/copyright" || fail "the copyright lacks ours"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "the package $(basename "$package") holds what it should"
