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

declare -A corpus_of=(
  [fuzz_scenario]=scenario [fuzz_pictures]=pictures [fuzz_ini]=ini [fuzz_save_point]=save_point
)
# The longest input each target is given. A save point holds a few short
# lines; 8 KB still leaves room for a value past the 2047 bytes a read keeps
# and for the 4096-byte first line the INI target saves, where longer files
# only made each execution slower.
declare -A max_len_of=(
  [fuzz_scenario]=65536 [fuzz_pictures]=65536 [fuzz_ini]=8192 [fuzz_save_point]=8192
)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_scenario fuzz_pictures fuzz_ini fuzz_save_point)
for target in "${targets[@]}"; do
  if [ -z "${corpus_of[$target]:-}" ]; then
    echo "unknown target $target (one of: ${!corpus_of[*]})" >&2
    exit 2
  fi
done

# TORVANE_FUZZ_JOBS limits the compile jobs on a shared machine.
cmake --preset fuzz
cmake --build --preset fuzz --target "${targets[@]}" -j "${TORVANE_FUZZ_JOBS:-$(nproc)}"

# The corpora and the files the targets make go to memory where it can be
# had (TORVANE_FUZZ_TMP, else /dev/shm): the save point's target runs more
# than twice as fast there as on a disk, and every new unit the fuzzer keeps
# is a file. Reproducers of crashes go to TMPDIR, which outlives a reboot.
scratch="$(mktemp -d "${TORVANE_FUZZ_TMP:-/dev/shm}/torvane-fuzz-long.XXXXXX" 2>/dev/null ||
           mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz-long.XXXXXX")"
files="$scratch/files"
trap 'rm -rf "$scratch"' EXIT
summary="$scratch/summary"
printf '%-16s %12s %8s %8s %8s %8s\n' target executions exec/s cov ft seconds >"$summary"

failed=0
for target in "${targets[@]}"; do
  work="$scratch/$target"
  artifacts="$(mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz-artifacts.XXXXXX")"
  mkdir -p "$work/corpus" "$files/$target"
  cp -R "fuzz/corpus/${corpus_of[$target]}/." "$work/corpus/"
  log="$work/fuzz.log"
  status=0
  start=$(date +%s)
  echo "$target: $runs executions" >&2
  # The targets write their files under TMPDIR.
  TMPDIR="$files/$target" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}" \
    "build-fuzz/fuzz/$target" "$work/corpus" \
    -runs="$runs" -max_len="${max_len_of[$target]}" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  seconds=$(( $(date +%s) - start ))
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)"
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
  printf '%-16s %12s %8s %8s %8s %8s\n' "$target" "${executions:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" \
    "$seconds" >>"$summary"
  if [ "$status" -ne 0 ] || [ -n "$(find "$artifacts" -type f | head -n 1)" ]; then
    echo "$target failed (exit $status); log and reproducers in $artifacts" >&2
    cp "$log" "$artifacts/fuzz.log"
    tail -n 60 "$log" >&2
    failed=1
  else
    rmdir "$artifacts"
  fi
  if [ -n "${TORVANE_FUZZ_KEEP:-}" ]; then
    mkdir -p "$TORVANE_FUZZ_KEEP/$target"
    cp -R "$work/corpus/." "$TORVANE_FUZZ_KEEP/$target/"
  fi
  rm -rf "$work"
done

cat "$summary"
[ "$failed" -eq 0 ] && echo "no crash"
exit "$failed"
