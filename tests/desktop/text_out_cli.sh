#!/usr/bin/env bash
# torvane --text-out as a program: a file it cannot write is refused with
# the reason and status 2 before any window, as a wrong game path is.
set -u
torvane=$1
demo=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$torvane" --text-out "$out/missing/text.txt" "$demo" 2>"$out/err"
[ $? -eq 2 ] || fail "an unwritable file: status not 2"
grep -qx "torvane: cannot write the text out: $out/missing/text.txt: No such file or directory" "$out/err" ||
  fail "an unwritable file: $(cat "$out/err")"

"$torvane" --text-out 2>"$out/err"
[ $? -eq 2 ] || fail "no FILE: status not 2"
grep -q "needs a FILE" "$out/err" || fail "no FILE: $(cat "$out/err")"

# The game path is judged before the file is made.
env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$torvane" --text-out "$out/made.txt" "$out/no-game" 2>/dev/null
[ $? -eq 2 ] || fail "a wrong game path: status not 2"
[ ! -e "$out/made.txt" ] || fail "a wrong game path still made the file"

"$torvane" --help | grep -q -- "--text-out FILE" || fail "--help does not name --text-out"
echo ok
