#!/usr/bin/env bash
# The installed player under a real X server: it paints its title, loads
# the media module from the package's own folder when the game's music
# starts, and warns of nothing.
#   tests/install/installed_window.sh ROOT    (what the package unpacked to)
set -euo pipefail
root=$(realpath "$1")
source=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${TORVANE_INSTALL_IN_XVFB:-}" ]; then
  command -v xvfb-run > /dev/null || { echo "missing: xvfb-run" >&2; exit 1; }
  TORVANE_INSTALL_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
for tool in xdotool xwininfo import convert; do
  command -v "$tool" > /dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/stderr" ] && { echo "the player's standard error:" >&2; cat "$work/stderr" >&2; }
  exit 1
}

# The colour at (x, y) of an image, or of the window's client area.
colour_in() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
on_screen() {
  import -window root "$work/screen.png"
  colour_in "$work/screen.png" $((win_x + $1)) $((win_y + bar + $2))
}

module=$(ls "$root"/usr/lib/*/torvane/torvane-sdl-media.so 2> /dev/null) || fail "the package has no media module"
# SDL's silent driver, as a machine without a sound card would fall back
# to with a warning of its own; no soundfont, as if neither soundfont
# package were installed: the player must come up all the same.
SDL_AUDIODRIVER=dummy SDL_SOUNDFONTS=$work/no-such-soundfont.sf2 \
  "$root/usr/games/torvane" "$root/usr/share/games/torvane/demo" 2> "$work/stderr" &
pid=$!

wid=$(timeout 20 xdotool search --sync --name '^Torvane$' | head -1) || fail "no window named Torvane"
eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print "win_x=" $NF} /Absolute upper-left Y/ {print "win_y=" $NF} /Height:/ {print "win_h=" $NF}')"
bar=$((win_h - 426))

# The title picture, pixel for pixel where it is sampled: the sea and the sky.
for point in "600 400" "100 100"; do
  read -r x y <<< "$point"
  want=$(colour_in "$source/assets/title.bmp" "$x" "$y")
  for _ in $(seq 50); do
    got=$(on_screen "$x" "$y")
    [ "$got" = "$want" ] && break
    sleep 0.2
  done
  [ "$got" = "$want" ] || fail "($x, $y) of the client area is $got, the title has $want there"
done

# Nothing plays at the title, so nothing of the media is loaded there.
sleep 1
! grep -qF "$module" "/proc/$pid/maps" || fail "the player loaded $module at the title"
# The game's first page is read out for four seconds, then the music starts:
# the module comes with it, and the warning, if any.
xdotool mousemove --window "$wid" 300 200
xdotool windowfocus --sync "$wid"
xdotool key alt+g
sleep 0.3
xdotool key s
for _ in $(seq 75); do
  grep -qF "$module" "/proc/$pid/maps" && break
  sleep 0.2
done
grep -qF "$module" "/proc/$pid/maps" || fail "the player did not load $module for the music"
sleep 0.5
kill -0 "$pid" 2> /dev/null || fail "the player ended"
[ ! -s "$work/stderr" ] || fail "the player warned"
echo "title painted, $module loaded for the music, nothing on standard error"
