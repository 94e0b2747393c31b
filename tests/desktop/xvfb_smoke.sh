#!/bin/bash
# The player under a real X server: start a small two-file game, play it
# with X events to its ending (the menu by its accelerator, clicks on the
# message and the command list, the item dialog, a narration page, the
# ending box), check the screen, quit through the menu and its question.
#
#   tests/desktop/xvfb_smoke.sh path/to/torvane
#
# Exits 77 (skipped) when xvfb-run is missing; every other tool it needs
# must be there.
set -euo pipefail

torvane=$(realpath "$1")
if [ -z "${TORVANE_SMOKE_IN_XVFB:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed: skipped"; exit 77; }
  TORVANE_SMOKE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
for tool in xdotool xwininfo import convert iconv; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/game"
iconv -f UTF-8 -t CP932 <<'SCENARIO' | sed 's/$/\r/' > "$work/game/Sinario00.txt"
@STE
@TXT 0
浜辺に着いた。
@END
@TAG top
@CMD 浜辺
調べる,調べる
話す,話す
灯台へ,灯台へ
@END
@JMP top
@SUB 灯台へ
@SAV Sinario01.txt
@NXT Sinario01.txt
@SUB 調べる
@TXT 0
砂の中で何かが光っている。
@END
@RTN
@SUB 話す
@TXT 1
こんばんは。
@END
@RTN
SCENARIO
iconv -f UTF-8 -t CP932 <<'SCENARIO' | sed 's/$/\r/' > "$work/game/Sinario01.txt"
@REM the second file starts at its line 1
@ITM
@ISS 0
@STR
@STX
おわり
@END
@LST
@STE
@TXT 2
ありがとう。
@END
@CMD おわり
@END
SCENARIO

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/screen.png" ] && cp "$work/screen.png" "${TMPDIR:-/tmp}/torvane-smoke-failure.png" &&
    echo "screen saved as ${TMPDIR:-/tmp}/torvane-smoke-failure.png" >&2
  exit 1
}

# The colour at window coordinates (x, y), from a screenshot of the root window.
pixel() {
  import -window root "$work/screen.png"
  convert "$work/screen.png" -format "%[fx:int(255*p{$((win_x + $1)),$((win_y + $2))}.r)],%[fx:int(255*p{$((win_x + $1)),$((win_y + $2))}.g)],%[fx:int(255*p{$((win_x + $1)),$((win_y + $2))}.b)]" info:
}

# Polls until the pixel at (x, y) is (or, with "!", is not) the colour.
wait_pixel() {
  local x=$1 y=$2 want=$3 negate=${4:-}
  for _ in $(seq 50); do
    local got
    got=$(pixel "$x" "$y")
    if [ -z "$negate" ] && [ "$got" = "$want" ]; then return 0; fi
    if [ -n "$negate" ] && [ "$got" != "$want" ]; then return 0; fi
    sleep 0.2
  done
  fail "pixel ($x,$y) is $got, waited for ${negate:+not }$want"
}

# Gives a window the keyboard. X refuses the focus to a window that is not
# viewable yet, which a loaded machine showed right after the window was
# found, so it is asked again until the window takes it.
focus() {
  for _ in $(seq 50); do
    xdotool windowfocus --sync "$1" 2>/dev/null && return 0
    sleep 0.2
  done
  fail "window $1 never took the focus"
}

"$torvane" "$work/game" &
pid=$!

wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Torvane$' | head -1) || fail "no window named Torvane"
eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print "win_x=" $NF} /Absolute upper-left Y/ {print "win_y=" $NF} /Width:/ {print "win_w=" $NF} /Height:/ {print "win_h=" $NF}')"
[ "$win_w" = 632 ] || fail "window width $win_w"
bar=$((win_h - 426))  # the menu bar above the client area
[ "$bar" -gt 0 ] || fail "window height $win_h leaves no menu bar"
echo "window $wid at $win_x,$win_y, ${win_w}x$win_h, menu bar $bar"
[ "$win_x,$win_y" = "243,215" ] || fail "window at $win_x,$win_y"

# The title: the message area is covered by the title picture.
wait_pixel 600 $((bar + 400)) "255,255,255" not

# Start through the menu's accelerators; the first message waits.
xdotool mousemove --window "$wid" 300 $((bar + 200))
focus "$wid"
xdotool key alt+g
sleep 0.5
xdotool key s
wait_pixel 600 $((bar + 400)) "255,255,255"

# A click on the message answers it; the command list fills.
xdotool mousemove --window "$wid" 400 $((bar + 380)) click 1
wait_pixel 470 $((bar + 40 + 10)) "255,255,255" not

# Choose the second entry with a click on it; its message waits.
xdotool mousemove --window "$wid" 480 $((bar + 40 + 2 + 19 + 9)) click 1
sleep 0.5
wait_pixel 600 $((bar + 400)) "255,255,255"
import -window root "$work/screen.png"
cp "$work/screen.png" "${TORVANE_SMOKE_SCREENSHOT:-$work/last.png}"
# The portrait of speaker 1 is up: not the black form behind it.
[ "$(pixel 20 $((bar + 270)))" != "0,0,0" ] || fail "no portrait"

# Answer it, then go on to the second file, where the item dialog opens.
xdotool mousemove --window "$wid" 400 $((bar + 380)) click 1
wait_pixel 470 $((bar + 40 + 10)) "255,255,255" not
xdotool mousemove --window "$wid" 480 $((bar + 40 + 2 + 2 * 19 + 9)) click 1
dialog=$(timeout 10 xdotool search --sync --name 'アイテム選択' | head -1) || fail "no item dialog"
xdotool mousemove --window "$dialog" 60 $((64 + 9)) click 1
# The placeholder was picked: its message waits; a click ends it.
wait_pixel 600 $((bar + 400)) "255,255,255"
xdotool mousemove --window "$wid" 400 $((bar + 380)) click 1
# The narration page, then the ending box over it.
ending=$(timeout 20 xdotool search --sync --onlyvisible --name 'ゲームオーバー' | head -1) || fail "no ending box"
focus "$ending"
xdotool key Return
# The normal screen is back with the last message.
wait_pixel 600 $((bar + 400)) "255,255,255"
[ "$(pixel 20 $((bar + 270)))" != "0,0,0" ] || fail "no portrait after the ending"
grep -q 'Next=Sinario01.txt' "$work/game/Kesmar.ini" || fail "the save point was not written"

# Exit through the menu; the question's default answer is Yes.
xdotool mousemove --window "$wid" 400 $((bar + 380)) click 1
sleep 0.5
xdotool key alt+g
sleep 0.5
xdotool key x
box=$(timeout 10 xdotool search --sync --onlyvisible --name 'ゲームの終了' | head -1) || fail "no Exit question"
focus "$box"
xdotool key Return
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$pid" 2>/dev/null; then fail "the player did not end"; fi
wait "$pid" && status=0 || status=$?
pid=
[ "$status" = 0 ] || fail "exit status $status"
echo "PASS"
