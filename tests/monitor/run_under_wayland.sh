#!/bin/sh
# Runs a test program in a fresh Wayland session (a headless weston) with
# the toolkit's Wayland platform, as a Wayland desktop would run the program.
# Usage: run_under_wayland.sh PROGRAM [ARGS...]
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
weston --backend=headless-backend.so --socket=nearbell-test --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
tries=0
while [ ! -S "$runtime/nearbell-test" ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
if [ ! -S "$runtime/nearbell-test" ]; then
    cat "$runtime/weston.log" >&2
    kill "$weston_pid" 2>/dev/null
    rm -rf "$runtime"
    exit 1
fi
WAYLAND_DISPLAY=nearbell-test QT_QPA_PLATFORM=wayland "$@"
status=$?
kill "$weston_pid" 2>/dev/null
wait "$weston_pid" 2>/dev/null
rm -rf "$runtime"
exit $status
