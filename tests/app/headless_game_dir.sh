#!/usr/bin/env bash
# A GAME_DIR that is missing or is a file is a usage error: exit status 2,
# a message naming it on standard error, and no transcript written at all.
#   headless_game_dir.sh HEADLESS
set -uo pipefail
headless=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/a-file"
failed=0

expect_usage_error() {
  local dir=$1 why=$2
  local status=0
  "$headless" --transcript "$scratch/transcript.jsonl" "$dir" > "$scratch/stdout" 2> "$scratch/stderr" || status=$?
  if [ "$status" -ne 2 ]; then echo "$dir: exit status $status, expected 2"; failed=1; fi
  if ! grep -qF "'$dir' $why" "$scratch/stderr"; then
    echo "$dir: standard error does not say it $why:"; cat "$scratch/stderr"; failed=1
  fi
  if [ -e "$scratch/transcript.jsonl" ] || [ -s "$scratch/stdout" ]; then
    echo "$dir: a transcript was written"; failed=1
  fi
  rm -f "$scratch/transcript.jsonl"
  # Without --transcript the transcript would go to standard output.
  "$headless" "$dir" > "$scratch/stdout" 2> /dev/null
  if [ -s "$scratch/stdout" ]; then echo "$dir: a transcript went to standard output"; failed=1; fi
}

expect_usage_error "$scratch/no-such-game" "does not exist"
expect_usage_error "$scratch/a-file" "is not a folder"

# The check does not refuse a real folder, with or without a scenario in it.
mkdir "$scratch/empty-game"
status=0
"$headless" --transcript "$scratch/transcript.jsonl" "$scratch/empty-game" 2> "$scratch/stderr" || status=$?
if [ "$status" -ne 0 ] || ! grep -q '"ev":"title"' "$scratch/transcript.jsonl"; then
  echo "an existing folder was refused (exit status $status)"; cat "$scratch/stderr"; failed=1
fi
exit $failed
