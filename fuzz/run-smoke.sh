#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes the scenario loader and engine for a
# while: ./fuzz/run-smoke.sh [seconds]  (default 30).
# New inputs go to a scratch copy of the seed corpus, never to the
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

# The machine is shared: one compile job unless told otherwise.
cmake --preset fuzz
cmake --build --preset fuzz --target fuzz_scenario -j "${TORVANE_FUZZ_JOBS:-1}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz.XXXXXX")"
artifacts="$(mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz-artifacts.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/corpus" "$scratch/tmp"
cp -R fuzz/corpus/scenario/. "$scratch/corpus/"
log="$scratch/fuzz.log"

# The target writes its game files under TMPDIR; the scratch folder keeps
# them out of the way and goes when the script ends.
status=0
TMPDIR="$scratch/tmp" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}" \
  build-fuzz/fuzz/fuzz_scenario "$scratch/corpus" \
  -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?

# The last progress line carries execs per second and coverage.
grep -E '^#[0-9]+' "$log" | tail -n 1 || true
grep -E '^stat::' "$log" || true

found="$(find "$artifacts" -type f | head -n 20)"
if [ "$status" -ne 0 ] || [ -n "$found" ]; then
  echo "fuzz_scenario failed (exit $status); log and reproducers in $artifacts" >&2
  cp "$log" "$artifacts/fuzz.log"
  tail -n 60 "$log" >&2
  exit 1
fi
rmdir "$artifacts"
echo "no crash in ${seconds}s"
