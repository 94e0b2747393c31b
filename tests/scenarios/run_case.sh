#!/usr/bin/env bash
# Plays one end-to-end case and compares its transcript with the expected one.
#   run_case.sh HEADLESS CASE_DIR [--update] [INPUT EXPECTED]
# A case folder is the game itself (Sinario00.txt and whatever it names), with
#   input.txt       the player's actions
#   expected.jsonl  the transcript they must produce
#   args            optional: further options for the runner, on one line
#   status          optional: the expected exit status (default 0)
#   save.ini        optional: the save point the run starts from
# --update writes the transcript as the new expectation instead; read the
# diff before committing it.
set -euo pipefail
headless=$1
case_dir=$2
mode=check
if [ "${3:-}" = "--update" ]; then mode=--update; shift; fi
input=$case_dir/${3:-input.txt}
expected=$case_dir/${4:-expected.jsonl}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
[ -f "$case_dir/save.ini" ] && cp "$case_dir/save.ini" "$scratch/save.ini"

extra=()
[ -f "$case_dir/args" ] && read -r -a extra < "$case_dir/args"
expected_status=0
[ -f "$case_dir/status" ] && expected_status=$(tr -d '[:space:]' < "$case_dir/status")

status=0
"$headless" --input "$input" --transcript "$scratch/transcript.jsonl" \
  --save-file "$scratch/save.ini" "${extra[@]}" "$case_dir" 2> "$scratch/stderr" || status=$?

if [ "$mode" = "--update" ]; then
  cp "$scratch/transcript.jsonl" "$expected"
  [ "$status" -eq 0 ] && rm -f "$case_dir/status" || echo "$status" > "$case_dir/status"
  echo "updated $(basename "$case_dir") (exit status $status)"
  exit 0
fi

failed=0
if [ "$status" -ne "$expected_status" ]; then
  echo "exit status $status, expected $expected_status"
  cat "$scratch/stderr"
  failed=1
fi
if ! diff -u "$expected" "$scratch/transcript.jsonl"; then
  failed=1
fi
exit $failed
