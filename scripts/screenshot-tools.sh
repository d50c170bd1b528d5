#!/usr/bin/env bash
# What the screenshot scripts need beyond scripts/setup-deps.sh (which brings
# x11-utils and Wine's own fonts): ImageMagick's import, to take a window.
set -euo pipefail
if ! command -v import >/dev/null || ! command -v xwininfo >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -q --no-install-recommends x11-utils imagemagick
fi
