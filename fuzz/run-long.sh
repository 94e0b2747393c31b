#!/usr/bin/env bash
# A fuzzing campaign: builds the fuzz preset and runs every target (or the
# ones named) for a number of executions each, one after another:
#   ./fuzz/run-long.sh [executions] [target...]   (default 10000000, all)
# Each target starts from its seed corpus in fuzz/corpus/; what it finds goes
# to a scratch copy, kept when TORVANE_FUZZ_KEEP names a folder for it. The
# closing table gives executions, executions a second, coverage (edges and
# features) and the time each took. A crash leaves its reproducer under the
# printed artifact folder and makes the script exit non-zero.
set -euo pipefail

runs="${1:-10000000}"
if ! [[ "$runs" =~ ^[0-9]+$ ]] || [ "$runs" -lt 1 ]; then
  echo "usage: $0 [executions] [target...]" >&2
  exit 2
fi
shift || true

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
source fuzz/common.sh

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${fuzz_targets[@]}")
for target in "${targets[@]}"; do
  if [ -z "${corpus_of[$target]:-}" ]; then
    echo "unknown target $target (one of: ${fuzz_targets[*]})" >&2
    exit 2
  fi
done

build_targets "${targets[@]}"
scratch="$(make_scratch)"
trap 'rm -rf "$scratch"' EXIT
summary="$scratch/summary"
printf '%-16s %12s %8s %8s %8s %8s\n' target executions exec/s cov ft seconds >"$summary"

failed=0
for target in "${targets[@]}"; do
  echo "$target: $runs executions" >&2
  start=$(date +%s)
  run_target "$target" "$scratch" -runs="$runs" || failed=1
  seconds=$(( $(date +%s) - start ))
  last="$(grep -E '^#[0-9]+' "$fuzz_log" | tail -n 1 || true)"
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$fuzz_log")"
  speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$fuzz_log")"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
  printf '%-16s %12s %8s %8s %8s %8s\n' "$target" "${executions:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" \
    "$seconds" >>"$summary"
  if [ -n "${TORVANE_FUZZ_KEEP:-}" ]; then
    mkdir -p "$TORVANE_FUZZ_KEEP/$target"
    cp -R "$fuzz_corpus/." "$TORVANE_FUZZ_KEEP/$target/"
  fi
  rm -rf "$scratch/$target"
done

cat "$summary"
[ "$failed" -eq 0 ] && echo "no crash"
exit "$failed"
