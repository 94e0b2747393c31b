#!/usr/bin/env bash
# torvane-check as authors and CI run it: exit statuses, the compiler-style
# lines, JSON, usage errors, and the bundled demo explored clean.
set -u
check="$1"
demo="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect_status() {  # expected, then the command
  local expected=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local status=$?
  [ "$status" -eq "$expected" ] || fail "$* exited $status, not $expected: $(cat "$work/out" "$work/err" | head -5)"
}

expect_status 0 "$check" "$demo"
[ -s "$work/out" ] && fail "the demo has findings: $(cat "$work/out")"
expect_status 0 "$check" --explore "$demo"
grep -q "^Start: an ending can be reached$" "$work/out" || fail "the demo's Start reaches no ending"
grep -q "^Continue with Sinario01.txt: an ending can be reached$" "$work/out" ||
  fail "the demo's save point cannot be finished: $(cat "$work/out")"
expect_status 0 "$check" --explore --walkthroughs "$work/walk" "$demo"
ls "$work/walk"/ending-*.txt >/dev/null 2>&1 || fail "no walkthrough was written"

expect_status 2 "$check" "$work/no-such-folder"
expect_status 2 "$check" --frobnicate "$demo"
expect_status 2 "$check" --format=xml "$demo"
expect_status 2 "$check" --walkthroughs "$work/w" "$demo"

mkdir "$work/game"
printf '@STE\r\n@TXY 0\r\n' >"$work/game/Sinario00.txt"
expect_status 1 "$check" "$work/game"
grep -qx "$work/game/Sinario00.txt:2:1: error: '@TXY' is no command: the game stops on this line \[not-a-command\]" \
  "$work/out" || fail "unexpected text output: $(cat "$work/out")"
expect_status 1 "$check" --format=json "$work/game"
python3 -c '
import json, sys
found = json.load(open(sys.argv[1]))
assert [(f["line"], f["column"], f["severity"], f["check"]) for f in found] == [(2, 1, "error", "not-a-command")], found
' "$work/out" || fail "unexpected JSON output: $(cat "$work/out")"
expect_status 0 "$check" --no-warn=not-a-command "$work/game"
expect_status 1 "$check" --no-warn=all --warn=not-a-command "$work/game"

[ "$failures" -eq 0 ] || exit 1
echo "torvane-check: all cases pass"
