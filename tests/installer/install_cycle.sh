#!/usr/bin/env bash
# One install-uninstall cycle of Quelmar's setup program in a 64-bit Wine
# prefix of its own, made afresh for the run (the setup and the 32-bit
# programs run by the 32-bit loader, emulated where the kernel has no 32-bit
# execution):
#   a setup into a folder that cannot be written, or with a library that will
#   not register, fails and leaves nothing;
#   a silent install puts every file, the shortcut and the uninstall entry in
#   place; 64-bit and 32-bit programs create each control by ProgID (the
#   cscript of system32 and of syswow64), each from the library of its own
#   width; Quelmar,
#   started from the installed folder, plays the demo on the simulated port;
#   a silent reinstall replaces the files and keeps the user's settings and files;
#   one width's library unregistered by hand leaves the other width's working;
#   a silent uninstall leaves no file, class, ProgID, type library or uninstall
#   entry in either registry view: the registry is as before the install but
#   for the user's settings.
# Usage: install_cycle.sh SETUP.exe WORK_DIR   (needs DISPLAY; prints one line
# per check, "FAIL ..." for each that does not hold; exit code 1 then).
set -uo pipefail
SETUP="$1"
WORK="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"

rm -rf "$WORK"
mkdir -p "$WORK"
# No menu builder: the Start-menu shortcut stays inside the prefix instead of
# becoming a desktop entry of the machine's user.
export WINEPREFIX="$WORK/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The 64-bit loader and its wineserver, by path: Debian's wine command prefers
# the 32-bit loader (the 64-bit one starts 32-bit programs by itself).
export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...: runs the command, reports the outcome
  local what="$1"; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# Each step ends when every process of the prefix has ended (the uninstaller
# runs from a copy of itself that outlives the first process) and the
# wineserver has saved the registry.
settle() { wineserver -w; }
snapshot() { mkdir -p "$1" && cp "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" "$1/"; }

echo "Creating a Wine prefix for the setup in $WINEPREFIX"
wine wineboot -i >/dev/null 2>&1 </dev/null
settle
C="$WINEPREFIX/drive_c"
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' >"$C/prefix.reg"
wine regedit /S 'C:\prefix.reg' >/dev/null 2>&1 </dev/null
# create_controls BITS OUT: the controls created by ProgID from the cscript of
# that width (64: system32, 32: syswow64), one "ProgID=TypeName " each, in
# C:\OUT and on standard output.
create_controls() {
  local dir=system32
  [ "$1" = 32 ] && dir=syswow64
  wine "C:\\windows\\$dir\\cscript.exe" //nologo 'C:\create_controls.vbs' "C:\\$2" >/dev/null 2>&1 </dev/null
  settle
  tr -d '\r' <"$C/$2" 2>/dev/null | tr '\n' ' '
}
CREATED="Rintok.RintokCtl=_RintokCtl Dravik.FileBrowser=_FileBrowser Skarvo.DTPSkarvo=_DTPSkarvo Skarvo.GSubclass=_GSubclass "
# Before the install no control can be created by ProgID. The script hosts
# register their own type library the first time they run: that happens
# here, before the registry is taken as the reference.
cp "$HERE/create_controls.vbs" "$C/create_controls.vbs"
before64=$(create_controls 64 controls-before64.txt)
before32=$(create_controls 32 controls-before32.txt)
snapshot "$WORK/before"
DIR="$C/Program Files/Quelmar"
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quelmar'
SETTINGS='HKCU\Software\VB and VBA Program Settings\QUELMAR'
STAGE="$(dirname "$SETUP")/stage"
SHIPPED="Quelmar.exe hwinterface.ocx Rintok.dll Dravik.dll Skarvo.dll demo.prl README.txt LICENSE.txt uninstall.exe
         x86/Rintok.dll x86/Dravik.dll x86/Skarvo.dll"
# The timing tool ships when the build has it.
if [ -f "$STAGE/win64/Quelmar/quelmar-timing.exe" ]; then
  SHIPPED="$SHIPPED quelmar-timing.exe"
fi

all_present() { local f; for f in $SHIPPED; do [ -f "$DIR/$f" ] || { echo "  missing $f"; return 1; }; done; }
none_present() { local f; for f in $SHIPPED; do [ ! -e "$DIR/$f" ] || { echo "  left $f"; return 1; }; done; }
shortcut() { find "$C" -iname Quelmar.lnk | grep -q .; }
no_shortcut() { ! shortcut; }
no_folder() { [ ! -e "$DIR" ] || { ls -A "$DIR" | sed 's/^/  left /'; return 1; }; }
# Registry look-ups read the files the wineserver saved (after settle): a
# Wine process each would cost seconds here.
reg_value() { python3 "$HERE/wine_registry.py" --query "$WINEPREFIX" "$1" "$2"; }
reg_has_key() { python3 "$HERE/wine_registry.py" --query "$WINEPREFIX" "$1"; }
no_key() { ! reg_has_key "$1"; }
no_value() { ! reg_value "$1" "$2" >/dev/null; }
equals() { [ "$1" = "$2" ] || { echo "  got [$1], expected [$2]"; return 1; }; }
# pe_machine FILE: the machine field of a Windows program or library
# (8664: x86-64, 14c: i386).
pe_machine() {
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
  od -An -tx2 -j$((at + 4)) -N2 "$1" | tr -d ' ' | sed 's/^0*//'
}
PROGIDS="Rintok.RintokCtl Dravik.FileBrowser Skarvo.DTPSkarvo Skarvo.GSubclass"
CLSIDS=("{24b4fac8-65d6-4cc2-9270-4bc18c6f7b19}" "{acbee69b-4e4e-48c9-8a6f-fa5bcbc349e8}"
        "{e282c7d8-f9eb-4455-bf04-f2d34f07258d}" "{06b4450e-c7bb-4f77-8a96-51ba5dfbf66e}")
# class_server BITS PROGID: the server file of the ProgID's class in the
# registry view of that width (the 32-bit view's classes are in Wow6432Node;
# the ProgIDs are shared by both views).
class_server() {
  local clsid node=""
  clsid=$(reg_value "HKCR\\$2\\CLSID" @) || return 1
  [ "$1" = 32 ] && node='Wow6432Node\'
  reg_value "HKCR\\${node}CLSID\\$clsid\\InprocServer32" @
}
no_class_in_view() {  # BITS: no class of the four ProgIDs in that view
  local node="" id
  [ "$1" = 32 ] && node='Wow6432Node\'
  for id in "${CLSIDS[@]}"; do
    ! reg_has_key "HKCR\\${node}CLSID\\$id" || { echo "  left $node$id"; return 1; }
  done
}

check "before the install no control is created by ProgID (64-bit)" equals \
  "$(grep -o '=error ' <<<"$before64" | wc -l)" 4
check "before the install no control is created by ProgID (32-bit)" equals \
  "$(grep -o '=error ' <<<"$before32" | wc -l)" 4

# --- A folder that cannot be made (its parent is a file): a clear failure, nothing left.
echo "not a folder" >"$C/blocked"
wine "$SETUP" /S '/D=C:\blocked\Quelmar' >/dev/null 2>&1 </dev/null
rc=$?
settle
check "setup into an unwritable folder fails (exit code $rc)" test "$rc" -ne 0
check "... and leaves no uninstall entry" no_key "$UNINST"
check "... and no shortcut" no_shortcut
check "... and no ProgID" no_key 'HKCR\Rintok.RintokCtl'
check "... and installs nothing in the default folder instead" test ! -e "$DIR"
rm -f "$C/blocked"

# --- A library that will not register: the setup is undone, with what it had
# registered before in both views. The same setup, made here with the 32-bit
# Skarvo.dll (registered last) replaced by a file that is no library.
BROKEN="$WORK/broken"
cp -r "$STAGE" "$BROKEN"
echo "not a library" >"$BROKEN/win32/Quelmar/Skarvo.dll"
makensis -V1 -DSTAGE="$BROKEN" -DOUTFILE="$WORK/broken-setup.exe" "$HERE/../../installer/quelmar.nsi" >/dev/null
wine "$WORK/broken-setup.exe" /S >/dev/null 2>&1 </dev/null
rc=$?
settle
check "a setup whose library will not register fails (exit code $rc)" test "$rc" -ne 0
check "... and leaves no file" no_folder
check "... and no uninstall entry" no_key "$UNINST"
check "... and no shortcut" no_shortcut
check "... and unregisters the libraries it had registered" no_key 'HKCR\Rintok.RintokCtl'
check "... (both of them)" no_key 'HKCR\Dravik.FileBrowser'
check "... and leaves no class in the 64-bit view" no_class_in_view 64
check "... nor in the 32-bit view" no_class_in_view 32

# --- Silent install into the default folder.
wine "$SETUP" /S >/dev/null 2>&1 </dev/null
rc=$?
settle
check "silent install exits with 0 (got $rc)" test "$rc" -eq 0
check "every shipped file is in Program Files\\Quelmar" all_present
check "the Start-menu shortcut exists" shortcut
check "uninstall entry: DisplayName" equals "$(reg_value "$UNINST" DisplayName)" "Quelmar"
check "uninstall entry: DisplayVersion" equals "$(reg_value "$UNINST" DisplayVersion)" "3.1.0.0"
check "uninstall entry: Publisher" equals "$(reg_value "$UNINST" Publisher)" "Quelmar project"
check "uninstall entry: InstallLocation" equals "$(reg_value "$UNINST" InstallLocation)" 'C:\Program Files\Quelmar'
check "uninstall entry: QuietUninstallString" equals "$(reg_value "$UNINST" QuietUninstallString)" '"C:\Program Files\Quelmar\uninstall.exe" /S'
check "uninstall entry: UninstallString" equals "$(reg_value "$UNINST" UninstallString)" '"C:\Program Files\Quelmar\uninstall.exe"'
size=$(reg_value "$UNINST" EstimatedSize)
check "uninstall entry: EstimatedSize is a size in KB ($size)" test "$((size))" -gt 100
check "the program installed on 64-bit Windows is the 64-bit one" equals "$(pe_machine "$DIR/Quelmar.exe")" 8664
check "... and so is its port-access component" equals "$(pe_machine "$DIR/hwinterface.ocx")" 8664
check "the libraries in x86 are the 32-bit ones" equals \
  "$(for f in Rintok Dravik Skarvo; do pe_machine "$DIR/x86/$f.dll"; done | tr '\n' ' ')" "14c 14c 14c "

# --- Each view's class is served by the library of its width, and programs of
# both widths create the controls by ProgID.
for p in $PROGIDS; do
  dll=${p%%.*}.dll
  check "$p: 64-bit class served by Quelmar\\$dll" equals "$(class_server 64 "$p")" "C:\\Program Files\\Quelmar\\$dll"
  check "$p: 32-bit class served by Quelmar\\x86\\$dll" equals "$(class_server 32 "$p")" "C:\\Program Files\\Quelmar\\x86\\$dll"
done
check "each control is created by ProgID from the 64-bit cscript" equals "$(create_controls 64 controls64.txt)" "$CREATED"
check "each control is created by ProgID from the 32-bit cscript" equals "$(create_controls 32 controls32.txt)" "$CREATED"

# --- Quelmar from the installed folder plays the demo on the simulated port:
# the run is over once the demo's ten steps are in the trace.
TRACE="$WORK/port-trace.txt"
(cd "$DIR" && QUELMAR_PORT_TRACE="$(wine winepath -w "$TRACE" 2>/dev/null)" exec wine Quelmar.exe f=demo p=h378 >/dev/null 2>&1 </dev/null) &
app=$!
for _ in $(seq 1 3000); do  # a hang guard only: the loop ends on the tenth write
  [ -f "$TRACE" ] && [ "$(wc -l <"$TRACE")" -ge 10 ] && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null
wineserver -k >/dev/null 2>&1
played=$(awk '{ printf "%s:%s ", $2, $3 }' "$TRACE" 2>/dev/null)
check "the installed Quelmar plays the demo on port 0x378" equals "$played" \
  "0x0378:1 0x0378:2 0x0378:4 0x0378:8 0x0378:16 0x0378:32 0x0378:64 0x0378:128 0x0378:255 0x0378:0 "

# --- Silent reinstall over the same version: files replaced, the user's settings and files kept.
wine reg add "$SETTINGS\\Option" /v Min /d 1 /f >/dev/null 2>&1 </dev/null
settle
echo "old" >"$DIR/README.txt"
rm -f "$DIR/Rintok.dll"
cp "$DIR/demo.prl" "$DIR/mine.prl"
wine "$SETUP" /S >/dev/null 2>&1 </dev/null
rc=$?
settle
check "silent reinstall exits with 0 (got $rc)" test "$rc" -eq 0
check "the reinstall puts back every file" all_present
check "the reinstall replaces a changed file" bash -c "! grep -qx old '$DIR/README.txt'"
check "the reinstall keeps the user's settings" equals "$(reg_value "$SETTINGS\\Option" Min)" "1"
check "the reinstall keeps the user's program file" test -f "$DIR/mine.prl"

# --- One width's library unregistered by hand (regsvr32 /u of the 32-bit
# Skarvo) leaves the other width's controls working: their ProgIDs and type
# library are shared by both views. Registered again for the uninstall.
SKARVO32='C:\Program Files\Quelmar\x86\Skarvo.dll'
wine 'C:\windows\syswow64\regsvr32.exe' /s /u "$SKARVO32" >/dev/null 2>&1 </dev/null
settle
check "with the 32-bit Skarvo unregistered, the 64-bit cscript still creates every control" equals \
  "$(create_controls 64 controls64-one.txt)" "$CREATED"
check "... and the 32-bit cscript every control but Skarvo's" equals \
  "$(create_controls 32 controls32-one.txt | sed 's/=error [^ ]*/=error/g')" \
  "Rintok.RintokCtl=_RintokCtl Dravik.FileBrowser=_FileBrowser Skarvo.DTPSkarvo=error Skarvo.GSubclass=error "
wine 'C:\windows\syswow64\regsvr32.exe' /s "$SKARVO32" >/dev/null 2>&1 </dev/null
settle

# --- A start-with-Windows entry naming the installed program, quoted as Quelmar writes it.
RUN='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]' \
  '"QUELMAR"="\"C:\\Program Files\\Quelmar\\Quelmar.EXE\""' >"$C/run.reg"
wine regedit /S 'C:\run.reg' >/dev/null 2>&1 </dev/null
settle
check "the start-with-Windows entry is set for the uninstall" equals "$(reg_value "$RUN" QUELMAR)" \
  '"C:\Program Files\Quelmar\Quelmar.EXE"'

# --- Silent uninstall (QuietUninstallString).
wine 'C:\Program Files\Quelmar\uninstall.exe' /S >/dev/null 2>&1 </dev/null
settle
check "the uninstall removes the start-with-Windows entry naming it" no_value "$RUN" QUELMAR
check "the uninstall removes every shipped file" none_present
check "the uninstall keeps the user's program file" test -f "$DIR/mine.prl"
check "the uninstall removes the shortcut" no_shortcut
check "the uninstall removes the uninstall entry" no_key "$UNINST"
for p in $PROGIDS; do
  check "the uninstall removes the ProgID $p" no_key "HKCR\\$p"
done
check "the uninstall removes the classes of the 64-bit view" no_class_in_view 64
check "the uninstall removes the classes of the 32-bit view" no_class_in_view 32
check "the user's settings are still there" equals "$(reg_value "$SETTINGS\\Option" Min)" "1"
rm -f "$DIR/mine.prl" "$C/run.reg" "$C/create_controls.vbs" "$C"/controls*.txt "$C/prefix.reg"
rmdir "$DIR" 2>/dev/null
settle
snapshot "$WORK/after"
# Every key and value compared, but the device list, where Wine notes again
# at each start the display driver's date, and the session manager's list of
# files to delete at the next start, where the uninstaller's copy of itself
# in the temporary folder goes; and the Run key, which the test itself may
# have made for its start-with-Windows entry.
check "the registry after the uninstall is as before the install, but for the user's settings" \
  python3 "$HERE/wine_registry.py" "$WORK/before" "$WORK/after" \
  --allow 'software\vb and vba program settings\quelmar' \
  --allow 'software\microsoft\windows\currentversion\run' \
  --ignore 'system\currentcontrolset\control\class\' \
  --ignore 'system\currentcontrolset\control\session manager'
echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
