#!/usr/bin/env bash
# Takes a screenshot of the setup program's first page (docs/setup.png) under
# a private Xvfb screen: builds the setup (scripts/package.sh), starts it
# under Wine and captures its window once it is on the screen, then closes it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/package.sh >/dev/null
bash scripts/screenshot-tools.sh

# The setup (built in the 64-bit build) is a 32-bit program: it runs in the
# 32-bit build's prefix, as on a 32-bit Windows.
SETUP=$(ls "${QUELMAR_BUILD_ROOT:-$ROOT/build}"/win64/package/Quelmar-*-setup.exe | head -1)
BUILD_WIN="${QUELMAR_BUILD_ROOT:-$ROOT/build}/win32"
. scripts/screenshot-session.sh

wine "$SETUP" >/dev/null 2>&1 &
QUELMAR_APP_PID=$!
# The welcome page's window, once it is shown (English under this locale).
id=""
for _ in $(seq 1 600); do
  id=$(xwininfo -root -tree 2>/dev/null | grep -F '"Quelmar 3.1.0.0 Setup"' | awk '{print $1}' | head -1 || true)
  [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable && break
  id=""
  sleep 0.1
done
[ -n "$id" ] || { echo "The setup's window did not appear" >&2; exit 1; }
sleep 1
mkdir -p "$ROOT/docs"
import -window "$id" "$ROOT/docs/setup.png"
echo "Wrote $ROOT/docs/setup.png"
