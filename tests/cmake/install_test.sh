#!/bin/sh
# Installs the build to a fresh prefix and uses the installed copy as a user
# would: it must find its own resources there, and its desktop files must pass
# the desktop's own validators.
#   install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > /dev/null

# The same frame from the installed copy and from the build tree. Run from the
# prefix, where the build tree's resource folder is out of reach.
cd "$prefix"
"$prefix/bin/invited-render" frame --at 38 --size 320x180 --seed 7 installed.png
"$build/bin/invited-render" frame --at 38 --size 320x180 --seed 7 built.png
cmp -s installed.png built.png || fail "the installed invited-render draws another frame"
"$prefix/bin/invited" --version | grep -q '^invited ' || fail "invited --version"

share=$prefix/share
for font in Inter-Regular.otf Inter-Bold.otf InterDisplay-Black.otf; do
  [ -L "$share/invited/$font" ] || fail "$font is not a link to the system's face"
done
desktop-file-validate "$share/applications/org.invited.Invited.desktop"
appstreamcli validate --no-net "$share/metainfo/org.invited.Invited.metainfo.xml" > /dev/null ||
  appstreamcli validate --no-net "$share/metainfo/org.invited.Invited.metainfo.xml"
for size in 48 128 256; do
  icon=$share/icons/hicolor/${size}x${size}/apps/org.invited.Invited.png
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ' | sed 's/^ //')
  want=$(printf '0 0 %d %d 0 0 %d %d' $((size / 256)) $((size % 256)) $((size / 256)) $((size % 256)))
  [ "$dims" = "$want" ] || fail "$icon is not $size x $size (IHDR: $dims)"
done
for page in invited invited-render; do
  warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/$page.1" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
  MANWIDTH=80 man -l "$share/man/man1/$page.1" | grep -q "^SYNOPSIS" || fail "man $page renders no SYNOPSIS"
done
echo "install test: the installed copy works"
