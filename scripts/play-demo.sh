#!/usr/bin/env bash
# Sets up what is missing, builds, and plays the bundled demo game in the
# window. Without a display it says so and plays the demo's walkthrough
# headless instead, printing the transcript.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" default
demo=$root/games/demo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$root/build/src/torvane" "$demo"
fi
echo "No display: playing the demo's walkthrough headless instead." >&2
exec "$root/build/src/torvane-headless" --input "$demo/walkthrough.txt" \
  --save-file "$(mktemp -d)/Kesmar.ini" "$demo"
