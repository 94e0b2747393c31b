#!/usr/bin/env bash
# Packages the VS Code extension as editors/vscode/torvane-scenario-VERSION.vsix,
# VERSION being the project's. Installs the npm tools it needs into
# editors/vscode/node_modules first, from package-lock.json; once they are
# there, nothing is fetched again until the lock file changes.
#   scripts/build-vsix.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ext="$root/editors/vscode"

command -v npm >/dev/null || { echo "build-vsix.sh: npm is needed (apt-get install npm)" >&2; exit 1; }

version=$(sed -n 's/^project(torvane VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "build-vsix.sh: no project version in CMakeLists.txt" >&2; exit 1; }
cd "$ext"
manifest=$(node -p "require('./package.json').version")
if [ "$manifest" != "$version" ]; then
  echo "build-vsix.sh: editors/vscode/package.json has version $manifest, the project $version" >&2
  exit 1
fi

stamp=node_modules/.installed-from-package-lock.json
if ! cmp -s package-lock.json "$stamp"; then
  npm ci --prefer-offline --no-audit --no-fund --loglevel=error >&2
  cp package-lock.json "$stamp"
fi

vsix="torvane-scenario-$version.vsix"
rm -f "$vsix"
# No LICENSE or repository yet: without these flags vsce stops to ask.
npx --no-install vsce package --skip-license --allow-missing-repository --out "$vsix" >/dev/null
echo "$ext/$vsix"
