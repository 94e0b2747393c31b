#!/bin/bash
# The player's own comforts under a real X server and a window manager,
# with real X events: Return and Space answer a message, F11 and Alt+Enter
# go fullscreen and back, Escape closes the item dialog as its close box
# does, Ctrl+M and the 表示 menu's volume items change the settings file.
#
#   tests/desktop/xvfb_comfort.sh path/to/torvane
#
# Exits 77 (skipped) when xvfb-run is missing; every other tool it needs
# must be there. A failure leaves the screen in
# ${TMPDIR:-/tmp}/torvane-comfort-failure.png.
set -euo pipefail

torvane=$(realpath "$1")
if [ -z "${TORVANE_COMFORT_IN_XVFB:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed: skipped"; exit 77; }
  TORVANE_COMFORT_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
for tool in openbox xdotool xwininfo xprop import convert iconv; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
pid=
wm=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/screen.png" 2>/dev/null || true
  if [ -f "$work/screen.png" ]; then
    cp "$work/screen.png" "${TMPDIR:-/tmp}/torvane-comfort-failure.png"
    echo "screen saved as ${TMPDIR:-/tmp}/torvane-comfort-failure.png" >&2
  fi
  [ -f "$work/text.txt" ] && { echo "--- text out:" >&2; cat "$work/text.txt" >&2; }
  [ -f "$work/config/torvane/torvane.conf" ] && { echo "--- settings:" >&2; cat "$work/config/torvane/torvane.conf" >&2; }
  exit 1
}

# Polls `condition` (a command) every 0.2 s for up to 10 s.
wait_until() {
  local what=$1
  shift
  for _ in $(seq 50); do
    if "$@"; then return 0; fi
    sleep 0.2
  done
  fail "waited for $what"
}

mkdir -p "$work/game" "$work/config/torvane"
printf '[games]\nrecent=%s\n' "$work/game" > "$work/config/torvane/torvane.conf"
iconv -f UTF-8 -t CP932 <<'SCENARIO' | sed 's/$/\r/' > "$work/game/Sinario00.txt"
@STE
@TXT 0
浜辺に着いた。
@END
@TXT 0
波の音がする。
@END
@TAG top
@CMD 浜辺
調べる,調べる
持ち物,持ち物
@END
@JMP top
@SUB 調べる
@TXT 0
砂の中で何かが光っている。
@END
@RTN
@SUB 持ち物
@ITM
@ISS 0
@ISJ ,やめた
@RTN
@SUB やめた
@TXT 1
何も出さなかった。
@END
@RTN
SCENARIO

# Openbox with no key bindings of its own, so that every key reaches the
# player, and the usual focus of new windows.
cat > "$work/rc.xml" <<'RC'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <keyboard></keyboard>
</openbox_config>
RC
openbox --sm-disable --config-file "$work/rc.xml" 2>"$work/openbox.log" &
wm=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until "the window manager" wm_running

XDG_CONFIG_HOME="$work/config" "$torvane" --text-out "$work/text.txt" "$work/game" 2>"$work/stderr.txt" &
pid=$!
conf="$work/config/torvane/torvane.conf"

wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Torvane$' | head -1) || fail "no window named Torvane"

# The client window's place and size on the root window.
geometry() {
  eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print "win_x=" $NF} /Absolute upper-left Y/ {print "win_y=" $NF} /Width:/ {print "win_w=" $NF} /Height:/ {print "win_h=" $NF}')"
}
geometry
[ "$win_w" = 632 ] || fail "window width $win_w"
bar=$((win_h - 426))
[ "$bar" -gt 0 ] || fail "window height $win_h leaves no menu bar"
home_x=$win_x home_y=$win_y
echo "window $wid at $win_x,$win_y, ${win_w}x$win_h, menu bar $bar"

# The colour at root coordinates (x, y), from a fresh screenshot.
root_pixel() {
  import -window root "$work/screen.png"
  convert "$work/screen.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:
}
# The colour at model coordinates (x, y) of the windowed game screen.
pixel() { root_pixel $((win_x + $1)) $((win_y + bar + $2)); }
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }
pixel_is_not() { [ "$(pixel "$1" "$2")" != "$3" ]; }
white="255,255,255"
black="0,0,0"
message_waits() { pixel_is 600 400 "$white"; }
list_filled() { pixel_is_not 470 50 "$white"; }
shown() { grep -qx "$1" "$work/text.txt" 2>/dev/null; }
focus() { xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"; }
# Each menu and submenu is a window of the player's own.
windows_up() { [ "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -ge "$1" ]; }
# Opens a menu by its accelerator, then presses each key once the menu
# the key before opened is up; the last key chooses.
menu_keys() {
  local up
  up=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)
  xdotool key "$1"
  shift
  while [ $# -gt 0 ]; do
    up=$((up + 1))
    wait_until "a menu before the key $1" windows_up "$up"
    xdotool key "$1"
    shift
  done
}

# The title covers the message area.
wait_until "the title" pixel_is_not 600 400 "$white"

# Start through the menu's accelerators; the first message waits.
xdotool mousemove --window "$wid" 300 $((bar + 200))
focus
menu_keys alt+g s
wait_until "the first message" message_waits
wait_until "the first message in the text out" shown "浜辺に着いた。"

# Return answers it as a click would: the second message waits.
xdotool key Return
wait_until "the second message after Return" shown "波の音がする。"
wait_until "the second message on the screen" message_waits
# Space answers that one: the command list fills.
xdotool key space
wait_until "the command list after Space" list_filled

# F11: the window covers the screen. The game screen is fitted in the
# middle, 1024/632 times as large, 39 black rows above and below: the list
# and the message area white with the black gap between them, the portrait
# down to the game screen's bottom edge and the letterbox below it.
xdotool key F11
fullscreen() { geometry; [ "$win_x,$win_y,$win_w,$win_h" = "0,0,1024,768" ]; }
wait_until "fullscreen" fullscreen
fitted_is() { [ "$(root_pixel $(($1 * 1024 / 632)) $((39 + $2 * 1024 / 632)))" = "$3" ]; }
fitted() {
  fitted_is 600 400 "$white" && fitted_is 600 250 "$white" && fitted_is 600 276 "$black" &&
    [ "$(root_pixel 140 724)" != "$black" ] && [ "$(root_pixel 140 734)" = "$black" ] &&
    [ "$(root_pixel 512 15)" = "$black" ]
}
wait_until "the fitted game screen with its letterbox" fitted
import -window root "$work/fullscreen.png"
cp "$work/fullscreen.png" "${TORVANE_COMFORT_SCREENSHOT:-$work/fullscreen-kept.png}"

# Alt+Enter: back to 632 wide, where it was.
xdotool key alt+Return
windowed() { geometry; [ "$win_x,$win_y,$win_w,$win_h" = "$home_x,$home_y,632,$((bar + 426))" ]; }
wait_until "the window back at $home_x,$home_y" windowed
wait_until "the command list at 1x again" list_filled
# F11 again, and F11 to leave.
xdotool key F11
wait_until "fullscreen by F11" fullscreen
xdotool key F11
wait_until "the window back after F11" windowed

# The second entry opens the item dialog; Escape closes it as its close
# box would: nothing was picked, so @ISS says so and the @ISJ for the
# empty name runs.
xdotool mousemove --window "$wid" 480 $((bar + 40 + 2 + 19 + 9)) click 1
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name 'アイテム選択' | head -1) || fail "no item dialog"
xdotool windowactivate --sync "$dialog" 2>/dev/null || xdotool windowfocus --sync "$dialog"
xdotool key Escape
dialog_gone() { ! xwininfo -id "$dialog" 2>/dev/null | grep -q IsViewable; }
wait_until "the item dialog to close" dialog_gone
wait_until "the message of no pick" shown "やっぱり、やめた。"
focus
xdotool key Return
wait_until "the subroutine of the empty name" shown "何も出さなかった。"
xdotool key Return
wait_until "the command list after the dialog" list_filled

# Ctrl+M mutes, at once in the settings file; Ctrl+M again unmutes.
setting() { grep -qx "$2" <(sed -n "/^\[$1\]/,/^\[/p" "$conf" 2>/dev/null); }
xdotool key ctrl+m
wait_until "mute=true in [sound]" setting sound "mute=true"
xdotool key ctrl+m
wait_until "mute=false in [sound]" setting sound "mute=false"

# The volumes through the 表示 menu by their keys: music 50 %, effects 30 %.
menu_keys alt+v b 5
wait_until "music_volume=50" setting sound "music_volume=50"
menu_keys alt+v e 3
wait_until "effects_volume=30" setting sound "effects_volume=30"
setting sound "mute=false" || fail "the volumes changed the mute setting"

# Moved, then the game again from 最近のゲーム (the folder is in the settings
# file from the start): a new window where this one stood, its game at
# the title.
xdotool windowmove "$wid" 60 40
moved() {
  local was="$win_x,$win_y"
  geometry
  [ "$win_x,$win_y" != "$home_x,$home_y" ] && [ "$win_x,$win_y" = "$was" ]
}
wait_until "the window moved" moved
moved_x=$win_x moved_y=$win_y
old=$wid
focus
menu_keys alt+v r 1
new_window() {
  wid=$(xdotool search --onlyvisible --name '^Torvane$' 2>/dev/null | grep -vx "$old" | head -1) && [ -n "$wid" ]
}
wait_until "the game's new window" new_window
at_moved_place() { geometry; [ "$win_x,$win_y,$win_w,$win_h" = "$moved_x,$moved_y,632,$((bar + 426))" ]; }
wait_until "the new window at $moved_x,$moved_y" at_moved_place
wait_until "the new window's title" pixel_is_not 600 400 "$white"
echo "the game again at $win_x,$win_y"

# Ctrl+M again, then quit through the menu: the file keeps what was set.
focus
xdotool key ctrl+m
wait_until "mute=true again" setting sound "mute=true"
menu_keys alt+g x
box=$(timeout 10 xdotool search --sync --onlyvisible --name 'ゲームの終了' | head -1) || fail "no Exit question"
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
xdotool key Return
ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until "the player to end" ended
wait "$pid" && status=0 || status=$?
pid=
[ "$status" = 0 ] || fail "exit status $status"
for want in "mute=true" "music_volume=50" "effects_volume=30"; do
  setting sound "$want" || fail "after quitting the settings lack $want"
done
setting view "fullscreen=false" || fail "after quitting the settings say fullscreen"
echo "PASS"
