#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 (minbase) with apt, from
# Debian's packages only, and uses it there as a new user would: the version,
# a frame, the show for a few seconds under Xvfb, the manual page.
#
#   tests/package/package_test.sh DEB [CACHE_DIR]
#
# Needs root and debootstrap; without them it says so and exits 77 (skipped).
# The bare Debian root is kept as a tarball in CACHE_DIR (default
# build/package-root) so that a second run only unpacks it; every run
# installs into a new copy.
set -euo pipefail
deb=$(realpath "${1:?usage: package_test.sh DEB [CACHE_DIR]}")
cache=$(realpath -m "${2:-build/package-root}")
skip() { echo "package test: skipped: $*"; exit 77; }
fail() { echo "package test: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || skip "installing into a Debian root needs root"
command -v debootstrap > /dev/null || skip "debootstrap is not installed (apt-get install debootstrap)"
[ -f "$deb" ] || fail "no package at $deb"

# The Debian mirror and suites this machine's apt uses, so the root gets the
# same versions the package was built against (security updates included).
sources=/etc/apt/sources.list.d/debian.sources
mirror=""
if [ -f "$sources" ]; then
  mirror=$(sed -n 's/^URIs: *\(\S*\/debian\)\/*$/\1/p' "$sources" | head -n1)
fi

started=$(date +%s)
mkdir -p "$cache"
base=$cache/bookworm-minbase.tar
if [ ! -f "$base" ]; then
  fresh=$(mktemp -d "$cache/debootstrap.XXXXXX")
  echo "package test: making a Debian 12 minbase root (once; kept in $base)"
  debootstrap --variant=minbase bookworm "$fresh" ${mirror:+"$mirror"} > "$cache/debootstrap.log" 2>&1 ||
    { tail -n 20 "$cache/debootstrap.log" >&2; rm -rf "$fresh"; fail "debootstrap failed"; }
  tar -C "$fresh" -cf "$base.part" . && mv "$base.part" "$base"
  rm -rf "$fresh"
fi

root=$(mktemp -d "$cache/root.XXXXXX")
mounted=()
cleanup() {
  local m
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    m=${mounted[i]}
    umount "$m" 2> /dev/null || umount -l "$m" 2> /dev/null || true
  done
  # Never through a mount that is still there: it would be the host's own.
  if grep -q " $root/" /proc/mounts; then
    echo "package test: $root still has mounts; left in place" >&2
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
tar -C "$root" -xf "$base"
for fs in proc sys dev dev/pts; do
  mkdir -p "$root/$fs"
  mount --bind "/$fs" "$root/$fs"
  mounted+=("$root/$fs")
done
if [ -f "$sources" ]; then
  rm -f "$root/etc/apt/sources.list"
  cp "$sources" "$root/etc/apt/sources.list.d/debian.sources"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf" 2> /dev/null || true
cp "$deb" "$root/tmp/invited.deb"

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "package test: installing $(basename "$deb") with apt"
in_root sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./tmp/invited.deb' \
  > "$cache/apt.log" 2>&1 || { tail -n 30 "$cache/apt.log" >&2; fail "apt could not install the package"; }
# The test's own tools, after the package: they must not bring what the package forgot.
in_root sh -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xvfb xauth man-db' \
  >> "$cache/apt.log" 2>&1 || { tail -n 30 "$cache/apt.log" >&2; fail "apt could not install Xvfb and man"; }

in_root invited --version | grep -q '^invited 1' || fail "invited --version"
# An organiser's show file, with a Greek town: the installed fonts must have it.
printf 'party = "Ada\x27s party"\ntown = "Αθήνα"\n' > "$root/tmp/show.toml"
[ "$(in_root invited --check /tmp/show.toml)" = ok ] || fail "invited --check"
in_root invited-render frame --at 10 --size 320x180 /tmp/frame.png ||
  fail "invited-render frame"
[ "$(head -c 8 "$root/tmp/frame.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "invited-render frame wrote no PNG"

# The show for a few seconds: clicked by nobody, it stands on its start
# screen, which is enough to show that the window, the driver and the track
# all load. Still running after 4 s means it started.
cat > "$root/tmp/show.sh" << 'EOF'
set -u
Xvfb :91 -screen 0 640x360x24 -nolisten tcp 2> /dev/null &
server=$!
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X91 ] && break; sleep 0.1; done
DISPLAY=:91 SDL_AUDIODRIVER=dummy invited 2> /tmp/show.err &
show=$!
sleep 4
status=running
kill -0 "$show" 2> /dev/null || { wait "$show"; status="ended with status $?"; }
kill "$show" 2> /dev/null
wait "$show" 2> /dev/null
kill "$server"
echo "$status"
EOF
said=$(in_root sh /tmp/show.sh)
[ "$said" = running ] || fail "the show under Xvfb $said: $(cat "$root/tmp/show.err")"

in_root sh -c 'MANWIDTH=80 man invited 2> /dev/null' | grep -q SYNOPSIS || fail "man invited shows no page"
# A library that goes missing after the install is named in one line with
# the package that brings it, not met with an abort.
egl=$(in_root sh -c 'readlink -f "$(ldconfig -p | sed -n "s/.*libEGL.so.1 (libc6,x86-64) => //p" | head -n1)"')
mv "$root$egl" "$root$egl.away"
status=0
in_root invited-render frame --at 10 --size 320x180 /tmp/frame2.png 2> "$root/tmp/render.err" || status=$?
mv "$root$egl.away" "$root$egl"
[ "$status" = 1 ] && [ "$(wc -l < "$root/tmp/render.err")" = 1 ] &&
  grep -q '^invited-render: .*libEGL.so.1 (package libegl1)' "$root/tmp/render.err" ||
  fail "without libEGL, invited-render ended with status $status: $(cat "$root/tmp/render.err")"

echo "package test: the package installs and runs on a fresh Debian 12 ($(($(date +%s) - started)) s)"
