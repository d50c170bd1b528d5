#!/usr/bin/env bash
# Installs what building and testing Quelmar needs on a Debian machine.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake make g++ googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libwine-dev \
         wine wine64 wine32:i386 xvfb xauth x11-utils locales gtkwave clang nsis; do
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

# Wine's loader is a 32-bit Linux program. A kernel booted with its 32-bit
# emulation off (ia32_emulation=off; "Exec format error") cannot start it:
# then qemu's user-mode emulator runs the 32-bit Linux programs in its place,
# registered with the kernel for i386 executables. qemu before 8 does not keep
# the fixed addresses Wine reserves its memory at, and Wine never starts under
# it, so the distribution's backports supply a newer one where needed.
i386_runs() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
qemu_i386_new_enough() {
  local v
  v=$(/usr/bin/qemu-i386 --version 2>/dev/null | sed -n 's/.*version \([0-9]*\)\..*/\1/p' | head -1)
  [ -n "$v" ] && [ "$v" -ge 8 ]
}
ensure_i386_exec() {
  if i386_runs && [ "${QUELMAR_FORCE_QEMU:-0}" != 1 ]; then return 0; fi
  if ! qemu_i386_new_enough; then
    . /etc/os-release
    local list=/etc/apt/sources.list.d/quelmar-backports.list
    if [ ! -f "$list" ]; then
      echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian ${VERSION_CODENAME}-backports main" | $SUDO tee "$list" >/dev/null
    fi
    echo "Installing qemu-user (32-bit programs cannot start on this kernel)"
    $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends -t "${VERSION_CODENAME}-backports" qemu-user >/dev/null
  fi
  local fmt=/proc/sys/fs/binfmt_misc
  [ -e "$fmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$fmt"
  [ -e "$fmt/qemu-i386" ] && echo -1 | $SUDO tee "$fmt/qemu-i386" >/dev/null
  # ELF, 32-bit, little-endian, executable or shared object, machine i386;
  # F: the kernel opens the emulator now, so it serves every mount namespace.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' | $SUDO tee "$fmt/register" >/dev/null
  if ! i386_runs; then
    echo "32-bit programs still cannot start: Wine cannot run here" >&2
    return 1
  fi
}

# libFuzzer's runtime (scripts/fuzz.sh) comes in a package of its own on newer
# distributions, named after clang's major version.
ensure_fuzzer() {
  ls "$(clang -print-resource-dir)"/lib/*/libclang_rt.fuzzer*.a >/dev/null 2>&1 && return 0
  local v
  v=$(clang -dumpversion | cut -d. -f1)
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "libclang-rt-$v-dev" >/dev/null
}

if [ ${#need[@]} -eq 0 ]; then
  ensure_locale
  ensure_i386_exec
  ensure_fuzzer
  exit 0
fi
echo "Installing: ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${need[@]}" >/dev/null
ensure_locale
ensure_i386_exec
ensure_fuzzer
