#!/bin/sh
# start PREFIX: a fresh prefix and a wineserver kept running for the test
# run, so that each test does not wait for Wine to start and stop. Fails,
# with Wine's own output, unless the prefix is complete and a Windows
# program in it runs and hands back its exit code.
# stop PREFIX: ends that wineserver and the prefix's background processes.
set -u
action="$1"
export WINEPREFIX="$2"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"

fail() {
    echo "wine-fixture: $*" >&2
    wineserver -k 2>/dev/null
    exit 1
}

case "$action" in
    start)
        wine --version >/dev/null 2>&1 ||
            fail "Wine's 32-bit loader does not start (run tools/ci/setup-wine.sh as root)"
        wineserver -k 2>/dev/null
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        # The server outlives this script: with CTest's output pipe as its
        # stderr it would keep this test from ever finishing.
        wineserver -p </dev/null >/dev/null 2>&1 || fail "wineserver did not start"
        log="$WINEPREFIX/wineboot.log"
        started=$(date +%s)
        if ! wineboot -i >"$log" 2>&1; then
            cat "$log" >&2
            fail "wineboot -i failed in $WINEPREFIX"
        fi
        [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] || {
            cat "$log" >&2
            fail "wineboot -i left no system32 in $WINEPREFIX"
        }
        # A Windows program must run and its exit code come back, or no
        # test result under this prefix means anything.
        wine cmd.exe /c exit 3 >>"$log" 2>&1
        probe=$?
        [ "$probe" = 3 ] || {
            cat "$log" >&2
            fail "cmd.exe /c exit 3 returned $probe under Wine"
        }
        echo "wine-fixture: prefix ready in $(($(date +%s) - started)) s ($(wine --version))"
        ;;
    stop)
        wineserver -k 2>/dev/null
        exit 0
        ;;
    *)
        echo "usage: $0 start|stop PREFIX" >&2
        exit 2
        ;;
esac
