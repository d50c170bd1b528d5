#!/usr/bin/env bash
# Takes a screenshot of the setup program's first page (docs/setup.png) under
# a private Xvfb screen: builds the setup (scripts/package.sh), starts it
# under Wine and captures its window once it is on the screen, then closes it.
set -euo pipefail
. "$(dirname "$0")/screenshot-lib.sh"
bash scripts/package.sh >/dev/null
screenshot_tools

# The setup (built in the 64-bit build) is a 32-bit program: it runs in the
# 32-bit build's prefix, as on a 32-bit Windows.
SETUP=$(ls "${QUELMAR_BUILD_ROOT:-$ROOT/build}"/win64/package/Quelmar-*-setup.exe | head -1)
BUILD_WIN="${QUELMAR_BUILD_ROOT:-$ROOT/build}/win32"
screenshot_session

wine "$SETUP" >/dev/null 2>&1 &
QUELMAR_APP_PID=$!
# The welcome page's window, once it is shown (English under this locale).
id=$(screenshot_window '"Quelmar 3.1.0.0 Setup"' 600) || { echo "The setup's window did not appear" >&2; exit 1; }
sleep 1
screenshot_save "$id" setup.png
