#!/bin/bash
# Drives the fixture program with the robot under Wine and checks both sides:
# the robot's exit code and messages, and what the fixture itself received.
#   robot_test.sh <robot.exe> <fixture_app.exe> <work dir>
set -u
here="$(cd "$(dirname "$0")" && pwd)"
robot="$1"
fixture="$2"
work="$3"
source "$here/../../scripts/wine-env.sh"
rm -rf "$work"
mkdir -p "$work"
export ROBOT_WORK="$work" ROBOT_GREETING="from the test"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

fixture_pid=
start_fixture() {
    # Wine's processes keep inherited pipes open: output goes to files.
    wine "$fixture" >"$work/$1.log" 2>&1 </dev/null &
    fixture_pid=$!
}

# Waits for the fixture to end by itself; ends it when it does not.
stop_fixture() {
    for _ in $(seq 1 100); do
        kill -0 "$fixture_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$fixture_pid" 2>/dev/null; then
        kill "$fixture_pid"
        wait "$fixture_pid" 2>/dev/null
        return 1
    fi
    wait "$fixture_pid"
}

# run_robot <name> <scenario file> [robot options...]: sets $rc, output in $work/<name>.out
run_robot() {
    local name="$1" scenario="$2"
    shift 2
    wine "$robot" "$@" "$scenario" >"$work/$name.out" 2>&1 </dev/null
    rc=$?
}

# expect_failure <name> <exit code> <pattern>... with the scenario on stdin:
# the robot must stop with that code and print every pattern (grep -F).
expect_failure() {
    local name="$1" want="$2" before=$failures
    shift 2
    cat >"$work/$name.scn"
    run_robot "$name" "$work/$name.scn"
    [ "$rc" = "$want" ] || fail "$name: exit code $rc, expected $want"
    for pattern in "$@"; do
        grep -qF -- "$pattern" "$work/$name.out" || fail "$name: output lacks '$pattern'"
    done
    if [ "$failures" -gt "$before" ]; then
        echo "--- $name output:"
        cat "$work/$name.out"
    fi
}

# 1. A scenario that passes, checked on both sides.
start_fixture walkthrough
run_robot walkthrough "$here/fixture_walkthrough.scn"
[ "$rc" = 0 ] || fail "walkthrough: robot exit code $rc"
stop_fixture || fail "walkthrough: the fixture did not end after 'close'"
tr -d '\r' <"$work/walkthrough.log" >"$work/walkthrough.events"
# One line per notification: a doubled EN_CHANGE or a missing CBN_SELCHANGE shows here.
diff -u "$here/fixture_events.txt" "$work/walkthrough.events" || fail "walkthrough: the fixture saw other events"
grep -qF 'robot:   closing from the test' "$work/walkthrough.out" || fail "walkthrough: \${...} not expanded"
[ "$(identify -format '%m %w %h' "$work/fixture.png" 2>&1)" = "PNG 1024 768" ] || fail "walkthrough: no screenshot"
ls "$work"/fixture.png.* >/dev/null 2>&1 && fail "walkthrough: screenshot left temporary files"
if [ "$failures" -gt 0 ]; then
    echo "--- walkthrough robot output:"
    cat "$work/walkthrough.out"
fi

# 2. Scenarios that must fail, each naming its line and the cause, with the
#    window dump; they run against one fixture that stays open.
start_fixture failures
expect_failure disabled 1 'disabled.scn:3: click btnLocked timeout=1' \
    'btnLocked to be usable' 'but it is disabled' 'visible top-level windows' 'btnLocked (Button) "&Locked" [disabled]' <<'EOF'
# a person cannot click a greyed button
wait window frmFixture timeout=15
click btnLocked timeout=1
EOF
expect_failure hidden 1 'hidden.scn:1:' 'but it is hidden' <<'EOF'
click "Secret" timeout=0.5
EOF
expect_failure missing 1 'but there is no such control within "Robot Fixture"' <<'EOF'
within "Robot Fixture"
click btnNext timeout=0.5
EOF
expect_failure text 1 'text.scn:2: assert text lblStatus equals "Done"' 'but its text is "Ready"' <<'EOF'
echo "the status is not what we say"
assert text lblStatus equals "Done"
EOF
expect_failure label 1 'clicking lblStatus: it is a Static, not a button' <<'EOF'
click lblStatus
EOF
expect_failure entry 1 'it has no entry "Purple"; entries: "Red", "Green", "Green (dark)", "Blue"' <<'EOF'
select cbxColor "Purple"
EOF
expect_failure window 1 'timed out waiting 0.5 s: window "Setup"' 'but no visible window "Setup"' <<'EOF'
wait window "Setup" timeout=0.5
EOF
# While the modal dialog is up, its owner cannot be clicked. (A dialog can
# be visible a moment before its owner is disabled: wait for both.)
expect_failure modal 1 'modal.scn:4:' 'but its window frmFixture is disabled' <<'EOF'
click btnAsk
wait window "Confirmation"
wait disabled frmFixture
click btnChange timeout=0.5
EOF
expect_failure dialog_text 1 'text of dialog "Confirmation" contains "delete"' \
    'but its text is "Replace the existing file' <<'EOF'
assert dialog "Confirmation" text contains "delete"
EOF
expect_failure syntax 2 'syntax.scn:3: unknown command' <<'EOF'
# the whole file is read before anything runs
click btnAsk
clik btnChange
EOF
expect_failure unset 2 'unset.scn:1: environment variable ROBOT_NOT_SET is not set' <<'EOF'
type edtName "${ROBOT_NOT_SET}"
EOF
cat >"$work/cleanup.scn" <<'EOF'
answer "Confirmation" "No"
assert text lblStatus equals "ask=No"
close frmFixture
EOF
run_robot cleanup "$work/cleanup.scn"
[ "$rc" = 0 ] || { fail "cleanup: exit code $rc"; cat "$work/cleanup.out"; }
stop_fixture || fail "failures: the fixture did not end"
grep -q 'click on a control nobody can reach' "$work/failures.log" && fail "a disabled or hidden button was clicked"
grep -q 'click btnChange' "$work/failures.log" && fail "a button behind a modal dialog was clicked"

# 3. A program in a Wine virtual desktop (where title bars are drawn) is on
#    another desktop: the robot reaches it with --desktop.
desktop="robot$$"
wine explorer /desktop="$desktop",800x600 "$fixture" >"$work/desktop.log" 2>&1 </dev/null &
fixture_pid=$!
cat >"$work/desktop.scn" <<'EOF'
wait window frmFixture timeout=15
click btnChange
assert text lblStatus equals "Changed"
close frmFixture
EOF
run_robot desktop "$work/desktop.scn" --desktop "$desktop"
[ "$rc" = 0 ] || { fail "desktop: exit code $rc"; cat "$work/desktop.out"; }
stop_fixture || fail "desktop: the fixture did not end"
grep -q 'quit status=Changed' "$work/desktop.log" || fail "desktop: the click did not arrive"

# 4. Usage errors.
run_robot usage "" --timeout
[ "$rc" = 2 ] || fail "usage: exit code $rc"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed; files in $work"
    exit 1
fi
echo "robot test passed"
