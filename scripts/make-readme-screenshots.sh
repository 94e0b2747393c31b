#!/usr/bin/env bash
# Remakes the README's screenshots of the demo game from its walkthrough,
# painted by the same code as the window (torvane-headless --screenshots).
# Run after changing the demo, the assets or the painting; needs a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
"$root/build/src/torvane-headless" --screenshots "$shots" --input "$root/games/demo/walkthrough.txt" \
  --save-file "$shots/Kesmar.ini" --transcript /dev/null "$root/games/demo"
out=$root/docs/screenshots
mkdir -p "$out"
# The waits of the walkthrough worth showing, by their number.
cp "$shots/0001-title.png" "$out/title.png"
cp "$shots/0002-click.png" "$out/scene-and-message.png"
cp "$shots/0003-choice.png" "$out/command-menu.png"
cp "$shots/0021-items.png" "$out/item-dialog.png"
cp "$shots/0026-click.png" "$out/lighthouse.png"
cp "$shots/0039-box.png" "$out/narration.png"
# One at 2x, from the window test that plays the walkthrough scaled.
QT_QPA_PLATFORM="offscreen:configfile=$root/tests/ui/qt/offscreen-screen.json" \
  "$root/build/tests/ui/qt/torvane_qt_tests" --gtest_filter=SameGameTest.* >/dev/null
cp "$root/build/tests/ui/qt/artifacts/demo-2x.png" "$out/beach-2x.png"
echo "screenshots written to $out"
