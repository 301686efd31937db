#!/bin/sh
# Builds the fuzz targets (preset fuzz: clang, ASan + UBSan) and runs each
# for a bounded time, starting from its seed corpus and the regression
# inputs. The corpus grows in a temporary copy, so the repository is not
# changed. Fails when a target finds anything (a crash, a sanitizer report,
# a leak, a timeout); the input that found it is kept in the artifact folder
# printed below, to be turned into a regression case.
#   fuzz/run.sh [seconds per target]   (default 60)
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
targets="session_fuzzer store_reader_fuzzer"

cmake --preset fuzz
cmake --build --preset fuzz --target $targets

work="$(mktemp -d "${TMPDIR:-/tmp}/tardimark-fuzz-run-XXXXXX")"
artifacts="$work/artifacts"
mkdir -p "$artifacts"
status=0
for target in $targets; do
    corpus="$work/corpus-$target"
    mkdir -p "$corpus"
    for seeds in "fuzz/corpus/$target" "fuzz/regressions/$target"; do
        [ -d "$seeds" ] && cp "$seeds"/* "$corpus"/ 2>/dev/null || true
    done
    log="$work/$target.log"
    echo "== $target: ${seconds}s from $(ls "$corpus" | wc -l) inputs"
    if ASAN_OPTIONS="halt_on_error=1:detect_leaks=1" \
       UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
       "build/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
           -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$corpus" >"$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        tail -n 60 "$log"
    fi
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cover=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    echo "$target: $result, ${runs:-?} executions in ${took:-?}s (${rate:-?}/s), ${cover:-cov: ?}," \
         "corpus $(ls "$corpus" | wc -l) inputs"
done
if [ "$status" -ne 0 ]; then
    echo "findings kept in $artifacts:"
    ls -l "$artifacts"
else
    rm -rf "$work"
fi
exit $status
