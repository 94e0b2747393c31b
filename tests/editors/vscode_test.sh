#!/usr/bin/env bash
# The VS Code extension as authors get it: packaged into a .vsix that holds
# what VS Code loads and none of the tools, and its grammar tested on the
# demo's scenarios. Exits 77 (skipped) where npm is not installed.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
ext="$root/editors/vscode"
if ! command -v npm >/dev/null || ! command -v node >/dev/null; then
  echo "npm is not installed: the extension is not built"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! vsix=$("$root/scripts/build-vsix.sh" 2>"$work/build.err"); then
  cat "$work/build.err"
  echo "FAIL: scripts/build-vsix.sh"
  exit 1
fi
version=$(sed -n 's/^project(torvane VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ "$vsix" = "$ext/torvane-scenario-$version.vsix" ] || fail "the package is $vsix"
unzip -Z1 "$vsix" >"$work/contents" 2>/dev/null || fail "$vsix is no zip archive"
for file in package.json extension.js lib/game.js language-configuration.json \
  syntaxes/torvane-scenario.tmLanguage.json node_modules/vscode-languageclient/node.js; do
  grep -qx "extension/$file" "$work/contents" || fail "the package lacks $file"
done
if grep -E '^extension/(test/|node_modules/(@vscode/vsce|vscode-tmgrammar-test)/)' "$work/contents" >"$work/extra"; then
  fail "the package holds tools or tests: $(head -3 "$work/extra" | tr '\n' ' ')"
fi

# The syntax tests are excerpts of the demo's scenarios: each must still be
# a run of lines of the file it is named after.
for name in Sinario00.txt Sinario01.txt; do
  iconv -f CP932 -t UTF-8 "$root/games/demo/$name" | tr -d '\r' >"$work/$name" || fail "$name is not CP932"
done
for excerpt in "$ext"/test/Sinario*.syntax.txt; do
  base=$(basename "$excerpt")
  name="${base%%[-.]*}.txt"
  grep -v '^//' "$excerpt" >"$work/lines"
  count=$(wc -l <"$work/lines")
  found=
  for start in $(grep -nxF -- "$(head -1 "$work/lines")" "$work/$name" | cut -d: -f1); do
    if sed -n "${start},$((start + count - 1))p" "$work/$name" | cmp -s - "$work/lines"; then
      found=$start
      break
    fi
  done
  [ -n "$found" ] || fail "$base is no longer a run of lines of the demo's $name"
done

cd "$ext"
npx --no-install vscode-tmgrammar-test --compact 'test/*.syntax.txt' >"$work/syntax" 2>&1 ||
  { cat "$work/syntax"; fail "the syntax tests"; }
node --test test/*.test.js >"$work/node" 2>&1 || { cat "$work/node"; fail "the grammar's tests over whole games"; }

[ "$failures" -eq 0 ] || exit 1
echo "the extension packages as $(basename "$vsix"), and its grammar passes"
