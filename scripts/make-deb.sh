#!/usr/bin/env bash
# Builds the Debian package torvane_VERSION_ARCH.deb from this tree, as
# `dpkg-buildpackage -us -uc -b` does on a clean checkout, and checks it
# with lintian: an error, or a warning that debian/torvane.lintian-overrides
# does not explain, fails the build. Installs the build tools first.
#   scripts/make-deb.sh [OUT_DIR]     (default: build-deb/)
# DEB_BUILD_OPTIONS is honoured; "nocheck" skips building and running the
# tests, and the build uses every core unless it names "parallel=N".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build-deb}" && cd "${1:-$root/build-deb}" && pwd)
"$root/scripts/install-deps.sh"

# dpkg-buildpackage builds in the tree and writes beside it, so it works on
# a copy: the files git tracks or would add, as a clean checkout has them.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
tree=$scratch/torvane-$version
mkdir "$tree"
if git -C "$root" rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
    tar --null --files-from=- -cf -) | tar -xf - -C "$tree"
else
  tar -C "$root" --exclude='./build*' --exclude='./obj-*' -cf - . | tar -xf - -C "$tree"
fi

options=${DEB_BUILD_OPTIONS:-}
[[ " $options " == *" parallel="* ]] || options="$options parallel=$(nproc)"
(cd "$tree" && DEB_BUILD_OPTIONS=${options# } dpkg-buildpackage -us -uc -b)

changes=$(ls "$scratch"/torvane_"$version"_*.changes)
echo "== lintian"
# lintian leaves temporary folders behind: in the scratch folder, they go with it.
TMPDIR=$scratch lintian --display-info --fail-on error,warning "$changes"

rm -f "$out"/torvane*_"$version"_*
mv "$scratch"/*.deb "$scratch"/*.buildinfo "$changes" "$out"/
ls "$out"/torvane_"$version"_*.deb
