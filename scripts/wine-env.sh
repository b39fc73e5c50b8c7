#!/bin/bash
# Wine prefix and X display for the tests and `make run`.
#   source scripts/wine-env.sh   -> exports WINEPREFIX, DISPLAY, WINEDEBUG, ...
#   scripts/wine-env.sh stop     -> ends the prefix's wineserver and our Xvfb
# The prefix lives in the build tree (NIMBO_WINEPREFIX overrides) and is
# created on first use; the Xvfb server is started once and reused.

_nimbo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${NIMBO_WINEPREFIX:-$_nimbo_root/build/win32/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
_nimbo_xstate="$WINEPREFIX.xvfb"

nimbo_display_ok() { [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; }

nimbo_ensure_display() {
    if [ -f "$_nimbo_xstate" ]; then
        export DISPLAY="$(cat "$_nimbo_xstate")"
        nimbo_display_ok && return 0
    fi
    if [ -z "${NIMBO_OWN_XVFB:-}" ] && nimbo_display_ok; then return 0; fi
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do nimbo_display_ok && break; sleep 0.1; done
    mkdir -p "$(dirname "$_nimbo_xstate")"
    echo "$DISPLAY" >"$_nimbo_xstate"
}

nimbo_ensure_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        # A lock keeps two first uses from building the prefix at once.
        (
            flock 9
            if [ ! -f "$WINEPREFIX/system.reg" ]; then
                wineboot -i >/dev/null 2>&1
                # Every program runs in Wine's own virtual desktop: windows
                # get captions drawn, and hiding a window does not wait
                # for a window manager that is not there.
                wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
                wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
                wineserver -w
            fi
        ) 9>"$WINEPREFIX.lock"
    fi
}

if [ "${1:-}" = "stop" ]; then
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
    if [ -f "$_nimbo_xstate" ]; then
        d="$(cat "$_nimbo_xstate")"
        pkill -f "Xvfb $d " >/dev/null 2>&1
        rm -f "$_nimbo_xstate"
    fi
    exit 0
fi

nimbo_ensure_display
nimbo_ensure_prefix
# One server for the whole run: a server that exits between two programs
# can reset the next one's connection. `wine-env.sh stop` ends it.
wineserver -p >/dev/null 2>&1 </dev/null || true
