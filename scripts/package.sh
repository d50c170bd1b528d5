#!/usr/bin/env bash
# Builds Quelmar's Windows setup program (one for 32-bit and 64-bit Windows)
# and the two portable zips, from both Windows builds:
#   build/win64/package/Quelmar-3.1.0.0-setup.exe
#   build/win64/package/Quelmar-3.1.0.0-win64.zip
#   build/win64/package/Quelmar-3.1.0.0-win32.zip
# Installs what it needs (the build tools and NSIS) when missing.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup-deps.sh
if ! command -v makensis >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: nsis"
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends nsis >/dev/null
fi

BUILD_ROOT="${QUELMAR_BUILD_ROOT:-$ROOT/build}"
# The 32-bit build is configured first: the 64-bit one takes its files too.
cmake -S . -B "$BUILD_ROOT/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
BUILD_WIN="$BUILD_ROOT/win64"
cmake -S . -B "$BUILD_WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUELMAR_WIN32_BUILD="$BUILD_ROOT/win32" >/dev/null
cmake --build "$BUILD_WIN" -j"$(nproc)" --target quelmar_package

for f in "$BUILD_WIN"/package/Quelmar-*-setup.exe "$BUILD_WIN"/package/Quelmar-*-win*.zip; do
  printf '%s  %s bytes\n' "$f" "$(stat -c %s "$f")"
done

# --- The Debian package of the Linux tools -----------------------------------
# build/native-release/package/quelmar-play_<version>_<arch>.deb: quelmar-play,
# quelmar-timing, the manual page and the README.Debian note, made by CPack
# from an optimised native build (no Wine needed).
BUILD_DEB="${QUELMAR_BUILD_ROOT:-$ROOT/build}/native-release"
cmake -S . -B "$BUILD_DEB" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DEB" -j2 --target quelmar-play quelmar-timing quelmar_play_man
(cd "$BUILD_DEB" && cpack -G DEB -B "$BUILD_DEB/package" >/dev/null)
for f in "$BUILD_DEB"/package/quelmar-play_*.deb; do
  printf '%s  %s bytes\n' "$f" "$(stat -c %s "$f")"
done
