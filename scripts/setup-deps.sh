#!/usr/bin/env bash
# Installs what building and testing Quelmar needs on a Debian machine.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# fonts-wine: Wine's own MS Sans Serif and Tahoma, the fonts the windows are
# laid out for; without them Wine substitutes wider ones and the caption test
# would measure those.
for p in cmake make g++ googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libwine-dev \
         wine wine64 wine32:i386 xvfb xauth x11-utils locales gtkwave clang nsis fonts-wine; do
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
# The backports source is the machine's own Debian source (mirror and key as
# the machine already uses them) with the suite <codename>-backports: the
# entry whose suite is the release's codename and which has the component
# main, from the deb822 files (*.sources) or the one-line lists
# (sources.list, *.list). Prints the one-line entry; fails when there is none.
backports_entry() {
  local codename=$1 apt=${2:-/etc/apt}
  local files=()
  for f in "$apt"/sources.list.d/*.sources "$apt"/sources.list "$apt"/sources.list.d/*.list; do
    [ -f "$f" ] && [ "$(basename "$f")" != quelmar-backports.list ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 1
  awk -v want="$codename" '
    function trim(t) { sub(/^[ \t]+/, "", t); sub(/[ \t]+$/, "", t); return t }
    function has(list, word,   n, a, i) { n = split(list, a, /[ \t]+/); for (i = 1; i <= n; i++) if (a[i] == word) return 1; return 0 }
    function emit(uri, key) {
      if (key != "" && key !~ /^\//) key = ""   # a key written inline cannot go on one line: apt finds it among its trusted keys
      printf "deb %s%s %s-backports main\n", key == "" ? "" : "[signed-by=" key "] ", uri, want
      found = 1; exit
    }
    function stanza_end() {
      if (types != "" && has(types, "deb") && has(suites, want) && has(comps, "main") && tolower(enabled) != "no") {
        split(trim(uris), u, /[ \t]+/); emit(u[1], trim(signed))
      }
      types = suites = comps = uris = signed = enabled = ""
    }
    FNR == 1 { if (deb822) stanza_end(); deb822 = FILENAME ~ /\.sources$/ }
    deb822 && /^[ \t]*#/ { next }
    deb822 && /^[ \t]*$/ { stanza_end(); next }
    deb822 && /^[^ \t]/ {
      field = tolower($0); sub(/:.*/, "", field); value = $0; sub(/^[^:]*:/, "", value); value = trim(value)
      if (field == "types") types = value; else if (field == "suites") suites = value
      else if (field == "components") comps = value; else if (field == "uris") uris = value
      else if (field == "signed-by") signed = value; else if (field == "enabled") enabled = value
      next
    }
    !deb822 && $1 == "deb" {
      line = $0; opts = ""
      if (match(line, /\[[^]]*\]/)) { opts = substr(line, RSTART + 1, RLENGTH - 2); line = substr(line, 1, RSTART - 1) substr(line, RSTART + RLENGTH) }
      n = split(line, w, /[ \t]+/)
      if (n >= 4 && w[3] == want) {
        comps = ""; for (i = 4; i <= n; i++) comps = comps " " w[i]
        key = ""; m = split(opts, o, /[ \t]+/)
        for (i = 1; i <= m; i++) if (o[i] ~ /^signed-by=/) { key = o[i]; sub(/^signed-by=/, "", key) }
        if (has(trim(comps), "main")) emit(w[2], key)
      }
    }
    END { if (!found && deb822) stanza_end(); if (!found) exit 1 }
  ' "${files[@]}"
}

# Writes the backports entry, or leaves it when it is already the one derived.
ensure_backports_source() {
  local codename=$1 list=/etc/apt/sources.list.d/quelmar-backports.list entry
  if ! entry=$(backports_entry "$codename"); then
    echo "No Debian source for $codename (suite $codename, component main) in /etc/apt: add a $codename-backports source by hand" >&2
    return 1
  fi
  [ -f "$list" ] && [ "$(cat "$list")" = "$entry" ] && return 0
  echo "$entry" | $SUDO tee "$list" >/dev/null
}

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
    ensure_backports_source "$VERSION_CODENAME"
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

# --backports-entry [APT_DIR]: prints the backports entry derived from the
# sources in APT_DIR (default /etc/apt) and changes nothing.
if [ "${1:-}" = --backports-entry ]; then
  . /etc/os-release
  backports_entry "$VERSION_CODENAME" "${2:-/etc/apt}"
  exit
fi

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
