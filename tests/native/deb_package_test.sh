#!/usr/bin/env bash
# The Debian package of the Linux tools, made from this build tree: installed
# into a throwaway root with dpkg --root, its files and programs checked, and
# removed again. Usage: deb_package_test.sh BUILD_DIR WORK_DIR
set -euo pipefail
BUILD="$1"
WORK="$2"
rm -rf "$WORK"
mkdir -p "$WORK"
fail() { echo "FAIL: $*"; exit 1; }

(cd "$BUILD" && cpack -G DEB -B "$WORK/package") >"$WORK/cpack.log" 2>&1 || { cat "$WORK/cpack.log"; fail "cpack"; }
debs=("$WORK"/package/quelmar-play_*.deb)
[ -f "${debs[0]}" ] || fail "no package made"
deb="${debs[0]}"

root="$WORK/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The throwaway root has no libc package of its own: its dependencies are the host's.
dpkg_root() { dpkg --root="$root" --force-depends --force-not-root --log=/dev/null "$@"; }

dpkg_root -i "$deb" >"$WORK/install.log" 2>&1 || { cat "$WORK/install.log"; fail "install"; }
files=(usr/bin/quelmar-play usr/bin/quelmar-timing usr/share/man/man1/quelmar-play.1.gz
       usr/share/doc/quelmar-play/README.Debian usr/share/doc/quelmar-play/copyright)
for f in "${files[@]}"; do
  [ -f "$root/$f" ] || fail "$f not installed"
done
grep -q "usermod -aG lp" "$root/usr/share/doc/quelmar-play/README.Debian" || fail "README.Debian says nothing of the lp group"
grep -q "modprobe parport_pc ppdev" "$root/usr/share/doc/quelmar-play/README.Debian" || fail "README.Debian says nothing of the modules"
zcat "$root/usr/share/man/man1/quelmar-play.1.gz" | grep -q '^\.TH QUELMAR-PLAY 1' || fail "manual page"
"$root/usr/bin/quelmar-play" --version | grep -q '^quelmar-play ' || fail "installed quelmar-play does not run"
"$root/usr/bin/quelmar-timing" >/dev/null 2>&1 && fail "quelmar-timing without arguments did not refuse"
[ "$(dpkg_root -s quelmar-play | sed -n 's/^Status: //p')" = "install ok installed" ] || fail "not registered as installed"

dpkg_root -r quelmar-play >"$WORK/remove.log" 2>&1 || { cat "$WORK/remove.log"; fail "remove"; }
for f in "${files[@]}"; do
  [ ! -e "$root/$f" ] || fail "$f left after removal"
done
echo "installed and removed $(basename "$deb")"
rm -rf "$WORK"
