#!/bin/sh
# Runs a test program in a fresh X session (Xvfb), under a window manager
# when one is installed, as a desktop would run the program.
# Usage: run_under_x.sh PROGRAM [ARGS...]
if [ -z "$NEARBELL_IN_X" ]; then
    NEARBELL_IN_X=1 exec xvfb-run -a -s '-screen 0 1280x800x24' "$0" "$@"
fi
wm_pid=
if command -v openbox >/dev/null 2>&1; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm_pid=$!
    sleep 1
    export NEARBELL_X_WINDOW_MANAGER=openbox
fi
QT_QPA_PLATFORM=xcb "$@"
status=$?
[ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
exit $status
