#!/usr/bin/env bash
# Runs every libFuzzer target of build-fuzz/ from its corpus for FUZZ_SECONDS
# seconds each (default 60), one after the other, and prints for each its runs,
# its coverage and, on a fault, the path of the input that caused it; stops at
# the first fault. New inputs go to a scratch folder, not into the corpus:
# minimize a crashing input (-minimize_crash=1) before committing it.
#   FUZZ_SECONDS=600 scripts/fuzz-run.sh [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
bin=build-fuzz/tests/fuzz
scratch="$(mktemp -d /tmp/lorvane-fuzz.XXXXXX)"
if [ "$#" -gt 0 ]; then targets=("$@"); else
    targets=()
    for f in "$bin"/*_fuzz; do [ -f "$f" ] && [ -x "$f" ] && targets+=("$(basename "$f")"); done
fi
[ "${#targets[@]}" -gt 0 ] || { echo "no fuzz targets in $bin: run 'make fuzz' first" >&2; exit 2; }
printf '%-22s %12s %8s %8s  %s\n' target runs cov ft result
for target in "${targets[@]}"; do
    short="${target%_fuzz}"
    mkdir -p "$scratch/$short/new" "$scratch/$short/artifacts"
    log="$scratch/$short/log"
    "$bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$scratch/$short/artifacts/" \
        "$scratch/$short/new" "tests/fuzz/corpus/$short" > "$log" 2>&1
    status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*')
    crash=$(ls "$scratch/$short/artifacts/" 2>/dev/null | head -1)
    if [ "$status" -ne 0 ] || [ -n "$crash" ]; then
        printf '%-22s %12s %8s %8s  FAULT %s (log %s)\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" \
            "$scratch/$short/artifacts/$crash" "$log"
        exit 1
    fi
    printf '%-22s %12s %8s %8s  clean\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}"
done
