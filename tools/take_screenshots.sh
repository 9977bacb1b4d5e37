#!/usr/bin/env bash
# Captures the real window under Xvfb for each shipped example, opened in turn with the
# file keys and, for the layouts without a preset, brought into focus with the keys the
# README gives. Writes docs/screenshots/NAME.png; run after building into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
mkdir -p "$out"

exec 3< <(exec Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp 2>/dev/null)
read -r number <&3
export DISPLAY=":$number"
build/quorvane >/dev/null &
viewer=$!
trap 'kill $viewer 2>/dev/null || true; pkill -f "Xvfb :$number " || true' EXIT
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quorvane$' | head -n 1)
xdotool windowfocus --sync "$window"

keys() { xdotool key --delay 30 "$@"; sleep 1; }
type_value() { keys Return $(echo "$1" | sed 's/./& /g; s/-/minus/g') Return; }

# Brings the layouts that no preset covers into focus, starting from the defaults.
focus() {
  case "$1" in
    font-1bpp-msb.bin)
      keys r j j j h h k k; type_value 7 ;;
    picture-4planes.bin)
      keys r j j j h h k k; type_value 7
      keys j j j j; type_value 256
      keys j; type_value 4
      keys j; type_value 64 ;;
  esac
}

# The viewer lists the directory in the order it reads it, as ls -f does; the first
# key press loads the first entry, d moves on to the next.
first=1
for name in $(ls -f examples | grep -v '^\.\.\?$'); do
  if [ $first -eq 1 ]; then keys F5; first=0; else keys d; fi
  focus "$name"
  import -window "$window" "$out/${name%.bin}.png"
  keys r
done
xdotool key q
wait $viewer
