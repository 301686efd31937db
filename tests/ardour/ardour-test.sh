#!/bin/sh
# Tardimark in Ardour, headless: Ardour's VST scanner indexes the built
# plug-in, then a session script (tardimark_session.lua, beside this file)
# inserts it on a stereo track and checks the latency Ardour reports, and
# last the remembered values are read back from the store.
#
# Usage: ardour-test.sh PLUGIN.so [ARDOUR_LUA [VST_SCANNER]]
# ARDOUR_LUA is ardour7-lua, VST_SCANNER Ardour's ardour-vst-scanner; either
# may be empty or "...-NOTFOUND", and is then looked for here. A missing
# Ardour is a failure: this test never skips.
#
# Everything Ardour and the plug-in write goes to a temporary HOME and XDG
# folders, removed at the end; no display, no prompts, bounded time.
set -u

here=$(cd "$(dirname "$0")" && pwd -P)
plugin=${1:?usage: ardour-test.sh PLUGIN.so [ARDOUR_LUA [VST_SCANNER]]}
ardour_lua=${2:-}
scanner=${3:-}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

case "$ardour_lua" in
    "" | *-NOTFOUND) ardour_lua=$(command -v ardour7-lua || true) ;;
esac
if [ -z "$scanner" ] || [ "${scanner%-NOTFOUND}" != "$scanner" ]; then
    scanner=
    for candidate in /usr/lib/ardour7/ardour-vst-scanner /usr/lib/*/ardour7/ardour-vst-scanner; do
        if [ -x "$candidate" ]; then scanner=$candidate; break; fi
    done
fi
[ -n "$ardour_lua" ] && [ -x "$ardour_lua" ] ||
    fail "ardour7-lua not found: install Ardour 7 (Debian package ardour)"
[ -n "$scanner" ] && [ -x "$scanner" ] ||
    fail "ardour-vst-scanner not found: install Ardour 7 (Debian package ardour)"
[ -f "$plugin" ] || fail "no plug-in at $plugin (build the Tardimark target first)"
command -v timeout >/dev/null || fail "timeout (coreutils) not found"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tardimark-ardour.XXXXXX") || fail "no temporary folder"
tmp=$(cd "$tmp" && pwd -P)
trap 'rm -rf "$tmp"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export HOME="$tmp/home"
export XDG_CONFIG_HOME="$tmp/config"
export XDG_DATA_HOME="$tmp/data"
export XDG_CACHE_HOME="$tmp/cache"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$tmp/vst" || fail "mkdir"
unset DISPLAY WAYLAND_DISPLAY VST_PATH VST3_PATH
export LC_ALL=C

# Ardour searches its plug-in folders recursively, so it gets a folder that
# holds nothing but a copy of the plug-in. The session tools drop a cache
# entry unless it is newer than the binary, counted in whole seconds, and a
# plug-in linked just before the scan would share the cache's second: the
# copy is dated well in the past.
cp "$plugin" "$tmp/vst/Tardimark.so" && touch -t 202001010000 "$tmp/vst/Tardimark.so" ||
    fail "cannot copy $plugin"
export LXVST_PATH="$tmp/vst"

# 1. The scanner loads the plug-in and writes what it found to one cache file,
# $XDG_CACHE_HOME/ardour7/vst/<hash of the path>-x64.v2i: a VST2Cache element
# around one VST2Info element per plug-in. The session tools only read that
# cache; they never scan.
LD_LIBRARY_PATH="$(dirname "$scanner")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
    timeout -k 5 60 "$scanner" -f "$LXVST_PATH/Tardimark.so" >"$tmp/scan.log" 2>&1 </dev/null
scan_status=$?
set -- "$XDG_CACHE_HOME"/ardour*/vst/*.v2i
cache=$1
if [ $scan_status -ne 0 ] || [ $# -ne 1 ] || [ ! -f "$cache" ]; then
    cat "$tmp/scan.log"
    fail "scanner exited with $scan_status and left $# cache files"
fi

# attribute NAME: the value of NAME="..." on the VST2Info element.
attribute() {
    sed -n "s/.*<VST2Info.* $1=\"\([^\"]*\)\".*/\1/p" "$cache" | head -n 1
}
failed=0
expect_attribute() {
    got=$(attribute "$1")
    if [ "$got" = "$2" ]; then
        echo "ok   scanner $1 = $got"
    else
        echo "FAIL scanner $1 = \"$got\", expected \"$2\""
        failed=1
    fi
}
expect_attribute name Tardimark
expect_attribute creator Vantorel
expect_attribute id 1450468461
expect_attribute category Effect
expect_attribute is_instrument 0
expect_attribute n_inputs 2
expect_attribute n_outputs 2
expect_attribute can_process_replace 1
if [ $failed -ne 0 ]; then
    cat "$tmp/scan.log"
    fail "the scanner's record does not match"
fi

# 2. The session, in its own process with a time limit.
timeout -k 10 180 "$ardour_lua" "$here/tardimark_session.lua" "$tmp/session" \
    >"$tmp/session.log" 2>&1 </dev/null
session_status=$?
grep -E '^(ok|FAIL) ' "$tmp/session.log"
if [ $session_status -ne 0 ] || grep -q '^FAIL ' "$tmp/session.log" ||
    ! grep -q '^done: 0 failed$' "$tmp/session.log"; then
    echo "--- ardour7-lua output (exit status $session_status):"
    cat "$tmp/session.log"
    fail "the Ardour session did not pass"
fi

# 3. The remembered values of the last changes: type code 4, little endian,
# then the float's four bytes.
store="$XDG_CONFIG_HOME/Vantorel/com.vantorel.Tardimark"
expect_stored() {
    got=$(od -An -v -tx1 "$store/$1" 2>/dev/null | tr -s ' \n' '  ' | sed 's/^ //; s/ $//')
    if [ "$got" = "$2" ]; then
        echo "ok   stored $1 = $got"
    else
        echo "FAIL stored $1 = \"$got\", expected \"$2\""
        failed=1
    fi
}
expect_stored Samples "04 00 00 00 00 00 00 45"          # 2048.0
expect_stored Seconds "04 00 00 00 00 00 80 3e"          # 0.25
expect_stored SamplesOrSeconds "04 00 00 00 00 00 80 3f" # 1.0
[ $failed -eq 0 ] || fail "the store does not hold the last values set"
echo "passed"
