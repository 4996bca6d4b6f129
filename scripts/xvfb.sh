#!/usr/bin/env bash
# Sourced by run.sh and test.sh: makes sure DISPLAY names a live X server,
# starting a virtual one when the machine has none. The server is left running
# so that later runs and the persistent Wine session can keep using it.

varnelo_ensure_display() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    local n pid
    for n in $(seq 99 119); do
        if [ -f "/tmp/.X$n-lock" ]; then
            pid=$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null || true)
            if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] \
                && [ -S "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
                continue # another kind of X server holds this number
            fi
            rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
        fi
        # Own session and no standard handles: the server outlives this
        # script and never holds the caller's output open.
        setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp \
            </dev/null >/dev/null 2>&1 &
        local xvfb=$! i
        for i in $(seq 1 100); do
            if [ -S "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                VARNELO_XVFB_STARTED=1
                return 0
            fi
            kill -0 "$xvfb" 2>/dev/null || break
            sleep 0.1
        done
        kill "$xvfb" 2>/dev/null || true
        echo "xvfb: Xvfb did not come up on :$n" >&2
    done
    echo "xvfb: no display could be started" >&2
    return 1
}
