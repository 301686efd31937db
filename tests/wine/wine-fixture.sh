#!/bin/sh
# start PREFIX: a fresh prefix and a wineserver kept running for the test
# run, so that each test does not wait for Wine to start and stop.
# stop PREFIX: ends that wineserver.
set -e
action="$1"
export WINEPREFIX="$2"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
case "$action" in
    start)
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineserver -p
        wineboot -i >/dev/null 2>&1
        ;;
    stop)
        wineserver -k 2>/dev/null || true
        ;;
esac
