#!/usr/bin/env bash
# Configures and builds one preset (default: "default"), installing what is
# missing first.
#   scripts/build.sh [PRESET]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-default}
"$root/scripts/install-deps.sh"
cd "$root"
cmake --preset "$preset" > /dev/null
cmake --build --preset "$preset" -j "$(nproc)"
