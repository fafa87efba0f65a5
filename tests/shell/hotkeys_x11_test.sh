#!/bin/bash
# The global hot keys on a real X server (run under xvfb-run; no window
# manager there, so places are read from the X window geometry):
#   Ctrl+Alt+R shows FormTest centred over the main window; pressed again it
#   changes nothing (not even the stacking); moved, resized and closed, it
#   comes back where and as it was left. A second copy starts normally and
#   its hot keys do not reach it. Alt+Enter does not reach another focused
#   window while the program runs, and does again after it has ended.
#   With NumLock and CapsLock on, Ctrl+Alt+R still reaches the program and not
#   the focused window of another one.
#   Closing the main window ends the program (status 0) while FormTest shows.
# Usage: hotkeys_x11_test.sh VPO_ANALYZER X11_PROBE
set -u
APP=$1
PROBE=$2
WORK=$(mktemp -d)
PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }

# wait_until SECONDS COMMAND...: polls COMMAND every 50 ms.
wait_until() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# The visible windows of process $1 whose name matches $2.
windows_of() { xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null; }
has_window() { [ -n "$(windows_of "$1" "$2")" ]; }
no_window() { [ -z "$(windows_of "$1" "$2")" ]; }
# geometry WINDOW -> "X Y WIDTH HEIGHT"
geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}
geometry_is() { [ "$(geometry "$1")" = "$2" ]; }
# centre_near "X Y W H" "X Y W H": the two rectangles have the same centre (+-1 px).
centre_near() {
  local a=($1) b=($2)
  local ax=$((2 * ${a[0]} + ${a[2]})) ay=$((2 * ${a[1]} + ${a[3]}))
  local bx=$((2 * ${b[0]} + ${b[2]})) by=$((2 * ${b[1]} + ${b[3]}))
  [ $((ax - bx)) -ge -2 ] && [ $((ax - bx)) -le 2 ] && [ $((ay - by)) -ge -2 ] && [ $((ay - by)) -le 2 ]
}
# Stacking position of a window among the root's children (0 = top).
stack_index() { xwininfo -root -children | grep -E '^\s+0x' | awk '{print $1}' | grep -n -x "$(printf '0x%x' "$1")" | cut -d: -f1; }
# Waits until the program has had the chance to handle a key already sent:
# there is no event to wait for when the right answer is "nothing happens".
settle() { sleep 0.4; }

MAIN_NAME='v1\.0$'

step "first copy starts; only its main window shows, centred on the screen"
"$APP" >"$WORK/a.out" 2>&1 &
A=$!; PIDS+=("$A")
wait_until 20 has_window "$A" "$MAIN_NAME" || fail "the main window did not appear"
MAIN_A=$(windows_of "$A" "$MAIN_NAME")
[ "$(xdotool getwindowname "$MAIN_A")" = "ЗЕЛ Анализатор ВПО v1.0" ] || fail "main window caption"
read -r SW SH < <(xdotool getdisplaygeometry)
GEOM_MAIN=$(geometry "$MAIN_A")
[ "$(echo "$GEOM_MAIN" | cut -d' ' -f3-)" = "389 93" ] || fail "main window size: $GEOM_MAIN"
centre_near "$GEOM_MAIN" "0 0 $SW $SH" || fail "main window not centred on the screen: $GEOM_MAIN"
no_window "$A" FormTest || fail "FormTest shown at start"

step "second copy starts normally"
"$APP" >"$WORK/b.out" 2>&1 &
B=$!; PIDS+=("$B")
wait_until 20 has_window "$B" "$MAIN_NAME" || fail "the second copy's main window did not appear"
MAIN_B=$(windows_of "$B" "$MAIN_NAME")

step "Ctrl+Alt+R shows the first copy's FormTest, centred over its main window"
xdotool key ctrl+alt+r
wait_until 10 has_window "$A" FormTest || fail "Ctrl+Alt+R did not show FormTest"
TEST_A=$(windows_of "$A" FormTest)
GEOM_TEST=$(geometry "$TEST_A")
[ "$(echo "$GEOM_TEST" | cut -d' ' -f3-)" = "517 594" ] || fail "FormTest size: $GEOM_TEST"
centre_near "$GEOM_TEST" "$GEOM_MAIN" || fail "FormTest ($GEOM_TEST) not centred over the main window ($GEOM_MAIN)"
no_window "$B" FormTest || fail "the second copy received the hot key"

step "Ctrl+Alt+R again changes nothing, not even the stacking"
xdotool windowraise "$MAIN_A"
wait_until 5 test "$(stack_index "$MAIN_A")" -lt "$(stack_index "$TEST_A")" || fail "could not raise the main window"
xdotool key ctrl+alt+r
settle
geometry_is "$TEST_A" "$GEOM_TEST" || fail "FormTest moved: $(geometry "$TEST_A")"
[ "$(stack_index "$MAIN_A")" -lt "$(stack_index "$TEST_A")" ] || fail "FormTest was raised"
[ "$(windows_of "$A" FormTest | wc -l)" -eq 1 ] || fail "more than one FormTest"
no_window "$B" FormTest || fail "the second copy received the hot key"

step "moved, resized and closed, FormTest comes back as it was left"
xdotool windowmove "$TEST_A" 50 60
xdotool windowsize "$TEST_A" 600 500
wait_until 5 geometry_is "$TEST_A" "50 60 600 500" || fail "could not move FormTest: $(geometry "$TEST_A")"
"$PROBE" close "$TEST_A" || fail "could not close FormTest"
wait_until 10 no_window "$A" FormTest || fail "closing FormTest did not hide it"
kill -0 "$A" 2>/dev/null || fail "closing FormTest ended the program"
has_window "$A" "$MAIN_NAME" || fail "closing FormTest hid the main window"
xdotool key ctrl+alt+r
wait_until 10 has_window "$A" FormTest || fail "Ctrl+Alt+R did not show FormTest again"
# (Qt makes a new X window for it: a closed QWindow drops its native window.)
TEST_A=$(windows_of "$A" FormTest)
wait_until 5 geometry_is "$TEST_A" "50 60 600 500" || fail "FormTest not where it was left: $(geometry "$TEST_A")"

step "Alt+Enter does not reach another focused window"
"$PROBE" keylog keylog-probe >>"$WORK/keys.log" 2>&1 &
K=$!; PIDS+=("$K")
wait_until 10 grep -q '^ready' "$WORK/keys.log" || fail "the key logger did not start"
KWIN=$(awk '/^ready/ {print $2; exit}' "$WORK/keys.log")
xdotool windowfocus --sync "$KWIN"
xdotool key alt+Return
xdotool key x
wait_until 10 grep -q ' 0x78$' "$WORK/keys.log" || fail "the key logger did not get the focus ($(cat "$WORK/keys.log"))"
if grep -q ' 0xff0d$' "$WORK/keys.log"; then fail "Alt+Enter reached the focused window"; fi

step "with NumLock and CapsLock on, Ctrl+Alt+R still reaches the program, not the focused window"
"$PROBE" close "$TEST_A" || fail "could not close FormTest"
wait_until 10 no_window "$A" FormTest || fail "closing FormTest did not hide it"
xdotool windowfocus --sync "$KWIN"
xdotool key Num_Lock Caps_Lock
xdotool key ctrl+alt+r
wait_until 10 has_window "$A" FormTest || fail "Ctrl+Alt+R with NumLock and CapsLock on did not show FormTest"
xdotool key Num_Lock Caps_Lock
if grep -q ' 0x72$' "$WORK/keys.log"; then fail "Ctrl+Alt+R with NumLock and CapsLock on reached the focused window"; fi
TEST_A=$(windows_of "$A" FormTest)

step "closing the main window ends the program while FormTest is shown, status 0"
has_window "$A" FormTest || fail "FormTest should still be shown"
"$PROBE" close "$MAIN_A" || fail "could not close the main window"
wait_until 15 bash -c "! kill -0 $A 2>/dev/null" || fail "the program did not end"
wait "$A"; RC=$?
[ "$RC" -eq 0 ] || { cat "$WORK/a.out"; fail "exit status $RC"; }

step "after the program has ended, Alt+Enter reaches other windows again"
xdotool windowfocus --sync "$KWIN"
: >"$WORK/keys.log"
xdotool key alt+Return
xdotool key y
wait_until 10 grep -q ' 0x79$' "$WORK/keys.log" || fail "the key logger lost the focus"
grep -q ' 0xff0d$' "$WORK/keys.log" || fail "Alt+Enter still held after the program ended"
kill "$K" 2>/dev/null

step "the second copy ends normally"
"$PROBE" close "$MAIN_B" || fail "could not close the second main window"
wait_until 15 bash -c "! kill -0 $B 2>/dev/null" || fail "the second copy did not end"
wait "$B"; RC=$?
[ "$RC" -eq 0 ] || { cat "$WORK/b.out"; fail "second copy exit status $RC"; }
echo "PASS"
