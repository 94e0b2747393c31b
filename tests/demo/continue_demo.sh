#!/usr/bin/env bash
# The demo played to the door in one run, then continued from the save
# point that run wrote, in a fresh run, to the ending.
#   continue_demo.sh HEADLESS GAME_DIR [--update]
# --update writes the continued run's transcript as the new expectation.
set -uo pipefail
headless=$1
game=$2
here=$(cd "$(dirname "$0")" && pwd)
expected=$here/chapter-two.expected.jsonl
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

status=0
"$headless" --strict --input "$here/to-the-door.txt" --save-file "$scratch/save.ini" \
  --transcript "$scratch/door.jsonl" "$game" 2> "$scratch/stderr" || status=$?
if [ "$status" -ne 0 ]; then echo "the run to the door: exit status $status"; cat "$scratch/stderr"; exit 1; fi
if ! grep -qF '"ev":"save","next":"Sinario01.txt"' "$scratch/door.jsonl" || [ ! -s "$scratch/save.ini" ]; then
  echo "the run to the door wrote no save point for chapter two"; exit 1
fi

status=0
"$headless" --strict --input "$here/chapter-two.txt" --save-file "$scratch/save.ini" \
  --transcript "$scratch/continued.jsonl" "$game" 2> "$scratch/stderr" || status=$?
if [ "${3:-}" = "--update" ]; then
  cp "$scratch/continued.jsonl" "$expected"
  echo "updated $(basename "$expected") (exit status $status)"
  exit 0
fi
if [ "$status" -ne 0 ]; then echo "the continued run: exit status $status"; cat "$scratch/stderr"; failed=1; fi
# The ending box, whatever else the expectation says.
if ! grep -qF '"ev":"box","caption":"ゲームオーバー"' "$scratch/continued.jsonl"; then
  echo "the continued run never reached the ending"; failed=1
fi
diff -u "$expected" "$scratch/continued.jsonl" || failed=1
exit $failed
