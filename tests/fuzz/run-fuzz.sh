#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build one at a time, each from its seed corpus for a given
# time or number of executions. New inputs go to BUILD/fuzz-corpus/<target>, crashing ones to
# BUILD/fuzz-crashes/<target>, the output to BUILD/fuzz-logs/<target>.log, whose last lines
# give the executions and the coverage.
#
#   tests/fuzz/run-fuzz.sh BUILD (-time SECONDS | -runs N) [target...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
limit="$2"
amount="$3"
shift 3
case "$limit" in
-time) budget="-max_total_time=$amount" ;;
-runs) budget="-runs=$amount" ;;
*) echo "usage: $0 BUILD (-time SECONDS | -runs N) [target...]" >&2; exit 2 ;;
esac
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(command_language settings_file intel_hex bootloader_conversion report_descriptor
             replies capture_readback)
fi
# Allocation stacks and malloc fill cost the Qt-heavy targets most of their speed; rerun a
# crashing input with the defaults for the full report.
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0:max_malloc_fill_size=0:quarantine_size_mb=32}"
status=0
for t in "${targets[@]}"; do
    options=()
    # Short inputs keep the executions fast; the seeds may be longer.
    case "$t" in
    command_language | bootloader_conversion) options+=(-max_len=1024) ;;
    settings_file) options+=(-max_len=1024) ;;
    intel_hex | capture_readback) options+=(-max_len=4096) ;;
    esac
    [ -f "$here/dict/$t.dict" ] && options+=("-dict=$here/dict/$t.dict")
    mkdir -p "$build/fuzz-corpus/$t" "$build/fuzz-crashes/$t" "$build/fuzz-logs"
    echo "== $t"
    if ! "$build/tests/fuzz/fuzz_$t" "$budget" "${options[@]}" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-crashes/$t/" \
        "$build/fuzz-corpus/$t" "$here/corpus/$t" >"$build/fuzz-logs/$t.log" 2>&1; then
        echo "   $t found a crash: see $build/fuzz-logs/$t.log and $build/fuzz-crashes/$t/"
        status=1
    fi
    grep -E '^(Done|stat::number_of_executed_units|#[0-9]+.*DONE)' "$build/fuzz-logs/$t.log" | tail -2 || true
done
exit $status
