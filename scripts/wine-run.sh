#!/usr/bin/env bash
# Runs one Windows program under Wine with the project's settings.
# WINEPREFIX and DISPLAY come from scripts/test.sh (or the caller).
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
exec wine "$@"
