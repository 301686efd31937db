#!/bin/sh
# Runs a Windows test executable under 32-bit Wine in the build's own
# throw-away prefix. The prefix lives beside the executables unless
# WINEPREFIX is set.
set -e
exe="$1"
: "${WINEPREFIX:=$(cd "$(dirname "$exe")" && pwd)/wineprefix}"
export WINEPREFIX
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
exec wine "$@"
