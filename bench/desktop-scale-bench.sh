#!/bin/bash
# The player at 1x and at 2x beside a bare Qt window of the same size, under
# Xvfb: time from exec to the first painted frame and resident memory at the
# title. With BASELINE, another build of the player (say, main's) is
# measured at 1x in the same runs, so the default's figures can be compared.
#
#   bench/desktop-scale-bench.sh [TORVANE [BARE_WINDOW [BASELINE]]]
#
# Start-up is as in desktop-bench.sh: "first-frame-ms" minus the wall-clock
# time just before exec, median of 11 runs, the programs taking turns so
# that they meet the same load. Memory is VmRSS 1 s after the first frame,
# median of the same runs. The 2x scale comes from a settings file of its
# own ($XDG_CONFIG_HOME/torvane/torvane.conf); 1x runs with none.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
torvane=$(realpath "${1:-$root/build/src/torvane}")
bare=$(realpath "${2:-$root/build/tests/ui/qt/torvane_bare_window}")
baseline=${3:-}
[ -n "$baseline" ] && baseline=$(realpath "$baseline")
if [ -z "${TORVANE_BENCH_IN_XVFB:-}" ]; then
  TORVANE_BENCH_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 2560x1600x24" "$0" "$torvane" "$bare" $baseline
fi
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/game" "$work/config-1x" "$work/config-2x/torvane"
printf '@STE\r\n' > "$work/game/Sinario00.txt"
printf '[view]\nscale=2\n' > "$work/config-2x/torvane/torvane.conf"

now_ms() { date +%s%3N; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

# Runs a program until its first frame and a second more; appends the
# start-up to $1.starts and the memory to $1.rss.
measure() {
  local name=$1 log="$work/stderr" t0
  shift
  : > "$log"
  t0=$(now_ms)
  TORVANE_PRINT_FIRST_FRAME=1 "$@" 2> "$log" &
  pid=$!
  for _ in $(seq 500); do
    grep -q '^first-frame-ms ' "$log" && break
    sleep 0.01
  done
  grep -q '^first-frame-ms ' "$log" || { echo "no first frame from $name" >&2; exit 1; }
  echo $(( $(awk '/^first-frame-ms / {print $2; exit}' "$log") - t0 )) >> "$work/$name.starts"
  sleep 1
  rss_kb "$pid" >> "$work/$name.rss"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

runs=11
echo "Measuring ($runs runs each)..." >&2
for _ in $(seq $runs); do
  measure bare "$bare"
  XDG_CONFIG_HOME=$work/config-1x measure player-1x "$torvane" "$work/game"
  XDG_CONFIG_HOME=$work/config-2x measure player-2x "$torvane" "$work/game"
  if [ -n "$baseline" ]; then XDG_CONFIG_HOME=$work/config-1x measure baseline-1x "$baseline" "$work/game"; fi
done

printf '\n%-28s %22s %16s\n' "" "start-up (ms, median)" "memory (MB)"
for name in bare player-1x player-2x baseline-1x; do
  [ -f "$work/$name.starts" ] || continue
  printf '%-28s %22s %16s\n' "$name" "$(median < "$work/$name.starts")" \
    "$(median < "$work/$name.rss" | awk '{printf "%.1f", $1 / 1024}')"
done
