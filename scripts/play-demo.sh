#!/usr/bin/env bash
# Sets up what is missing, builds, and plays the bundled demo game. Until the
# desktop window exists, the demo's walkthrough plays headless and its
# transcript is printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" default
demo=$root/games/demo
exec "$root/build/src/torvane-headless" --input "$demo/walkthrough.txt" \
  --save-file "$(mktemp -d)/Kesmar.ini" "$demo"
