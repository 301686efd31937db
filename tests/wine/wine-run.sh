#!/bin/sh
# Runs a Windows test executable under 32-bit Wine in the build's own
# throw-away prefix and exits with the executable's exit code. The prefix
# lives beside the executables unless WINEPREFIX is set; it must have been
# made by wine-fixture.sh start (the CTest fixture "wine"), whose wineserver
# then serves every test of the run.
#
# When Wine itself cannot run, this fails with a message instead of leaving
# it to whatever exit code Wine's launcher happens to return, so a test
# never passes without having run.
set -u
exe="$1"
: "${WINEPREFIX:=$(cd "$(dirname "$exe")" && pwd)/wineprefix}"
export WINEPREFIX
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"

fail() {
    echo "wine-run: $*" >&2
    exit 1
}

# The 32-bit loader is an i386 program: it starts only where the kernel runs
# i386 programs or qemu is registered for them (tools/ci/setup-wine.sh).
wine --version >/dev/null 2>&1 ||
    fail "Wine's 32-bit loader does not start (run tools/ci/setup-wine.sh as root)"
# The registry files appear only when the server saves them, some time
# after the prefix is made: the system folder is what tells it is ready.
[ -d "$WINEPREFIX/drive_c/windows/system32" ] ||
    fail "no Wine prefix at $WINEPREFIX (the test needs FIXTURES_REQUIRED wine)"
[ -f "$exe" ] || fail "no such executable: $exe"

wine "$@"
