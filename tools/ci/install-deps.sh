#!/bin/sh
# Installs, with apt-get, the Debian packages a build needs that are missing.
#   install-deps.sh native   the Linux build, its tests and the host program
#   install-deps.sh all      also the Windows cross build, Wine, Ardour, fuzzing
set -eu
what="${1:-native}"

need=""
want() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed" || need="$need $1"; }

for p in cmake ninja-build g++ pkg-config googletest libgtest-dev libbenchmark-dev \
         libsndfile1-dev; do want "$p"; done
if [ "$what" = all ]; then
    for p in clang libclang-rt-14-dev ardour g++-mingw-w64-i686-posix; do want "$p"; done
fi
if [ -n "$need" ]; then
    [ "$(id -u)" = 0 ] || { echo "missing packages:$need (run as root to install)" >&2; exit 1; }
    echo "installing:$need"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $need
fi
if [ "$what" = all ]; then
    sh "$(dirname "$0")/setup-wine.sh"
fi
