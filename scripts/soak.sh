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
#
# With SOAK_FAULTS=1 a second source (a KISS TNC of the script's own) and
# gpsd (gpsfake) join in, the program folder is a small tmpfs in the
# program's own mount namespace (needs root or user namespaces), and faults
# are injected throughout: the APRS-IS server drops the connection and
# stalls for a minute, the KISS TNC is killed and restarted, gpsfake
# restarts, the folder fills up and empties, the program is stopped and
# continued, and its wall clock steps by 6 hours both ways (libfaketime; the
# machine's clock is never touched). The checks then are:
#   - every alarm the program raised is in alarms.csv, whole, once;
#   - the list file is intact;
#   - no event-loop wait exceeds 50 ms, apart from the stopped time (waits
#     of a busy machine are told apart as above);
#   - resident memory stays flat (the second half of the run ends within
#     10 % + 5 MB of where it began) and under 150 MB.
# Usage: scripts/soak.sh [minutes]    (NEARBELL_BUILD_DIR picks the build; SOAK_X=1 runs under Xvfb;
#        SOAK_STATIONS=n feeds n distinct stations instead of 40,000; SOAK_FAULTS=1 injects faults)
# Not part of CTest. Exits non-zero when a check fails.
set -euo pipefail
minutes=${1:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${NEARBELL_BUILD_DIR:-$here/build}
[ -x "$build/nearbell" ] || { echo "build the program first (scripts/build.sh)" >&2; exit 2; }
faults=${SOAK_FAULTS:-0}
faketime_lib=
if [ "$faults" = 1 ]; then
    for tool in gpsfake unshare nsenter setsid; do
        command -v "$tool" >/dev/null || { echo "SOAK_FAULTS=1 needs $tool" >&2; exit 2; }
    done
    faketime_lib=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 2>/dev/null | head -1 || true)
    [ -n "$faketime_lib" ] || echo "note: libfaketime is not installed: the clock is not stepped"
fi

work=$(mktemp -d /tmp/nearbell-soak.XXXXXX)
server_pid=
program_pid=
kiss_pid=
gps_pid=
cleanup() {
    if [ -n "$program_pid" ]; then
        kill -CONT "$program_pid" 2>/dev/null || true
        kill "$program_pid" 2>/dev/null || true
    fi
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    [ -n "$kiss_pid" ] && kill -KILL "$kiss_pid" 2>/dev/null || true
    [ -n "$gps_pid" ] && kill -- "-$gps_pid" 2>/dev/null || true
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
launch=("$work/nearbell")

if [ "$faults" = 1 ]; then
    # The KISS TNC; restarted on the same port.
    kiss_port=0
    start_kiss() {
        rm -f "$work/kiss_port"
        python3 "$here/scripts/soak_server.py" --kiss --lat 52.2 --lon 5.2 --port "$kiss_port" \
            --first "$(cat "$work/kiss_port.sent" 2>/dev/null || echo 0)" --port-file "$work/kiss_port" &
        kiss_pid=$!
        for _ in $(seq 100); do [ -s "$work/kiss_port" ] && break; sleep 0.1; done
        kiss_port=$(cat "$work/kiss_port")
    }
    start_kiss
    # gpsd with a fix at the own position, four sentences a second.
    gps_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    python3 -c '
import sys
def sentence(body):
    total = 0
    for c in body:
        total ^= ord(c)
    return "$%s*%02X\r\n" % (body, total)
with open(sys.argv[1], "w") as f:
    for s in range(20):
        t = "1200%02d.00" % s
        f.write(sentence("GPGGA,%s,5212.0000,N,00512.0000,E,1,09,0.9,12.0,M,47.0,M,," % t))
        f.write(sentence("GPRMC,%s,A,5212.0000,N,00512.0000,E,0.0,0.0,010325,,,A" % t))
' "$work/gps.log"
    start_gps() {
        setsid gpsfake -q -c 0.25 -P "$gps_port" "$work/gps.log" >/dev/null 2>&1 &
        gps_pid=$!
    }
    start_gps
    printf '[STATION]\r\nCALLSIGN=PA3XYZ\r\nLATITUDE=5212.00N\r\nLONGITUDE=00512.00E\r\nPOSITION=GPSD 127.0.0.1:%s\r\n[HOST]\r\nSOURCE=APRSIS 127.0.0.1:%s\r\nSOURCE2=KISS 127.0.0.1:%s\r\n' \
        "$gps_port" "$port" "$kiss_port" >"$work/uiview32.ini"
    # Acknowledged stations that must come through every fault unchanged.
    printf 'ACK1A\r\nACK2B\r\nACK3C\r\n' >"$work/nearbell.LST"
    echo "+0" >"$work/clock"
    folder="$work/folder"
    mkdir -p "$folder" "$work/out"
    clock_env=()
    if [ -n "$faketime_lib" ]; then
        # The program's wall clock follows the file, read again every second;
        # its monotonic clock is left alone.
        clock_env=(LD_PRELOAD="$faketime_lib" FAKETIME_TIMESTAMP_FILE="$work/clock" FAKETIME_CACHE_DURATION=1
                   DONT_FAKE_MONOTONIC=1)
    fi
    # An 8 MB tmpfs that only the program sees; what it holds at the end is
    # copied out once the program has ended.
    launch=(unshare -m --propagation private sh -c '
        mount -t tmpfs -o size=8m nearbell-soak "$1" || exit 97
        cp "$2/uiview32.ini" "$2/nearbell.LST" "$1/"
        folder=$1
        out=$2/out
        shift 2
        "$@"
        status=$?
        cp -a "$folder"/. "$out"/ 2>/dev/null
        exit $status' sh "$folder" "$work" env "${clock_env[@]}" "$work/nearbell" --folder "$folder")
fi

if [ "${SOAK_X:-0}" = 1 ]; then
    NEARBELL_LATENCY_LOG=$log xvfb-run -a -s '-screen 0 1280x800x24' "${launch[@]}" 2>"$work/stderr" &
else
    NEARBELL_LATENCY_LOG=$log QT_QPA_PLATFORM=offscreen "${launch[@]}" 2>"$work/stderr" &
fi
launcher_pid=$!
# Under xvfb-run or unshare the program is a child of the launcher.
for _ in $(seq 100); do
    program_pid=$(pgrep -f "^$work/nearbell" | head -1 || true)
    [ -n "$program_pid" ] && break
    sleep 0.1
done
[ -n "$program_pid" ] || { echo "the program did not start" >&2; cat "$work/stderr" >&2; exit 1; }

ticks=$(getconf CLK_TCK)
read_from=0
samples="$work/samples"
: >"$samples"
faultlog="$work/faults"
: >"$faultlog"
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

# One fault; its time and the latency log's length at that moment are kept
# (the first reports after a continue hold the stopped time).
fault() {
    local what=$1 at
    at=$(wc -l <"$log")
    case $what in
    drop) kill -USR1 "$server_pid" ;;
    stall) kill -USR2 "$server_pid" ;;
    kiss-kill) kill -KILL "$kiss_pid"; wait "$kiss_pid" 2>/dev/null || true; kiss_pid= ;;
    kiss-start) start_kiss ;;
    gps-restart) kill -- "-$gps_pid" 2>/dev/null || true; wait "$gps_pid" 2>/dev/null || true; sleep 1; start_gps ;;
    fill) nsenter -t "$program_pid" -m sh -c "cat /dev/zero >'$folder/filler' 2>/dev/null; true" ;;
    empty) nsenter -t "$program_pid" -m rm -f "$folder/filler" ;;
    stop) kill -STOP "$program_pid" ;;
    cont) kill -CONT "$program_pid" ;;
    clock*) if [ -n "$faketime_lib" ]; then echo "${what#clock}" >"$work/clock"; fi ;;
    esac
    echo "$SECONDS $what $at" >>"$faultlog"
}

SECONDS=0
end=$(( ${minutes%.*} * 60 ))
[ "$end" -lt 60 ] && end=60
# Faults at these parts of the run (per thousand), spread over all of it.
schedule=()
if [ "$faults" = 1 ]; then
    schedule=(60:drop 110:kiss-kill 150:kiss-start 190:gps-restart 230:clock+6h 270:stall 380:fill 440:empty
              500:stop 530:cont 560:clock+0 610:kiss-kill 640:kiss-start 680:clock-6h 720:drop 760:fill
              800:empty 840:gps-restart 870:stop 890:cont 920:clock+0)
fi
next_fault=0
last_sample=0
while [ "$SECONDS" -lt "$end" ]; do
    sleep 1
    while [ "$next_fault" -lt "${#schedule[@]}" ]; do
        entry=${schedule[$next_fault]}
        [ "$SECONDS" -ge $(( ${entry%%:*} * end / 1000 )) ] || break
        fault "${entry#*:}"
        next_fault=$((next_fault + 1))
    done
    kill -0 "$program_pid" 2>/dev/null || { echo "the program ended early" >&2; cat "$work/stderr" >&2; exit 1; }
    if [ $((SECONDS - last_sample)) -ge 10 ]; then
        last_sample=$SECONDS
        sample
    fi
done
# The feed has stopped: let the program take in what is on its way.
sleep 5
sample

# Checks.
status=0
python3 - "$samples" "$work/stats.json" "${SOAK_STRICT:-0}" "$faults" <<'EOF' || status=1
import json, sys
rows = [line.split() for line in open(sys.argv[1])]
stats = json.load(open(sys.argv[2]))
faults = sys.argv[4] == "1"
rss = [float(r[1]) for r in rows]
waits = [float(r[3]) for r in rows]
own = [float(r[4]) for r in rows]
stations = [int(r[6]) for r in rows]
bound = 32767
full = [i for i, s in enumerate(stations) if s >= bound]
failures = []
if max(rss) >= 150:
    failures.append(f"resident memory reached {max(rss)} MB")
if faults:
    after = rss[len(rss) // 2:]
    if after[-1] > after[0] * 1.10 + 5:
        failures.append(f"memory grew in the second half: {after[0]} -> {after[-1]} MB")
elif full:
    after = rss[full[0]:]
    if after[-1] > after[0] * 1.10 + 5:
        failures.append(f"memory grew after the table filled: {after[0]} -> {after[-1]} MB")
strict = sys.argv[3] == "1"
if not faults:
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
      f"{stats['duplicates']} conflicting duplicates, {stats['connections']} connections, "
      f"{stats.get('drops', 0)} drops, {stats.get('stalls', 0)} stalls")
print(f"peak memory {max(rss)} MB, longest wait {max(waits)} ms (own processor time in the longest "
      f"gap of each sample at most {max(own)} ms), stations held {stations[-1]}")
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

if [ "$faults" = 1 ]; then
    python3 - "$log" "$faultlog" "$work" "${SOAK_STRICT:-0}" <<'EOF' || status=1
import collections, csv, io, os, re, sys
log, faultlog, work, strict = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1"
lines = open(log).read().splitlines()
failures = []
print("faults:", ", ".join(f"{l.split()[1]} at {l.split()[0]} s" for l in open(faultlog)))

# The reports that follow a continue carry the stopped time.
stopped = set()
for entry in open(faultlog):
    _, what, at = entry.split()
    if what == "cont":
        waits_after = [i for i in range(int(at), len(lines)) if lines[i].split()[1:2] == ["wait"]]
        stopped.update(waits_after[:2])
worst, worst_own, busy = 0.0, 0.0, []
for i, line in enumerate(lines):
    parts = line.split()
    if len(parts) < 4 or parts[1] != "wait" or i in stopped:
        continue
    wait, mine = float(parts[2]), float(parts[3])
    if wait > 50 and not strict and mine <= 50:
        busy.append(wait)
        continue
    if wait > worst:
        worst, worst_own = wait, mine
if worst > 50:
    failures.append(f"the window waited {worst} ms ({worst_own} ms of it the program's own processor time)")
if busy:
    print(f"note: {len(busy)} waits over 50 ms (up to {max(busy)} ms) in which the program itself ran "
          "under 50 ms: the machine was busy")
print(f"longest wait apart from the stopped time: {worst} ms")

raised = collections.Counter(l.split()[2] for l in lines if l.split()[1:2] == ["alarm"] and len(l.split()) > 2)
full, start = 0, None
for entry in open(faultlog):
    _, what, at = entry.split()
    if what == "fill":
        start = int(at)
    elif what == "empty" and start is not None:
        full += sum(1 for l in lines[start:int(at)] if l.split()[1:2] == ["alarm"])
        start = None
print(f"alarms raised while the folder was full: {full}")
written = collections.Counter()
broken = 0
for name in ("alarms.1.csv", "alarms.csv"):
    path = os.path.join(work, "out", name)
    if not os.path.exists(path):
        continue
    records = list(csv.reader(io.StringIO(open(path, newline="", encoding="utf-8", errors="replace").read())))
    header, body = records[0], records[1:]
    for record in body:
        if len(record) != len(header) or not re.match(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d", record[0]):
            broken += 1
            continue
        written[record[1]] += 1
missing = raised - written
twice = written - raised
print(f"alarms raised {sum(raised.values())}, whole lines in alarms.csv {sum(written.values())}, "
      f"broken lines {broken}")
if broken:
    failures.append(f"{broken} lines of alarms.csv are not whole")
if missing:
    failures.append(f"{sum(missing.values())} alarms are not in alarms.csv (first: {sorted(missing)[:5]})")
if twice:
    failures.append(f"{sum(twice.values())} lines of alarms.csv are there more than once (first: {sorted(twice)[:5]})")
before = open(os.path.join(work, "nearbell.LST"), "rb").read()
after_path = os.path.join(work, "out", "nearbell.LST")
after = open(after_path, "rb").read() if os.path.exists(after_path) else b"(missing)"
if after != before:
    failures.append(f"the list file changed: {before!r} -> {after[:80]!r}")
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
EOF
fi
[ "$status" = 0 ] && echo "soak passed" || echo "soak FAILED (files in $work)"
[ "$status" = 0 ] && rm -rf "$work"
exit "$status"
