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
    # A window manager of ours never goes onto someone else's display.
    if [ -z "${NIMBO_OWN_XVFB:-}${NIMBO_WM:-}" ] && nimbo_display_ok; then return 0; fi
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do nimbo_display_ok && break; sleep 0.1; done
    mkdir -p "$(dirname "$_nimbo_xstate")"
    echo "$DISPLAY" >"$_nimbo_xstate"
}

# The pages are laid out for Arial; Wine has none of the Windows fonts, so
# the metric-compatible ones take their names (a line that fits in Arial
# fits in Liberation Sans).
nimbo_font_stamp="fonts-liberation-1"
nimbo_map_fonts() {
    local face
    for face in "Arial=Liberation Sans" "Times New Roman=Liberation Serif" "Courier New=Liberation Mono"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%=*}" /d "${face#*=}" /f >/dev/null 2>&1
    done
    echo "$nimbo_font_stamp" >"$WINEPREFIX/.nimbo-fonts"
}

nimbo_ensure_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ] || [ "$(cat "$WINEPREFIX/.nimbo-fonts" 2>/dev/null)" != "$nimbo_font_stamp" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        # A lock keeps two first uses from building the prefix at once.
        (
            flock 9
            if [ ! -f "$WINEPREFIX/system.reg" ]; then
                wineboot -i >/dev/null 2>&1
                # Every program runs in Wine's own virtual desktop: windows
                # get captions drawn, and hiding a window does not wait
                # for a window manager that is not there. A prefix for a
                # real window manager (NIMBO_WM) leaves the windows to it.
                if [ -z "${NIMBO_WM:-}" ]; then
                    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
                    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
                fi
                nimbo_map_fonts
                wineserver -w
            fi
            # A prefix made before the fonts were mapped.
            [ "$(cat "$WINEPREFIX/.nimbo-fonts" 2>/dev/null)" = "$nimbo_font_stamp" ] || nimbo_map_fonts
        ) 9>"$WINEPREFIX.lock"
    fi
}

# A window manager on our display (NIMBO_WM=openbox), started once, like
# the display; `stop` ends it with the display.
nimbo_ensure_wm() {
    [ -n "${NIMBO_WM:-}" ] || return 0
    local state="$WINEPREFIX.wm"
    if [ -f "$state" ] && kill -0 "$(cat "$state")" 2>/dev/null; then return 0; fi
    "$NIMBO_WM" >/dev/null 2>&1 </dev/null &
    echo $! >"$state"
    # Managing starts once it owns the screen's window manager selection.
    for _ in $(seq 1 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
}

if [ "${1:-}" = "stop" ]; then
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
    if [ -f "$WINEPREFIX.wm" ]; then
        kill "$(cat "$WINEPREFIX.wm")" >/dev/null 2>&1
        rm -f "$WINEPREFIX.wm"
    fi
    if [ -f "$_nimbo_xstate" ]; then
        d="$(cat "$_nimbo_xstate")"
        pkill -f "Xvfb $d " >/dev/null 2>&1
        rm -f "$_nimbo_xstate"
    fi
    exit 0
fi

nimbo_ensure_display
nimbo_ensure_wm
nimbo_ensure_prefix
# One server for the whole run: a server that exits between two programs
# can reset the next one's connection. `wine-env.sh stop` ends it.
wineserver -p >/dev/null 2>&1 </dev/null || true
