#!/bin/bash
# The desktop player beside a bare Qt window of the same size, under Xvfb:
# time from exec to the first painted frame, resident memory, and the
# processor used while the player waits.
#
#   bench/desktop-bench.sh [TORVANE [BARE_WINDOW]]
#
# Defaults: build/src/torvane and build/tests/ui/qt/torvane_bare_window.
# Both print "first-frame-ms <wall-clock ms>" to standard error when they
# first paint, with TORVANE_PRINT_FIRST_FRAME set; start-up is that minus
# the wall-clock time just before exec (median of 15 runs: single runs vary
# by a tenth on a shared two-core machine). Memory is VmRSS
# from /proc/PID/status; processor time is utime + stime from
# /proc/PID/stat over 10 s (10 ms resolution). Wake-ups are the context
# switches of all the process's threads over 10 s, from
# /proc/PID/task/*/status (voluntary and not), threads that came or went
# meanwhile included; memory with music is taken while a MIDI track plays.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
torvane=$(realpath "${1:-$root/build/src/torvane}")
bare=$(realpath "${2:-$root/build/tests/ui/qt/torvane_bare_window}")
if [ -z "${TORVANE_BENCH_IN_XVFB:-}" ]; then
  TORVANE_BENCH_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$torvane" "$bare"
fi
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT

# Four narration pages (16 s), then a message that waits for a click.
mkdir "$work/game"
iconv -f UTF-8 -t CP932 <<'SCENARIO' | sed 's/$/\r/' > "$work/game/Sinario00.txt"
@STR
@STX
一枚目
@END
@STX
二枚目
@END
@STX
三枚目
@END
@STX
四枚目
@END
@STE
@TXT 0
クリックを待っています。
@END
SCENARIO

# A MIDI track under a message that waits for a click.
mkdir "$work/music"
cp "$root/games/demo/umi.mid" "$work/music/"
iconv -f UTF-8 -t CP932 <<'SCENARIO' | sed 's/$/\r/' > "$work/music/Sinario00.txt"
@STE
@BGM umi.mid
@TXT 0
音楽が流れています。
@END
SCENARIO

ticks_per_s=$(getconf CLK_TCK)
now_ms() { date +%s%3N; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Starts a program; sets pid and startup_ms once it has painted.
launch() {
  local log="$work/stderr" t0
  : > "$log"
  t0=$(now_ms)
  TORVANE_PRINT_FIRST_FRAME=1 "$@" 2> "$log" &
  pid=$!
  for _ in $(seq 500); do
    if grep -q '^first-frame-ms ' "$log"; then
      startup_ms=$(( $(awk '/^first-frame-ms / {print $2; exit}' "$log") - t0 ))
      return 0
    fi
    sleep 0.01
  done
  echo "no first frame from $1" >&2
  exit 1
}

stop() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

# Context switches of every thread of pid, one "tid count" a line.
switch_counts() {
  local task
  for task in /proc/"$1"/task/*; do
    awk -v t="${task##*/}" '/^(non)?voluntary_ctxt_switches:/ {n += $2} END {if (NR) print t, n}' \
      "$task/status" 2>/dev/null || true
  done
}

# Wake-ups of pid per second over `seconds`: a thread that ended meanwhile
# counts what it had at the start, one that began counts all of its own.
wakeups_per_s() {
  local seconds=$1
  switch_counts "$pid" > "$work/switches-before"
  sleep "$seconds"
  switch_counts "$pid" > "$work/switches-after"
  awk -v s="$seconds" 'NR == FNR {before[$1] = $2; next} {d += $2 - before[$1]}
    END {printf "%.1f", d / s}' "$work/switches-before" "$work/switches-after"
}

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

# Percent of one core used by pid over `seconds`.
cpu_percent() {
  local seconds=$1 before after
  before=$(cpu_ticks "$pid")
  sleep "$seconds"
  after=$(cpu_ticks "$pid")
  awk -v d=$((after - before)) -v hz="$ticks_per_s" -v s="$seconds" 'BEGIN {printf "%.2f", 100 * d / hz / s}'
}

# Runs alternate between the two, so both meet the same load.
runs=15
echo "Measuring start-up ($runs runs each)..." >&2
: > "$work/bare-starts"
: > "$work/player-starts"
for _ in $(seq $runs); do
  launch "$bare"
  echo "$startup_ms" >> "$work/bare-starts"
  stop
  launch "$torvane" "$work/game"
  echo "$startup_ms" >> "$work/player-starts"
  stop
done
bare_start=$(median < "$work/bare-starts")
player_start=$(median < "$work/player-starts")

echo "Measuring the bare window..." >&2
launch "$bare"
sleep 1
bare_rss=$(rss_kb "$pid")
bare_cpu=$(cpu_percent 10)
bare_wakeups=$(wakeups_per_s 10)
stop

echo "Measuring the player..." >&2
launch "$torvane" "$work/game"
sleep 1
title_rss=$(rss_kb "$pid")
title_cpu=$(cpu_percent 10)
title_wakeups=$(wakeups_per_s 10)
start_game() {
  local wid
  wid=$(xdotool search --name '^Torvane$' | head -1)
  xdotool mousemove --window "$wid" 300 200
  xdotool windowfocus --sync "$wid"
  xdotool key alt+g
  sleep 0.3
  xdotool key s
}
start_game
sleep 1.5  # the first page is up; four pages of 4 s, changing at 4, 8 and 12 s
narration_wakeups=$(wakeups_per_s 2)  # within the first page
narration_cpu=$(cpu_percent 5)        # across the change to the second
sleep 11  # past the last page: the message waits
message_rss=$(rss_kb "$pid")
click_cpu=$(cpu_percent 10)
click_wakeups=$(wakeups_per_s 10)
stop

echo "Measuring the player with music..." >&2
launch "$torvane" "$work/music"
sleep 1
start_game
sleep 3  # the track plays under the message
music_rss=$(rss_kb "$pid")
music_wakeups=$(wakeups_per_s 10)
stop

printf '\n%-44s %12s %12s\n' "" "player" "bare window"
printf '%-44s %12s %12s\n' "start-up to first frame (ms, median of $runs)" "$player_start" "$bare_start"
printf '%-44s %12s %12s\n' "resident memory at the title (MB)" "$(awk -v k="$title_rss" 'BEGIN {printf "%.1f", k / 1024}')" "$(awk -v k="$bare_rss" 'BEGIN {printf "%.1f", k / 1024}')"
printf '%-44s %12s %12s\n' "resident memory while a message waits (MB)" "$(awk -v k="$message_rss" 'BEGIN {printf "%.1f", k / 1024}')" ""
printf '%-44s %12s %12s\n' "resident memory while MIDI plays (MB)" "$(awk -v k="$music_rss" 'BEGIN {printf "%.1f", k / 1024}')" "$(awk -v k="$bare_rss" 'BEGIN {printf "%.1f", k / 1024}')"
printf '%-44s %12s %12s\n' "processor at the title, 10 s (% of a core)" "$title_cpu" "$bare_cpu"
printf '%-44s %12s %12s\n' "processor during narration, 5 s" "$narration_cpu" ""
printf '%-44s %12s %12s\n' "processor waiting for a click, 10 s" "$click_cpu" ""
printf '%-44s %12s %12s\n' "wake-ups a second at the title, 10 s" "$title_wakeups" "$bare_wakeups"
printf '%-44s %12s %12s\n' "wake-ups a second within a narration page" "$narration_wakeups" "$bare_wakeups"
printf '%-44s %12s %12s\n' "wake-ups a second waiting for a click, 10 s" "$click_wakeups" "$bare_wakeups"
printf '%-44s %12s %12s\n' "wake-ups a second while MIDI plays, 10 s" "$music_wakeups" "$bare_wakeups"
awk -v p="$player_start" -v b="$bare_start" -v r="$message_rss" -v br="$bare_rss" -v c="$click_cpu" -v n="$narration_cpu" \
    -v mr="$music_rss" -v tw="$title_wakeups" -v cw="$click_wakeups" -v nw="$narration_wakeups" 'BEGIN {
  printf "\nstart-up %.2fx the bare window (aim: 1.2x or less)\n", p / b
  printf "memory bare + %.1f MB, bare + %.1f MB while MIDI plays (aim: 25 MB or less)\n", (r - br) / 1024, (mr - br) / 1024
  printf "waiting: %s%% and %s%% of a core (aim: under 1%%)\n", c, n
  printf "wake-ups a second: %s at the title, %s waiting, %s on a page (aim: under 1)\n", tw, cw, nw
}'
