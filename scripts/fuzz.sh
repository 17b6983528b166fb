#!/usr/bin/env bash
# Builds the libFuzzer targets of the APRS decoder and the KISS reader with
# clang (AddressSanitizer and UndefinedBehaviorSanitizer on) and runs each
# for a bounded time: scripts/fuzz.sh [seconds per target, default 60].
# Needs clang and libclang-rt-14-dev. Exits non-zero on a finding.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
out=${NEARBELL_FUZZ_DIR:-$here/build-fuzz}
cxx=${CXX_FUZZ:-clang++}
mkdir -p "$out"

flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -fno-omit-frame-pointer -I"$here")
decoder=("$here/host/aprs/AprsDecoder.cpp" "$here/host/aprs/KissDeframer.cpp")

status=0
for target in tnc2 kiss; do
    "$cxx" "${flags[@]}" "$here/fuzz/fuzz_$target.cpp" "${decoder[@]}" -o "$out/fuzz_$target"
    # Work on a copy so that the seeds in the tree stay as they are.
    work="$out/corpus_$target"
    mkdir -p "$work" "$out/findings_$target"
    cp -n "$here/fuzz/corpus/$target/"* "$work/" 2>/dev/null || true
    echo "fuzz_$target: running for $seconds s"
    start=$(date +%s)
    if "$out/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$out/findings_$target/" "$work" >"$out/fuzz_$target.log" 2>&1; then
        echo "fuzz_$target: no finding in $(( $(date +%s) - start )) s" \
             "($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/fuzz_$target.log" | grep -o '[0-9]*$') runs)"
    else
        echo "fuzz_$target: FINDING after $(( $(date +%s) - start )) s, see $out/fuzz_$target.log"
        tail -30 "$out/fuzz_$target.log"
        status=1
    fi
done
exit $status
