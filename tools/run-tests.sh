#!/bin/sh
# Runs every test: the Linux build, the sanitizer builds (ASan + UBSan,
# TSan), the 32-bit Windows build under Wine, Tardimark in Ardour, and the
# fuzz targets for a bounded time. Installs what is missing first.
set -eu
cd "$(dirname "$0")/.."
sh tools/ci/install-deps.sh all

status=0
run() { echo "== $*"; "$@" || { echo "FAILED: $*"; status=1; }; }

for preset in linux asan tsan win32; do
    run cmake --preset "$preset"
    run cmake --build --preset "$preset"
    run ctest --preset "$preset"
done
exit $status
