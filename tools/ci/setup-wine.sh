#!/bin/sh
# Makes this machine able to run the 32-bit Windows test executables under
# Wine: installs with apt-get what is missing (i386 architecture, wine,
# wine32:i386, wine64, the mingw-w64 i686 compiler) and, where the kernel
# cannot run i386 programs itself, qemu's i386 user-mode emulator registered
# through binfmt_misc, so that Wine's 32-bit loader and every Wine process it
# starts run under qemu. Run as root; safe to run again, and needed once per
# boot where emulation is used (binfmt_misc registrations do not survive a
# reboot). Ends with a check that a 32-bit Wine binary starts.
#
# Why these pieces:
# - The kernel may have its 32-bit emulation switched off at boot
#   (ia32_emulation=off). Nothing at run time turns it back on, and it also
#   removes the 32-bit code segment that Wine's in-process WoW64 mode would
#   need, so the 64-bit Wine alone cannot run 32-bit programs either.
# - qemu must be 8.1 or later: 7.2 (Debian 12's own) ignores
#   MAP_FIXED_NOREPLACE, and Wine's address space reservation then fails
#   ("failed to map the shared user data") after a minute per process. On
#   Debian 12 the newer qemu comes from bookworm-backports.
# - wine64 brings the native 64-bit wineserver, which Debian's wineserver
#   script prefers; it serves the 32-bit clients, so only the clients run
#   under qemu.
set -eu

QEMU=/usr/bin/qemu-i386
ENTRY=qemu-i386
BINFMT=/proc/sys/fs/binfmt_misc
WINE32=/usr/lib/wine/wine

fail() { echo "setup-wine: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || fail "must run as root"
export DEBIAN_FRONTEND=noninteractive

updated=""
apt_update() {
    [ -n "$updated" ] && return 0
    apt-get update -q
    updated=1
}
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
install_missing() {
    need=""
    for p in "$@"; do installed "$p" || need="$need $p"; done
    [ -z "$need" ] && return 0
    echo "setup-wine: installing$need"
    apt_update
    apt-get install -y -q $need
}

# --- packages -------------------------------------------------------------
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=""
fi
install_missing wine wine32:i386 wine64 g++-mingw-w64-i686-posix

# --- can this kernel run i386 programs? -----------------------------------
runs_i386() { "$WINE32" --version >/dev/null 2>&1; }

registered() {
    [ -r "$BINFMT/$ENTRY" ] || return 1
    grep -qx enabled "$BINFMT/$ENTRY" &&
        grep -qx "interpreter $QEMU" "$BINFMT/$ENTRY" &&
        grep -q '^flags:.*F' "$BINFMT/$ENTRY"
}

if [ ! -w "$BINFMT/register" ]; then
    grep -qw binfmt_misc /proc/filesystems || modprobe binfmt_misc 2>/dev/null || true
    mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null ||
        [ -w "$BINFMT/register" ] || fail "cannot mount binfmt_misc on $BINFMT"
fi

if registered; then
    runs_i386 || fail "$ENTRY is registered but $WINE32 does not start under it"
    echo "setup-wine: i386 programs run under $("$QEMU" --version | head -n 1)"
elif [ ! -e "$BINFMT/$ENTRY" ] && runs_i386; then
    echo "setup-wine: the kernel runs i386 programs natively"
else
    # qemu-user >= 8.1: Debian 12 has it in bookworm-backports only.
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    qemu_major() { "$QEMU" --version 2>/dev/null | sed -n '1s/.* version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p'; }
    qemu_ok() {
        set -- $(qemu_major)
        [ $# = 2 ] && { [ "$1" -gt 8 ] || { [ "$1" = 8 ] && [ "$2" -ge 1 ]; }; }
    }
    if ! qemu_ok; then
        if [ "$codename" = bookworm ]; then
            src=/etc/apt/sources.list.d/bookworm-backports.sources
            if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
                printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' \
                    'Suites: bookworm-backports' 'Components: main' \
                    'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' > "$src"
                updated=""
            fi
            apt_update
            # An old qemu-user-static (7.2) would stay in the way; its
            # backported version is a transitional package for qemu-user.
            extra=""
            installed qemu-user-static && extra=qemu-user-static
            apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user $extra
        else
            apt_update
            apt-get install -y -q --no-install-recommends qemu-user
        fi
        qemu_ok || fail "$QEMU is missing or older than 8.1 ($("$QEMU" --version 2>/dev/null | head -n 1))"
    fi

    # Magic and mask of an i386 ELF executable or shared object. 'F' opens
    # the interpreter now, so it is found in any mount namespace later.
    [ -e "$BINFMT/$ENTRY" ] && echo -1 > "$BINFMT/$ENTRY"
    echo 1 > "$BINFMT/status"
    printf '%s' ":$ENTRY:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$QEMU:F" \
        > "$BINFMT/register"
    registered || fail "registering $QEMU with binfmt_misc failed"
    runs_i386 || fail "$WINE32 does not start under $QEMU"
    echo "setup-wine: registered $("$QEMU" --version | head -n 1) for i386 programs"
fi

# The 64-bit wineserver is what keeps the emulated part small.
[ -x /usr/lib/wine/wineserver64 ] || fail "the 64-bit wineserver (package wine64) is missing"
echo "setup-wine: $(wine --version)"
