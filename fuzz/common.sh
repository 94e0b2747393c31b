# What the fuzz scripts share: the targets, their seed corpora and input
# limits, and how one target is run. Sourced by run-smoke.sh and
# run-long.sh from the repository's root.

fuzz_targets=(fuzz_scenario fuzz_pictures fuzz_ini fuzz_save_point)
declare -A corpus_of=(
  [fuzz_scenario]=scenario [fuzz_pictures]=pictures [fuzz_ini]=ini [fuzz_save_point]=save_point
)
# The longest input each target is given (make-corpus.py reads these too).
# A save point holds a few short lines; 8 KB still leaves room for a value
# past the 2047 bytes a read keeps and for the 4096-byte first line the INI
# target saves, where longer files only made each execution slower.
declare -A max_len_of=(
  [fuzz_scenario]=65536 [fuzz_pictures]=65536 [fuzz_ini]=8192 [fuzz_save_point]=8192
)

# build_targets TARGET...
build_targets() {
  # TORVANE_FUZZ_JOBS limits the compile jobs on a shared machine.
  cmake --preset fuzz
  cmake --build --preset fuzz --target "$@" -j "${TORVANE_FUZZ_JOBS:-$(nproc)}"
}

# make_scratch: a new folder for the corpora and the files the targets make,
# in memory where it can be had (TORVANE_FUZZ_TMP, else /dev/shm): every
# unit the fuzzer keeps is a file, and every save point written is synced.
make_scratch() {
  mktemp -d "${TORVANE_FUZZ_TMP:-/dev/shm}/torvane-fuzz.XXXXXX" 2>/dev/null ||
    mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz.XXXXXX"
}

# run_target TARGET SCRATCH LIBFUZZER-OPTION...: fuzzes TARGET from a copy of
# its seed corpus under SCRATCH, never the repository's. Sets fuzz_log and
# fuzz_corpus. A crash leaves the log and its reproducer under a folder in
# TMPDIR, which outlives the scratch, and returns non-zero.
run_target() {
  local target=$1 scratch=$2
  shift 2
  local work="$scratch/$target" artifacts status=0
  artifacts="$(mktemp -d "${TMPDIR:-/tmp}/torvane-fuzz-artifacts.XXXXXX")"
  fuzz_log="$work/fuzz.log"
  fuzz_corpus="$work/corpus"
  mkdir -p "$fuzz_corpus" "$work/files"
  cp -R "fuzz/corpus/${corpus_of[$target]}/." "$fuzz_corpus/"
  # The targets write their files under TMPDIR.
  TMPDIR="$work/files" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}" \
    "build-fuzz/fuzz/$target" "$fuzz_corpus" "$@" -max_len="${max_len_of[$target]}" \
    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$fuzz_log" 2>&1 ||
    status=$?
  if [ "$status" -ne 0 ] || [ -n "$(find "$artifacts" -type f | head -n 1)" ]; then
    echo "$target failed (exit $status); log and reproducers in $artifacts" >&2
    cp "$fuzz_log" "$artifacts/fuzz.log"
    tail -n 60 "$fuzz_log" >&2
    return 1
  fi
  rmdir "$artifacts"
}
