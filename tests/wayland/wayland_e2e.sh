#!/usr/bin/env bash
# End-to-end scenarios of quendelrix --wayland on a private headless sway:
#   wayland_e2e.sh SCENARIO PROGRAM TOOL WORKDIR
# PROGRAM is quendelrix, TOOL the scenario helper (wayland_e2e_tool).
# Scenarios: pixels_scale_input (two outputs, one at scale 2: pixels, the
# buffers, input, a second instance, refused options), signals (SIGTERM in
# the ball phase and in the melt), outputs_idle (outputs added and removed
# while it runs, and its start by the idle daemon). Each starts its own
# compositor and ends everything it started.
#
# Every wait is for something seen from outside: pixels of an output, a
# line of the program's protocol log (WAYLAND_DEBUG), a process's end. Only
# the ceiling fails a wait.
set -uo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/headless_sway.sh"

scenario=$1
Q=$2
TOOL=$3
WORK=$4/$scenario
rm -rf "$WORK"
mkdir -p "$WORK"
source "$(dirname "${BASH_SOURCE[0]}")/../linux/wait_for.sh"
cd "$WORK" || exit 2

CEILING=120
QPID=""
HOLD_PIDS=()
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

cleanup() {
  exec 8>&- 2>/dev/null
  [ -n "$QPID" ] && kill -KILL "$QPID" 2>/dev/null
  for p in "${HOLD_PIDS[@]}"; do kill "$p" 2>/dev/null; done
  qx_stop_sway
  wait 2>/dev/null
}
trap cleanup EXIT


# start_sway OUTPUT-LINES...: the private compositor (scripts/headless_sway.sh)
# with INITIAL_OUTPUTS outputs at the start.
start_sway() {
  QX_SWAY_OUTPUTS=$INITIAL_OUTPUTS qx_start_sway "$@" 2>sway.err || { fail "$(cat sway.err)"; exit 1; }
}

shot() { grim -o "$1" "$2.png" 2>/dev/null && convert "$2.png" "$2.ppm"; }

covered() { shot "$1" "$2" && "$TOOL" covered "$2.ppm" >"$2.txt"; }

# start_q ARGS...: the program with its protocol log in q.log; sets QPID.
start_q() {
  WAYLAND_DEBUG=1 "$Q" "$@" >q.out 2>q.log &
  QPID=$!
}

# ended_with STATUS WHAT: the program ends with STATUS (a signal N shows as
# 128 + N) within the ceiling.
ended_with() {
  local got
  if ! wait_for $CEILING ended; then
    fail "$2: still running"
    return
  fi
  wait "$QPID"
  got=$?
  QPID=""
  [ "$got" = "$1" ] && pass "$2: status $got" || fail "$2: status $got, not $1 ($(grep -v '^\[' q.log | tail -3))"
}

ended() { ! kill -0 "$QPID" 2>/dev/null || [ "$(ps -o stat= -p "$QPID")" = Z ]; }

alive() {
  if [ -n "$QPID" ] && kill -0 "$QPID" 2>/dev/null && [ "$(ps -o stat= -p "$QPID")" != Z ]; then
    pass "running: $1"
  else
    fail "not running: $1 ($(grep -v '^\[' q.log | tail -3))"
  fi
}

logged() { grep -qE "$1" q.log; }
# log_count PATTERN: how many lines of the protocol log match.
log_count() { grep -cE "$1" q.log; }
# logged_more PATTERN N: more than N lines match.
logged_more() { [ "$(log_count "$1")" -gt "$2" ]; }

# wait_covered OUTPUT...: each output shows balls on black, none of the
# background.
wait_covered() {
  local o
  for o in "$@"; do
    if wait_for $CEILING covered "$o" "cover-$o"; then
      pass "$o shows balls on black, nothing of the desktop ($(cat "cover-$o.txt"))"
    else
      fail "$o is not covered: $(cat "cover-$o.txt" 2>/dev/null)"
    fi
  done
}

# hold_keyboard: a virtual keyboard stays present, so that the next wtype's
# key reaches a client that already holds a keyboard.
hold_keyboard() {
  wtype -s 600000 &
  HOLD_PIDS+=($!)
}

# start_pointer: a virtual pointer on fd 8 (commands) and pointer.out.
start_pointer() {
  exec 8> >("$TOOL" pointer >pointer.out 2>&1)
  HOLD_PIDS+=($!)
  wait_for $CEILING grep -q ready pointer.out || fail "no virtual pointer: $(cat pointer.out)"
}

# pointer COMMAND: sends it and waits until the compositor has it.
pointer() {
  local before
  before=$(grep -c done pointer.out)
  echo "$*" >&8
  wait_for $CEILING pointer_done_more "$before" || fail "pointer command '$*' not done"
}

pointer_done_more() { [ "$(grep -c done pointer.out)" -gt "$1" ]; }
stop_pointer() { exec 8>&-; }

pixels_scale_input() {
  INITIAL_OUTPUTS=2
  start_sway "HEADLESS-1 1024x768 0 0 1" "HEADLESS-2 800x600 1024 0 2"
  local layout="0,0,1024,768,1;1024,0,400,300,2"

  start_q --wayland --count 60 --interval 500
  wait_covered HEADLESS-1 HEADLESS-2
  # The scale-2 output's buffers have its physical size, with buffer scale 2.
  if logged 'create_buffer\(new id wl_buffer@[0-9]+, 0, 800, 600, 3200' && logged 'set_buffer_scale\(2\)' &&
     logged 'create_buffer\(new id wl_buffer@[0-9]+, 0, 1024, 768, 4096'; then
    pass "buffers of 800 x 600 at scale 2 and 1024 x 768 at scale 1"
  else
    fail "buffer sizes: $(grep -oE 'create_buffer[^)]*\)|set_buffer_scale\([0-9]\)' q.log | sort -u | tr '\n' ' ')"
  fi
  if logged 'damage_buffer' && ! logged 'wl_surface@[0-9]+\.damage\('; then
    pass "damage in buffer pixels"
  else
    fail "no damage_buffer requests"
  fi
  # Stopped, the outputs show what they last got: each its part of a frame
  # of the form (a stop while a commit is on its way is tried again).
  local try ok=0
  for try in 1 2 3; do
    kill -STOP "$QPID"
    shot HEADLESS-1 frame-1 && shot HEADLESS-2 frame-2
    kill -CONT "$QPID"
    if "$TOOL" match 60 500 "$layout" frame-1.ppm frame-2.ppm >match.txt 2>&1; then
      ok=1
      break
    fi
  done
  [ $ok = 1 ] && pass "each output shows its part of the form's frame, the scale-1 one reduced ($(tr '\n' ' ' <match.txt))" ||
    fail "screenshots are not the form's frames: $(cat match.txt)"

  # One saver per display.
  "$Q" --wayland >second.out 2>&1 &
  local second=$!
  if wait_for $CEILING eval '! kill -0 '$second' 2>/dev/null'; then
    wait "$second"
    local rc=$?
    [ $rc = 0 ] && [ ! -s second.out ] && pass "a second instance ends at once with status 0" ||
      fail "second instance: status $rc, $(cat second.out)"
  else
    fail "a second instance keeps running"
  fi
  alive "the first one goes on"

  # A key ends it.
  hold_keyboard
  wait_for $CEILING logged 'get_keyboard' || fail "the keyboard that appeared was not taken up"
  wait_for $CEILING logged 'wl_keyboard@[0-9]+\.enter' || fail "no keyboard focus"
  alive "a keyboard appearing is no input"
  wtype a
  ended_with 0 "a key"

  # A button ends it; a pointer's enter and its first motion do not.
  start_q --wayland --interval 500
  wait_covered HEADLESS-2
  start_pointer
  wait_for $CEILING logged 'get_pointer' || fail "the pointer that appeared was not taken up"
  pointer at 200 100 1424 768
  wait_for $CEILING logged 'wl_pointer@[0-9]+\.(enter|motion)' || fail "no pointer event"
  logged 'set_cursor\([0-9]+, nil, 0, 0\)' && pass "the pointer is hidden on enter" || fail "no set_cursor(nil)"
  alive "after the pointer's enter and first motion"
  pointer click
  ended_with 0 "a click"

  # Entering the other output is no motion; the first motion only records
  # the position; a move along one axis does not end it, a diagonal one
  # does. Positions on the scale-2 output.
  start_q --wayland --interval 500
  wait_for $CEILING logged 'get_pointer' || fail "the present pointer was not taken up"
  wait_covered HEADLESS-2
  local enters
  enters=$(log_count 'wl_pointer@[0-9]+\.enter')
  pointer at 1100 100 1424 768
  wait_for $CEILING logged_more 'wl_pointer@[0-9]+\.enter' "$enters" || fail "no enter on the other output"
  pointer at 1150 100 1424 768
  wait_for $CEILING logged 'wl_pointer@[0-9]+\.motion' || fail "no motion event"
  pointer at 1200 100 1424 768
  wait_for $CEILING logged_more 'wl_pointer@[0-9]+\.motion' 1 || fail "no second motion"
  alive "after a first motion and a horizontal move"
  pointer at 1250 150 1424 768
  ended_with 0 "a diagonal move"
  stop_pointer

  # Refusals, and no display.
  local rc
  "$Q" --wayland --root >refused.out 2>&1; rc=$?
  [ $rc = 2 ] && grep -q 'cannot be used with --root' refused.out && pass "--wayland --root refused with status 2" ||
    fail "--wayland --root: $rc $(cat refused.out)"
  XSCREENSAVER_WINDOW=0x400001 "$Q" --wayland >refused.out 2>&1; rc=$?
  [ $rc = 2 ] && pass "--wayland under XScreenSaver refused with status 2" || fail "XSCREENSAVER_WINDOW: $rc"
  "$Q" --wayland --count 5 >refused.out 2>&1; rc=$?
  [ $rc = 2 ] && pass "a bad option: status 2" || fail "--count 5: $rc"
  WAYLAND_DISPLAY=wayland-none "$Q" --wayland >none.out 2>&1; rc=$?
  if [ $rc = 1 ] && [ "$(wc -l <none.out)" = 1 ] && grep -q 'cannot connect to the Wayland display wayland-none' none.out; then
    pass "no Wayland display: status 1 and one line ($(cat none.out))"
  else
    fail "no display: status $rc, $(cat none.out)"
  fi
}

signals() {
  INITIAL_OUTPUTS=1
  start_sway "HEADLESS-1 1024x768 0 0 1"
  start_q --wayland --interval 100
  wait_covered HEADLESS-1
  kill -TERM "$QPID"
  ended_with 143 "SIGTERM in the ball phase ends it by the signal"
  # The ball phase has 101 presents: once more commits than that were made,
  # the melt is on (a commit is a present, some presents make none).
  start_q --wayland --interval 100
  wait_for $CEILING logged_more 'wl_surface@[0-9]+\.commit' 103 || fail "fewer commits than a ball phase"
  kill -TERM "$QPID"
  ended_with 143 "SIGTERM in the melt ends it by the signal"
  # Its lock went with it: a new one runs.
  start_q --wayland
  wait_covered HEADLESS-1
  kill -INT "$QPID"
  ended_with 130 "SIGINT ends it by the signal"
}

outputs_idle() {
  INITIAL_OUTPUTS=2
  start_sway "HEADLESS-1 1024x768 0 0 1" "HEADLESS-2 800x600 1024 0 2" "HEADLESS-3 640x480 1424 0 1"
  start_q --wayland --interval 500
  wait_covered HEADLESS-1 HEADLESS-2
  swaymsg create_output >/dev/null
  wait_covered HEADLESS-3
  # A layout change (HEADLESS-2 moved down): the scene is set up again
  # (every surface gets a whole new picture), and it goes on. (sway 1.7's
  # headless outputs fail to commit an "output ... disable" here, so the
  # removal of an output's global is not played.)
  local before
  before=$(log_count 'damage_buffer\(0, 0, 1024, 768\)')
  swaymsg output HEADLESS-2 position 1024 600 >/dev/null
  wait_for $CEILING logged_more 'damage_buffer\(0, 0, 1024, 768\)' "$before" &&
    pass "a new scene after the layout changed" || fail "no new scene after the layout changed"
  shot HEADLESS-1 after-1
  wait_for $CEILING eval 'shot HEADLESS-1 later-1 && ! cmp -s after-1.ppm later-1.ppm' &&
    pass "HEADLESS-1 goes on changing" || fail "HEADLESS-1 stands still"
  wait_covered HEADLESS-1 HEADLESS-2 HEADLESS-3
  alive "after the layout changed"
  kill -TERM "$QPID"
  ended_with 143 "SIGTERM"

  # Started by the idle daemon; input ends it (the daemon is stopped first,
  # as it would start the program again after its timeout).
  rm -f q.log
  swayidle timeout 1 "WAYLAND_DEBUG=1 $Q --wayland --interval 500 2>q.log; echo \$? >idle.status" >swayidle.log 2>&1 &
  local idle=$!
  HOLD_PIDS+=($idle)
  wait_for $CEILING test -s q.log && pass "swayidle started it" || fail "not started by swayidle"
  wait_covered HEADLESS-1 HEADLESS-2 HEADLESS-3
  kill "$idle"
  wait "$idle" 2>/dev/null
  hold_keyboard
  wait_for $CEILING logged 'wl_keyboard@[0-9]+\.enter' || fail "no keyboard focus"
  wtype a
  wait_for $CEILING test -s idle.status && [ "$(cat idle.status)" = 0 ] &&
    pass "a key ends the program swayidle started, status 0" || fail "idle run: $(cat idle.status idle.out 2>/dev/null)"
}

"$scenario"
echo "$failures failure(s)"
[ "$failures" = 0 ]
