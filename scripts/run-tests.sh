#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the unit and
# end-to-end tests, the same again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Debian package and the plain install
# checked as installed, and a short fuzzing run.
#   scripts/run-tests.sh [FUZZ_SECONDS]   (default 30; 0 skips fuzzing)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${1:-30}
cd "$root"

echo "== build and test"
scripts/build.sh default
ctest --preset default -j "$(nproc)"

echo "== build and test under the sanitizers"
scripts/build.sh sanitize
ctest --preset sanitize -j "$(nproc)"

echo "== the Debian package and the plain install, installed"
tests/install/install_test.sh build

if [ "$fuzz_seconds" -gt 0 ]; then
  echo "== fuzzing for ${fuzz_seconds}s"
  fuzz/run-smoke.sh "$fuzz_seconds"
fi
echo "== all tests passed"
