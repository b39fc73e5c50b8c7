#!/bin/bash
# Wine prefix and X display for the tests and `make run`.
#   source scripts/wine-env.sh   -> exports WINEPREFIX, DISPLAY, WINEDEBUG, ...
#   scripts/wine-env.sh stop     -> ends the prefix's wineserver, our Xvfb
#                                   and window manager
# The prefix lives in the build tree (NIMBO_WINEPREFIX overrides) and is
# created on first use; the Xvfb server is started once and reused. When
# the display or the window manager cannot be had, the script that sourced
# this one ends with exit code 1.

_nimbo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${NIMBO_WINEPREFIX:-$_nimbo_root/build/win32/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko prompt; and no menu builder: it would turn every
# shortcut a test makes into an entry of the Linux desktop's menu, one
# process per shortcut, and nothing here reads those entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
_nimbo_xstate="$WINEPREFIX.xvfb"   # "DISPLAY PID" of our Xvfb
_nimbo_wmstate="$WINEPREFIX.wm"    # PID of our window manager

nimbo_display_ok() { [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; }

# Runs the command until it succeeds while process $1 lives; gives up when
# that process ends, or after a minute, so a start that hangs ends the run.
nimbo_wait_while_alive() {
    local pid="$1"
    shift
    for _ in $(seq 1 600); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

nimbo_ensure_display() {
    if [ -f "$_nimbo_xstate" ]; then
        local d
        read -r d _ <"$_nimbo_xstate"
        export DISPLAY="$d"
        nimbo_display_ok && return 0
    fi
    # A window manager of ours never goes onto someone else's display.
    if [ -z "${NIMBO_OWN_XVFB:-}${NIMBO_WM:-}" ] && nimbo_display_ok; then return 0; fi
    # Xvfb takes a free display number itself and writes it down once it
    # accepts connections: two sessions starting at once cannot both think
    # they have the same display, and nothing starts on it too early.
    mkdir -p "$(dirname "$_nimbo_xstate")"
    local out="$_nimbo_xstate.new"
    : >"$out"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out" >/dev/null 2>&1 </dev/null &
    local pid=$!
    if ! nimbo_wait_while_alive "$pid" grep -qx '[0-9]\+' "$out"; then
        kill "$pid" 2>/dev/null
        rm -f "$out"
        echo "wine-env: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(cat "$out")"
    echo "$DISPLAY $pid" >"$_nimbo_xstate"
    rm -f "$out"
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
# the display; `stop` ends it with the display. As in a desktop session, it
# manages the display before any program starts: a program that maps its
# windows with none there gets no captions, placement or maximize from it.
nimbo_wm_ready() {
    # It manages once it has redirected the root window's children to
    # itself; it then names its check window on the root, and the check
    # window names itself.
    local id
    id="$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')"
    [ -n "$id" ] && xprop -id "$id" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "# $id\$"
}

nimbo_ensure_wm() {
    [ -n "${NIMBO_WM:-}" ] || return 0
    if [ -f "$_nimbo_wmstate" ] && kill -0 "$(cat "$_nimbo_wmstate")" 2>/dev/null && nimbo_wm_ready; then
        return 0
    fi
    "$NIMBO_WM" >"$_nimbo_wmstate.log" 2>&1 </dev/null &
    local pid=$!
    echo "$pid" >"$_nimbo_wmstate"
    if ! nimbo_wait_while_alive "$pid" nimbo_wm_ready; then
        echo "wine-env: $NIMBO_WM does not manage the display $DISPLAY:" >&2
        cat "$_nimbo_wmstate.log" >&2
        return 1
    fi
}

# Whether our window manager still runs; says so, with its output, if not.
nimbo_wm_check() {
    [ -n "${NIMBO_WM:-}" ] || return 0
    kill -0 "$(cat "$_nimbo_wmstate" 2>/dev/null)" 2>/dev/null && return 0
    echo "wine-env: the window manager $NIMBO_WM has ended:"
    cat "$_nimbo_wmstate.log" 2>/dev/null
    return 1
}

# The prefix's display scale, as the user's setting of Windows: LogPixels
# 96 is 100 %, 144 150 %, 192 200 %. Programs read it when they start, so
# the prefix's server and every program of it are restarted.
nimbo_set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    wineserver -p >/dev/null 2>&1 </dev/null || true
}

source "$_nimbo_root/scripts/prefix_processes.sh"
# The processes of this prefix, but for this shell and its callers.
nimbo_prefix_pids() {
    local pid _
    nimbo_prefix_processes "$WINEPREFIX" | while read -r pid _; do echo "$pid"; done
}

if [ "${1:-}" = "stop" ]; then
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
    if [ -f "$_nimbo_wmstate" ]; then
        kill "$(cat "$_nimbo_wmstate")" >/dev/null 2>&1
        rm -f "$_nimbo_wmstate" "$_nimbo_wmstate.log"
    fi
    if [ -f "$_nimbo_xstate" ]; then
        read -r _ pid <"$_nimbo_xstate"
        [ -n "${pid:-}" ] && kill "$pid" >/dev/null 2>&1
        rm -f "$_nimbo_xstate"
    fi
    # A Wine process that was starting while the server ended (a console
    # host is the one seen) never learns of it and waits for it for ever;
    # the server's end takes the others within moments.
    if [ -d "$WINEPREFIX" ]; then
        for _ in $(seq 1 50); do
            [ -z "$(nimbo_prefix_pids)" ] && break
            sleep 0.1
        done
        for pid in $(nimbo_prefix_pids); do kill -KILL "$pid" 2>/dev/null; done
    fi
    exit 0
fi

if ! { nimbo_ensure_display && nimbo_ensure_wm; }; then
    [[ $- == *i* ]] && return 1
    exit 1
fi
nimbo_ensure_prefix
# One server for the whole run: a server that exits between two programs
# can reset the next one's connection. `wine-env.sh stop` ends it.
wineserver -p >/dev/null 2>&1 </dev/null || true
