#!/usr/bin/env bash
# Soak: the real program against a synthetic full APRS-IS feed of our own
# (scripts/soak_server.py on 127.0.0.1), for the given minutes (default 3,
# one hour of feed at 20 times its speed). Samples every 10 s the program's
# resident memory, processor time, longest event-loop wait and scan-cycle
# time, then checks:
#   - resident memory stops growing once the table is full, and stays under 150 MB;
#   - no event-loop wait exceeds 20 ms; a longer one in which the program
#     itself used less than 20 ms of processor time was the machine being busy
#     (other programs ran): it is reported, and fails only with SOAK_STRICT=1;
#   - every station the feed sent in a well-formed packet is held, up to the
#     table bound (32,767 with the own station).
# Usage: scripts/soak.sh [minutes]    (NEARBELL_BUILD_DIR picks the build; SOAK_X=1 runs under Xvfb;
#        SOAK_STATIONS=n feeds n distinct stations instead of 40,000)
# Not part of CTest. Exits non-zero when a check fails.
set -euo pipefail
minutes=${1:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${NEARBELL_BUILD_DIR:-$here/build}
[ -x "$build/nearbell" ] || { echo "build the program first (scripts/build.sh)" >&2; exit 2; }

work=$(mktemp -d /tmp/nearbell-soak.XXXXXX)
server_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

python3 "$here/scripts/soak_server.py" --lat 52.2 --lon 5.2 --minutes "$minutes" --stations "${SOAK_STATIONS:-40000}" \
    --port-file "$work/port" --stats "$work/stats.json" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

cp "$build/nearbell" "$work/nearbell"
printf '[STATION]\r\nCALLSIGN=PA3XYZ\r\nLATITUDE=5212.00N\r\nLONGITUDE=00512.00E\r\n[HOST]\r\nSOURCE=APRSIS 127.0.0.1:%s\r\n' \
    "$port" >"$work/uiview32.ini"
log="$work/latency.log"
if [ "${SOAK_X:-0}" = 1 ]; then
    NEARBELL_LATENCY_LOG=$log xvfb-run -a -s '-screen 0 1280x800x24' "$work/nearbell" 2>"$work/stderr" &
else
    NEARBELL_LATENCY_LOG=$log QT_QPA_PLATFORM=offscreen "$work/nearbell" 2>"$work/stderr" &
fi
launcher_pid=$!
# Under xvfb-run the program is a child of the launcher.
for _ in $(seq 100); do
    program_pid=$(pgrep -f "^$work/nearbell" | head -1 || true)
    [ -n "$program_pid" ] && break
    sleep 0.1
done
[ -n "$program_pid" ] || { echo "the program did not start" >&2; exit 1; }

ticks=$(getconf CLK_TCK)
read_from=0
samples="$work/samples"
: >"$samples"
echo "| time s | memory MB | processor s | longest wait ms (own processor ms in it) | scan cycle ms | stations | dropped | feed distinct |"
echo "|---|---|---|---|---|---|---|---|"
sample() {
    local rss cpu wait cycle stations dropped distinct lines
    rss=$(awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$program_pid/status")
    cpu=$(awk -v t="$ticks" '{printf "%.1f", ($14 + $15) / t}' "/proc/$program_pid/stat")
    lines=$(wc -l <"$log")
    # Only the lines written since the last sample.
    wait=$(tail -n +"$((read_from + 1))" "$log" | head -n "$((lines - read_from))" |
        awk '$2 == "wait" && $3 > m {m = $3; c = $4} END {printf "%.2f %.2f", m, c}')
    cycle=$(tail -n +"$((read_from + 1))" "$log" | head -n "$((lines - read_from))" |
        awk '$2 == "cycle" && $3 > m {m = $3} END {if (m == "") print "-"; else printf "%.1f", m}')
    stations=$(awk '$2 == "stations" {v = $3} END {print v + 0}' "$log")
    dropped=$(awk '$2 == "dropped" {v = $3} END {print v + 0}' "$log")
    distinct=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["distinct"])' "$work/stats.json" 2>/dev/null || echo 0)
    read_from=$lines
    echo "$SECONDS $rss $cpu $wait $cycle $stations $dropped $distinct" >>"$samples"
    echo "| $SECONDS | $rss | $cpu | ${wait% *} (${wait#* }) | $cycle | $stations | $dropped | $distinct |"
}
SECONDS=0
end=$(( ${minutes%.*} * 60 ))
[ "$end" -lt 60 ] && end=60
while [ "$SECONDS" -lt "$end" ]; do
    sleep 10
    kill -0 "$program_pid" 2>/dev/null || { echo "the program ended early" >&2; cat "$work/stderr" >&2; exit 1; }
    sample
done
# The feed has stopped: let the program take in what is on its way.
sleep 5
sample

# Checks.
status=0
python3 - "$samples" "$work/stats.json" "${SOAK_STRICT:-0}" <<'EOF' || status=1
import json, sys
rows = [line.split() for line in open(sys.argv[1])]
stats = json.load(open(sys.argv[2]))
rss = [float(r[1]) for r in rows]
waits = [float(r[3]) for r in rows]
own = [float(r[4]) for r in rows]
stations = [int(r[6]) for r in rows]
bound = 32767
full = [i for i, s in enumerate(stations) if s >= bound]
failures = []
if max(rss) >= 150:
    failures.append(f"resident memory reached {max(rss)} MB")
if full:
    after = rss[full[0]:]
    if after[-1] > after[0] * 1.10 + 5:
        failures.append(f"memory grew after the table filled: {after[0]} -> {after[-1]} MB")
strict = len(sys.argv) > 3 and sys.argv[3] == "1"
for wait, mine in zip(waits, own):
    if wait > 20 and (strict or mine > 20):
        failures.append(f"an event-loop wait took {wait} ms ({mine} ms of it the program's own)")
        break
busy = [w for w, m in zip(waits, own) if w > 20 and m <= 20]
if busy and not strict:
    print(f"note: {len(busy)} samples saw waits over 20 ms (up to {max(busy)} ms) in which the program "
          "itself ran under 20 ms: the machine was busy")
expected = min(stats["distinct"] + 1, bound)
if stations[-1] != expected:
    failures.append(f"held {stations[-1]} stations, the feed sent {stats['distinct']} distinct (expected {expected})")
print(f"feed: {stats['sent']} good packets, {stats['malformed']} malformed, {stats['distinct']} distinct, "
      f"{stats['bursts']} bursts, {stats['long_lines']} long lines, {stats['silences']} silences, "
      f"{stats['duplicates']} conflicting duplicates, {stats['connections']} connections")
print(f"peak memory {max(rss)} MB, longest wait {max(waits)} ms (own processor time in the longest "
      f"gap of each sample at most {max(own)} ms), stations held {stations[-1]} of {expected}")
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
EOF

# SIGTERM ends the program promptly.
start_ns=$(date +%s%N)
kill -TERM "$program_pid"
while kill -0 "$program_pid" 2>/dev/null; do sleep 0.02; done
echo "exit after SIGTERM: $(( ($(date +%s%N) - start_ns) / 1000000 )) ms"
program_pid=
wait "$launcher_pid" 2>/dev/null || true
[ "$status" = 0 ] && echo "soak passed" || echo "soak FAILED (files in $work)"
[ "$status" = 0 ] && rm -rf "$work"
exit "$status"
