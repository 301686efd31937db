#!/bin/sh
# Runs every test: the Linux build (with Tardimark in Ardour), the sanitizer
# builds (ASan + UBSan, TSan), the 32-bit Windows build under Wine, and the
# fuzz targets for a bounded time. Installs what is missing first.
set -eu
cd "$(dirname "$0")/.."
sh tools/ci/install-deps.sh all

passed=0
failed=0
run() {
    echo "== $*"
    if "$@"; then passed=$((passed + 1)); else echo "FAILED: $*"; failed=$((failed + 1)); fi
}

for preset in linux asan tsan win32; do
    if run cmake --preset "$preset"; then
        run cmake --build --preset "$preset" && run ctest --preset "$preset" -j2
    fi
done
run sh fuzz/run.sh 60

echo "steps: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
