#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes the scenario loader and engine for a
# while, then the picture decoders, the INI reader and the save point's
# read-modify-write for a third of that each: ./fuzz/run-smoke.sh [seconds]
# (default 30).
# New inputs go to a scratch copy of the starting corpus, never to the
# repository. A crash leaves its reproducer under the printed artifact
# folder and makes the script exit non-zero.
set -euo pipefail

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [seconds]" >&2
  exit 2
fi

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

# TORVANE_FUZZ_JOBS limits the compile jobs on a shared machine.
cmake --preset fuzz
cmake --build --preset fuzz --target fuzz_scenario fuzz_pictures fuzz_ini fuzz_save_point -j "${TORVANE_FUZZ_JOBS:-$(nproc)}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz.XXXXXX")"
# The files the targets make go to memory where it can be had
# (TORVANE_FUZZ_TMP, else /dev/shm), as in run-long.sh: every save point
# written is synced, and on a disk the syncs take most of the time.
files="$(mktemp -d "${TORVANE_FUZZ_TMP:-/dev/shm}/torvane-fuzz-files.XXXXXX" 2>/dev/null ||
         mktemp -d "$scratch/files.XXXXXX")"
trap 'rm -rf "$scratch" "$files"' EXIT

# fuzz TARGET CORPUS SECONDS
fuzz() {
  local target=$1 corpus=$2 time=$3
  local work="$scratch/$target" artifacts
  artifacts="$(mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz-artifacts.XXXXXX")"
  mkdir -p "$work/corpus" "$files/$target"
  cp -R "fuzz/corpus/$corpus/." "$work/corpus/"
  local log="$work/fuzz.log" status=0
  # The targets write their files under TMPDIR, which goes when the script
  # ends.
  TMPDIR="$files/$target" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}" \
    "build-fuzz/fuzz/$target" "$work/corpus" \
    -max_total_time="$time" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  echo "$target:"
  # The last progress line carries execs per second and coverage.
  grep -E '^#[0-9]+' "$log" | tail -n 1 || true
  if [ "$status" -ne 0 ] || [ -n "$(find "$artifacts" -type f | head -n 1)" ]; then
    echo "$target failed (exit $status); log and reproducers in $artifacts" >&2
    cp "$log" "$artifacts/fuzz.log"
    tail -n 60 "$log" >&2
    return 1
  fi
  rmdir "$artifacts"
}

short=$(( seconds / 3 > 5 ? seconds / 3 : 5 ))
fuzz fuzz_scenario scenario "$seconds"
fuzz fuzz_pictures pictures "$short"
fuzz fuzz_ini ini "$short"
fuzz fuzz_save_point save_point "$short"
echo "no crash"
