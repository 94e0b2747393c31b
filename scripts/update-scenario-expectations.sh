#!/usr/bin/env bash
# Rewrites the expected transcripts of end-to-end cases from what the
# runner now produces. Review `git diff` before committing.
#   scripts/update-scenario-expectations.sh [CASE_NAME ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
headless=$root/build/src/torvane-headless
cases=("$@")
[ ${#cases[@]} -gt 0 ] || mapfile -t cases < <(cd "$root/tests/scenarios" && for d in */; do [ -f "$d/input.txt" ] && echo "${d%/}"; done)
for name in "${cases[@]}"; do
  "$root/tests/scenarios/run_case.sh" "$headless" "$root/tests/scenarios/$name" --update
done
