#!/usr/bin/env bash
# What a user gets from an install, run as they would run it.
#
# The Debian package: built by scripts/make-deb.sh (which fails on a lintian
# error or an unexplained warning), without its tests, and unpacked into a
# throw-away root. Its layout and Depends, its desktop entry, metainfo, man
# pages and bash completion; the installed torvane --version and --help; the
# installed torvane-headless on the installed demo's walkthrough, with and
# without a soundfont; the installed torvane under Xvfb up to its title, with
# the media module loaded from the package and no warning.
#
# With BUILD_DIR, a tree configured with the defaults and built: the plain
# `cmake --install BUILD_DIR --prefix P` layout as well.
#
#   tests/install/install_test.sh [BUILD_DIR]
# TORVANE_DEB=FILE checks that package instead of building one.
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${1:-}

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy

# The installed torvane and torvane-headless under PREFIX: their version, the
# demo the player's help names, and the demo's walkthrough.
check_programs() {
  local prefix=$1 bindir=$2 demo=$3 version=$4
  for program in torvane torvane-headless torvane-check torvane-lsp; do
    local got
    got=$("$prefix/$bindir/$program" --version) || true
    [ "$got" = "$program $version" ] && pass "$program --version" ||
      fail "$program --version says '$got', the package is $version"
  done
  # Found relative to the program, so a moved install names its own copy.
  "$prefix/$bindir/torvane" --help | grep -qxF "  torvane $prefix/$demo" &&
    pass "torvane --help names $prefix/$demo" ||
    fail "torvane --help does not name $prefix/$demo: $("$prefix/$bindir/torvane" --help | grep '^  torvane ')"
  if "$source/tests/scenarios/run_case.sh" "$prefix/$bindir/torvane-headless" "$prefix/$demo" \
      walkthrough.txt walkthrough.expected.jsonl; then
    pass "the installed demo's walkthrough"
  else
    fail "the installed demo's walkthrough"
  fi
}

echo "== the Debian package"
if [ -n "${TORVANE_DEB:-}" ]; then
  deb=$(realpath "$TORVANE_DEB")
else
  started=$(date +%s)
  DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" "$source/scripts/make-deb.sh" "$work/out" > "$work/make-deb.log" 2>&1 ||
    { tail -50 "$work/make-deb.log"; echo "FAIL: scripts/make-deb.sh" >&2; exit 1; }
  sed -n '/^== lintian/,$p' "$work/make-deb.log"
  echo "package built and checked in $(($(date +%s) - started)) s"
  deb=$(ls "$work"/out/torvane_*.deb)
fi
version=$(dpkg-deb -f "$deb" Version)
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
root=$work/root
dpkg -x "$deb" "$root"

echo "== layout and relations"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
app=io.github.torvane.Torvane
for path in usr/games/torvane usr/games/torvane-headless usr/games/torvane-check usr/games/torvane-lsp \
    "usr/lib/$multiarch/torvane/torvane-sdl-media.so" \
    usr/share/games/torvane/demo/Sinario00.txt \
    usr/share/man/man6/torvane.6.gz usr/share/man/man6/torvane-headless.6.gz \
    usr/share/man/man6/torvane-check.6.gz usr/share/man/man6/torvane-lsp.6.gz usr/share/doc/torvane/language.md \
    usr/share/doc/torvane/copyright usr/share/doc/torvane/README.md.gz \
    usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/$app.svg \
    usr/share/icons/hicolor/64x64/apps/$app.png usr/share/icons/hicolor/256x256/apps/$app.png; do
  [ -e "$root/$path" ] || fail "missing /$path"
done
[ ! -e "$root/usr/bin" ] || fail "/usr/bin is used: $(ls "$root/usr/bin")"
for size in 64 256; do
  file "$root/usr/share/icons/hicolor/${size}x$size/apps/$app.png" | grep -q "$size x $size" ||
    fail "the ${size}x$size icon is $(file -b "$root/usr/share/icons/hicolor/${size}x$size/apps/$app.png")"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for relation in "fonts-ipafont-gothic" "timgm6mb-soundfont | fluid-soundfont-gm" "libqt6widgets6" "libsdl2-mixer-2.0-0"; do
  [[ ", $depends, " == *", $relation"[,\ ]* ]] || fail "Depends lacks $relation"
done
[[ "$(dpkg-deb -f "$deb" Suggests)" == *qt6-wayland* ]] || fail "Suggests lacks qt6-wayland"

echo "== desktop entry and metainfo"
desktop=$root/usr/share/applications/$app.desktop
desktop-file-validate "$desktop" && pass "desktop-file-validate" || fail "desktop-file-validate"
appstreamcli validate-tree --no-net "$root" && pass "appstreamcli validate-tree" || fail "appstreamcli validate-tree"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$root/usr/share/metainfo/$app.metainfo.xml" ||
  fail "the metainfo does not launch $app.desktop"
grep -qx "Icon=$app" "$desktop" || fail "the desktop entry's icon is not $app"
# The entry opens the game it is given; its demo action plays the demo.
read -r -a exec_line < <(sed -n 's/^Exec=//p' "$desktop" | head -1)
[ -x "$root${exec_line[0]}" ] || fail "the desktop entry runs ${exec_line[0]}, which the package lacks"
[ "${exec_line[1]}" = "%f" ] || fail "the desktop entry runs '${exec_line[*]}', not the program on the file it is given"
grep -qx "Actions=demo;" "$desktop" || fail "the desktop entry offers no demo action"
read -r -a demo_line < <(sed -n '/^\[Desktop Action demo\]/,$ s/^Exec=//p' "$desktop")
[ "${demo_line[0]}" = "${exec_line[0]}" ] || fail "the demo action runs ${demo_line[0]}"
[ -f "$root${demo_line[1]}/Sinario00.txt" ] || fail "the demo action plays ${demo_line[1]}, which holds no game"

echo "== man pages"
for page in torvane torvane-headless; do
  text=$(zcat "$root/usr/share/man/man6/$page.6.gz")
  if grep -q '@[A-Z_]*@' <<< "$text"; then fail "$page.6 keeps a placeholder: $(grep -o '@[A-Z_]*@' <<< "$text" | head -1)"; fi
  for section in CONTROLS FILES ENVIRONMENT; do
    grep -qx "\.SH $section" <<< "$text" || fail "$page.6 has no $section section"
  done
  for variable in SDL_AUDIODRIVER SDL_SOUNDFONTS XDG_DATA_HOME XDG_CONFIG_HOME QT_SCALE_FACTOR; do
    grep -qx "\.B $variable" <<< "$text" || fail "$page.6 does not describe $variable"
  done
  # Every file of the package a page names is where it says.
  while read -r path; do
    [ -e "$root$path" ] || fail "$page.6 names $path, which the package lacks"
  done < <(grep -oE '/usr/[^ ]*torvane[^ ]*' <<< "$text" | sort -u)
done
# The authors' tools' pages describe no controls, but name their files all the same.
for page in torvane-check torvane-lsp; do
  text=$(zcat "$root/usr/share/man/man6/$page.6.gz")
  if grep -q '@[A-Z_]*@' <<< "$text"; then fail "$page.6 keeps a placeholder"; fi
  while read -r path; do
    [ -e "$root$path" ] || fail "$page.6 names $path, which the package lacks"
  done < <(grep -oE '/usr/[^ ,]*torvane[^ ,]*' <<< "$text" | sort -u)
done

echo "== bash completion"
for program in "$root"/usr/games/*; do
  [ -f "$root/usr/share/bash-completion/completions/$(basename "$program")" ] ||
    fail "no bash completion for $(basename "$program")"
done
completions=$(bash -c '
  source "$1/usr/share/bash-completion/completions/torvane-headless"
  complete_words() {
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _torvane "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    echo "${COMPREPLY[*]}"
  }
  cd "$1/usr/share/games/torvane/demo"
  complete_words "$1/usr/games/torvane-headless" --s
  complete_words "$1/usr/games/torvane-headless" --input walk
  complete_words "$1/usr/games/torvane" --
' sh "$root")
[ "$completions" = "--save-file --strict --skip-read --screenshots
walkthrough.expected.jsonl walkthrough.txt
--author --text-out --help --version" ] && pass "bash completion" || fail "bash completion gave: $completions"

echo "== the installed programs"
check_programs "$root" usr/games usr/share/games/torvane/demo "$version"
# As without a soundfont package: the walkthrough, MIDI music included, the same.
SDL_SOUNDFONTS=$work/no-such-soundfont.sf2 "$source/tests/scenarios/run_case.sh" \
  "$root/usr/games/torvane-headless" "$root/usr/share/games/torvane/demo" walkthrough.txt walkthrough.expected.jsonl &&
  pass "the walkthrough without a soundfont" || fail "the walkthrough without a soundfont"

echo "== the installed player under Xvfb"
"$source/tests/install/installed_window.sh" "$root" && pass "the installed player's title" ||
  fail "the installed player's title"

if [ -n "$build_dir" ]; then
  echo "== cmake --install from $build_dir"
  cmake --install "$build_dir" --prefix "$work/plain" > /dev/null
  [ -e "$work/plain/lib/torvane/torvane-sdl-media.so" ] || [ -e "$work/plain/lib/$multiarch/torvane/torvane-sdl-media.so" ] ||
    fail "the plain install has no media module"
  check_programs "$work/plain" bin share/torvane/games/demo "$version"
fi

[ "$failures" -eq 0 ] || { echo "$failures install checks failed" >&2; exit 1; }
echo "all install checks passed"
