#!/usr/bin/env bash
# From a near station's first packet to the siren, on the soak feed: the
# monitor with "Alarm at once" off, then on, each for the given seconds
# (default 60) of the synthetic APRS-IS feed on 127.0.0.1.
# Usage: scripts/alarm_latency.sh [seconds]   (NEARBELL_BUILD_DIR picks the build)
set -euo pipefail
seconds=${1:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${NEARBELL_BUILD_DIR:-$here/build}
bench="$build/tests/monitor/bench_alarm_latency"
[ -x "$bench" ] || { echo "build bench_alarm_latency first" >&2; exit 2; }
for at_once in 0 1; do
    work=$(mktemp -d /tmp/nearbell-latency.XXXXXX)
    python3 "$here/scripts/soak_server.py" --lat 52.2 --lon 5.2 --minutes $(( seconds / 60 + 1 )) \
        --port-file "$work/port" --stats "$work/stats.json" &
    server=$!
    for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
    "$bench" "$(cat "$work/port")" "$seconds" "$at_once"
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -rf "$work"
done
