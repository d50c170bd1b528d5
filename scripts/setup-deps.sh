#!/usr/bin/env bash
# Installs what building and testing Quelmar needs on a Debian machine.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake make g++ googletest g++-mingw-w64-i686 mingw-w64-tools libwine-dev \
         wine wine32:i386 xvfb xauth x11-utils locales clang; do
  have_pkg "$p" || need+=("$p")
done
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

ensure_locale() {
  # Wine takes its ANSI code page from the Unix locale: en_US.UTF-8 gives 1252.
  locale -a 2>/dev/null | grep -qix 'en_US.utf8' && return 0
  $SUDO sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
}

# libFuzzer's runtime (scripts/fuzz.sh) comes in a package of its own on newer
# distributions, named after clang's major version.
ensure_fuzzer() {
  ls "$(clang -print-resource-dir)"/lib/*/libclang_rt.fuzzer*.a >/dev/null 2>&1 && return 0
  local v
  v=$(clang -dumpversion | cut -d. -f1)
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "libclang-rt-$v-dev" >/dev/null
}

if [ ${#need[@]} -eq 0 ]; then
  ensure_locale
  ensure_fuzzer
  exit 0
fi
echo "Installing: ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
ensure_locale
ensure_fuzzer
