#!/usr/bin/env bash
# One install-uninstall cycle of Quelmar's setup program in a Wine prefix of
# its own, made afresh for the run:
#   a setup into a folder that cannot be written, or with a library that will
#   not register, fails and leaves nothing;
#   a silent install puts every file, the shortcut and the uninstall entry in
#   place; other programs create each control by ProgID (cscript); Quelmar,
#   started from the installed folder, plays the demo on the simulated port;
#   a silent reinstall replaces the files and keeps the user's settings and files;
#   a silent uninstall leaves no file, class, ProgID, type library or uninstall
#   entry: the registry is as before the install but for the user's settings.
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
export WINEPREFIX="$WORK/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
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
wineboot -i >/dev/null 2>&1 </dev/null
settle
C="$WINEPREFIX/drive_c"
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' >"$C/prefix.reg"
wine regedit /S 'C:\prefix.reg' >/dev/null 2>&1 </dev/null
# Before the install no control can be created by ProgID. The script host
# registers its own type library the first time it runs: that happens here,
# before the registry is taken as the reference.
cp "$HERE/create_controls.vbs" "$C/create_controls.vbs"
wine cscript.exe //nologo 'C:\create_controls.vbs' 'C:\controls-before.txt' >/dev/null 2>&1 </dev/null
settle
snapshot "$WORK/before"
DIR="$C/Program Files/Quelmar"
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quelmar'
SETTINGS='HKCU\Software\VB and VBA Program Settings\QUELMAR'
SHIPPED="Quelmar.exe hwinterface.ocx Rintok.dll Dravik.dll Skarvo.dll demo.prl README.txt LICENSE.txt uninstall.exe"
# The timing tool ships when the build has it.
if [ -f "$(dirname "$SETUP")/Quelmar/quelmar-timing.exe" ]; then
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

check "before the install no control is created by ProgID" equals \
  "$(grep -c '=error ' "$C/controls-before.txt" 2>/dev/null)" 4

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
# registered before. The same setup, made here with Skarvo.dll replaced by a
# file that is no library.
BROKEN="$WORK/broken"
cp -r "$(dirname "$SETUP")/Quelmar" "$BROKEN"
echo "not a library" >"$BROKEN/Skarvo.dll"
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

# --- Other programs create the controls by ProgID.
wine cscript.exe //nologo 'C:\create_controls.vbs' 'C:\controls.txt' >/dev/null 2>&1 </dev/null
settle
controls=$(tr -d '\r' <"$C/controls.txt" 2>/dev/null | tr '\n' ' ')
check "each control is created by ProgID from cscript" equals "$controls" \
  "Rintok.RintokCtl=_RintokCtl Dravik.FileBrowser=_FileBrowser Skarvo.DTPSkarvo=_DTPSkarvo Skarvo.GSubclass=_GSubclass "

# --- Quelmar from the installed folder plays the demo on the simulated port:
# the run is over once the demo's ten steps are in the trace.
TRACE="$WORK/port-trace.txt"
(cd "$DIR" && QUELMAR_PORT_TRACE="$(winepath -w "$TRACE" 2>/dev/null)" exec wine Quelmar.exe f=demo p=h378 >/dev/null 2>&1 </dev/null) &
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
for p in Rintok.RintokCtl Dravik.FileBrowser Skarvo.DTPSkarvo Skarvo.GSubclass; do
  check "the uninstall removes the ProgID $p" no_key "HKCR\\$p"
done
check "the user's settings are still there" equals "$(reg_value "$SETTINGS\\Option" Min)" "1"
rm -f "$DIR/mine.prl" "$C/run.reg" "$C/create_controls.vbs" "$C/controls.txt" "$C/controls-before.txt" "$C/prefix.reg"
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
