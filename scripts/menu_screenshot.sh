#!/usr/bin/env bash
# Takes screenshots of Quelmar's menus with their pictures under a private
# Xvfb screen: the open File menu (docs/menu_file.png) and the open Porta LPT
# menu (docs/menu_porta.png). Wine's machine has no parallel port, so the
# custom address is selected and its entry shows the marked printer.
set -euo pipefail
. "$(dirname "$0")/screenshot-lib.sh"
# QUELMAR_ARCH=win64 takes the 64-bit build, which runs natively under 64-bit Wine.
screenshot_start "${QUELMAR_ARCH:-win32}" Quelmar hwinterface Rintok Skarvo window_command

cd "$BUILD_WIN/bin"
wine Quelmar.exe >/dev/null 2>&1 &
QUELMAR_APP_PID=$!

win=$(screenshot_window '"Programmazione porta parallela' 300) || { echo "The main window did not appear" >&2; exit 1; }
sleep 1

# The window's place on the screen; an open menu drops inside it.
geometry() {
  local info x y w h
  info=$(xwininfo -id "$win")
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  w=$(awk '/Width:/ {print $2}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  echo "${w}x${h}+${x}+${y}"
}

# Opens the menu of title n, gives it time to drop and captures the screen around the main window.
capture_menu() {
  local title="$1" out="$2"
  wine "$BUILD_WIN/bin/window_command.exe" "menu-$title" >/dev/null 2>&1
  sleep 2
  screenshot_save root "$out" -crop "$(geometry)" +repage
  wine "$BUILD_WIN/bin/window_command.exe" chiudi-menu >/dev/null 2>&1
  sleep 1
}
capture_menu 1 menu_file.png
capture_menu 2 menu_porta.png
