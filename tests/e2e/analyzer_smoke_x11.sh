#!/bin/bash
# vpo-analyzer itself on a real X server (run under xvfb-run; there is no
# window manager): it starts, shows its main window with the program's
# caption, and ends with status 0 when that window is closed. The button is
# never pressed: the port box starts at a real serial port's name.
# Usage: analyzer_smoke_x11.sh VPO_ANALYZER X11_PROBE
set -u
APP=$1
PROBE=$2
OUT=$(mktemp)
APP_PID=
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
  rm -f "$OUT"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -s "$OUT" ] && sed 's/^/  program: /' "$OUT" >&2; exit 1; }

"$APP" >"$OUT" 2>&1 &
APP_PID=$!

# The first shown window of the program whose name ends in the version.
WINDOW=$(timeout 30 xdotool search --sync --all --onlyvisible --pid "$APP_PID" --name 'v1\.0$' 2>/dev/null | head -n 1)
[ -n "$WINDOW" ] || fail "no main window shown within 30 s"
NAME=$(xdotool getwindowname "$WINDOW")
[ "$NAME" = "ЗЕЛ Анализатор ВПО v1.0" ] || fail "main window caption: '$NAME'"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended by itself"

"$PROBE" close "$WINDOW" || fail "could not close the main window"
for _ in $(seq 1 300); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end within 15 s of its window closing"
wait "$APP_PID"
RC=$?
APP_PID=
[ "$RC" -eq 0 ] || fail "exit status $RC"
echo "PASS"
