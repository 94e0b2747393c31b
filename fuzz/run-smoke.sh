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
source fuzz/common.sh

build_targets "${fuzz_targets[@]}"
scratch="$(make_scratch)"
trap 'rm -rf "$scratch"' EXIT

# fuzz TARGET SECONDS
fuzz() {
  run_target "$1" "$scratch" -max_total_time="$2" || return 1
  echo "$1:"
  # The last progress line carries execs per second and coverage.
  grep -E '^#[0-9]+' "$fuzz_log" | tail -n 1 || true
}

short=$(( seconds / 3 > 5 ? seconds / 3 : 5 ))
fuzz fuzz_scenario "$seconds"
fuzz fuzz_pictures "$short"
fuzz fuzz_ini "$short"
fuzz fuzz_save_point "$short"
echo "no crash"
