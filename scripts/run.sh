#!/bin/bash
# `make run`: the shipped setup under Wine. With a display of your own it
# simply runs; without one it runs on Xvfb, the robot takes the default
# path through every page, a screenshot of each page lands in
# build/screens/, and the install log is printed; then the single-file demo
# (build/screens/single/) and the setup folder at 150 % display scale
# (build/screens/150/).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/win32"
run="$root/build/run"
screens="$root/build/screens"

interactive=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && [ -z "${NIMBO_ROBOT:-}" ]; then
    interactive=1
fi

# A fresh prefix each time: the run starts from a clean Windows.
export NIMBO_WINEPREFIX="$run/wineprefix"
[ -d "$NIMBO_WINEPREFIX" ] && WINEPREFIX="$NIMBO_WINEPREFIX" wineserver -k >/dev/null 2>&1
rm -rf "$run"
mkdir -p "$run" "$screens"
rm -f "$screens"/*.png

# The demo setup, made by the setup builder from the demo script (the
# shipped setup written as an author's script) and the demo payload.
(source "$root/scripts/wine-env.sh" &&
    wine "$build/nimbobuild.exe" "$(winepath -w "$root/src/app/demo_setup.nss")" \
        "$(winepath -w "$build/payload")" "$(winepath -w "$run/demo")" >"$run/build.log" 2>&1 </dev/null) ||
    { cat "$run/build.log"; exit 1; }

if [ "$interactive" = 1 ]; then
    source "$root/scripts/wine-env.sh"
    mkdir -p "$run/source" && cp -r "$run/demo/." "$run/source/"
    (cd "$run/source" && wine setup.exe)
    rc=$?
else
    export NIMBO_OWN_XVFB=1
    # drive.sh takes a build tree's layout: the program at the top, the
    # payload in payload/, the robot in tools/.
    tree="$run/demo-tree"
    mkdir -p "$tree/payload" && cp -r "$run/demo/." "$tree/payload/" && ln -s "$build/tools" "$tree/tools"
    mv "$tree/payload/setup.exe" "$tree/payload/TNLANG32.DLL" "$tree/"
    SCREENS="$screens" "$root/scripts/drive.sh" "$tree" "$root/tests/e2e/demo_path.scn" "$run"
    rc=$?
    echo "screenshots in build/screens:"
    ls -1 "$screens"
fi

source "$root/scripts/wine-env.sh"
echo "install log:"
log="$(find "$WINEPREFIX/drive_c" -iname 'INSTALL.LOG' 2>/dev/null | head -1)"
if [ -n "$log" ]; then cat "$log"; else echo "(none written)"; fi
# The group of a machine-wide install: in everybody's Start menu when the
# page makes it itself, in the user's when Wine's Program Manager does
# (its shell makes every group there).
for where in user everybody; do
    if [ "$where" = user ]; then
        programs="$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs' -type d 2>/dev/null | head -1)"
    else
        programs="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
    fi
    echo "Start menu ($where):"
    if [ -d "$programs" ]; then
        (cd "$programs" && find . -mindepth 1 -newer "$run/source/setup.exe" | sed 's|^\./|  |' | sort)
    fi
done
if [ "$interactive" = 0 ] && [ $rc -eq 0 ]; then
    # Then the uninstall, started as Add/Remove Programs starts it.
    echo "uninstall through the registered command:"
    SCREENS="$screens" "$root/scripts/uninstall_demo.sh" "$run"
    rc=$?
    ls -1 "$screens" | grep -E '^0[89]-'
fi
if [ $rc -eq 0 ]; then
    echo
    echo "the same demo as one file:"
    "$root/scripts/run_single.sh" "$interactive"
    rc=$?
fi
if [ "$interactive" = 0 ] && [ $rc -eq 0 ]; then
    echo
    echo "the demo setup folder again, at 150 % display scale:"
    "$root/scripts/run_scaled.sh"
    rc=$?
fi
"$root/scripts/wine-env.sh" stop
exit $rc
