#!/usr/bin/env bash
# Prepares the Wine session that tests and runs of Varnelo use. Source it to
# get the exports, or call it. Safe to repeat: costs a few milliseconds once
# the session is up.
#
# Why a session is started up front: the first Wine program of a session
# launches Wine's service processes (services.exe, explorer.exe, ...). They
# inherit that program's standard handles, so when the program is a test whose
# output CTest reads through a pipe, CTest waits for an end of file that only
# comes when those services quit. Starting a persistent wineserver and booting
# it here with the output sent to /dev/null keeps the services off every pipe.

export WINEDEBUG=-all
export LC_ALL=C.UTF-8
export WINEARCH=win64
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
# Without these overrides a new prefix asks to install Mono and Gecko.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Debian 12 ships the 64-bit loader outside PATH.
if [ -z "${VARNELO_WINE64:-}" ]; then
    VARNELO_WINE64=$(command -v wine64 || true)
    [ -n "$VARNELO_WINE64" ] || [ ! -x /usr/lib/wine/wine64 ] || VARNELO_WINE64=/usr/lib/wine/wine64
    [ -n "$VARNELO_WINE64" ] || VARNELO_WINE64=$(command -v wine || true)
fi
if [ -z "${VARNELO_WINESERVER:-}" ]; then
    VARNELO_WINESERVER=$(command -v wineserver || true)
    [ -n "$VARNELO_WINESERVER" ] || VARNELO_WINESERVER=/usr/lib/wine/wineserver
fi
export VARNELO_WINE64 VARNELO_WINESERVER

varnelo_wine_session() {
    if [ -z "$VARNELO_WINE64" ]; then
        echo "wine-setup: no wine64 found; run scripts/install-deps.sh" >&2
        return 1
    fi
    # A display that was just started makes a running session useless, since
    # its desktop process drew on the display that is gone.
    if [ "${VARNELO_XVFB_STARTED:-0}" = 1 ]; then
        "$VARNELO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
        "$VARNELO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
        VARNELO_XVFB_STARTED=0
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-setup: creating the Wine prefix $WINEPREFIX (first run only)" >&2
        mkdir -p "$WINEPREFIX"
        "$VARNELO_WINE64" wineboot --init </dev/null >/dev/null 2>&1 || true
        "$VARNELO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    fi
    # Fails quickly when a server already runs for this prefix; only a new
    # server needs booting.
    if "$VARNELO_WINESERVER" -p </dev/null >/dev/null 2>&1; then
        "$VARNELO_WINE64" wineboot </dev/null >/dev/null 2>&1 || true
    fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    varnelo_wine_session
else
    varnelo_wine_session || return 1
fi
