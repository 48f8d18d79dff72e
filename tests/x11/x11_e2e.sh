#!/usr/bin/env bash
# End-to-end scenarios of the Linux program on a private Xvfb:
#   x11_e2e.sh SCENARIO PROGRAM TOOL WORKDIR
# PROGRAM is quendelrix, TOOL the scenario helper (x11_e2e_tool). Each
# scenario starts its own X server and ends everything it started.
set -uo pipefail

scenario=$1
Q=$2
TOOL=$3
WORK=$4/$scenario
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK" || exit 2

XVFB_PID=""
HELPER_PID=""
RUN_PID=""
QPID=""
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

cleanup() {
  exec 7>&- 2>/dev/null
  [ -n "$RUN_PID" ] && kill "$RUN_PID" 2>/dev/null
  [ -n "$QPID" ] && kill -KILL "$QPID" 2>/dev/null
  [ -n "$HELPER_PID" ] && kill "$HELPER_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

# start_xvfb GEOMETRY [Xvfb options...]
start_xvfb() {
  local geometry=$1
  shift
  rm -f display
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp "$@" 3>display >xvfb.log 2>&1 7>&- &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s display ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 display)"
}

stop_xvfb() {
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}

# start_q ARGS...: runs the program under the helper, which records how it
# ends in ./status; sets QPID.
start_q() {
  rm -f status pid
  "$TOOL" run status pid "$Q" "$@" >q.out 2>q.err 7>&- &
  RUN_PID=$!
  for _ in $(seq 1 100); do
    [ -s pid ] && break
    sleep 0.05
  done
  QPID=$(cat pid)
}

# wait_end SECONDS: waits for the program to end; prints how it ended.
wait_end() {
  local deadline=$((SECONDS + $1))
  while [ ! -s status ] && [ $SECONDS -lt "$deadline" ]; do sleep 0.02; done
  if [ -s status ]; then
    wait "$RUN_PID" 2>/dev/null
    RUN_PID=""
    QPID=""
    cat status
  else
    echo "still running"
  fi
}

# expect_end WHAT SECONDS: the program ends as WHAT ("exit 0", "signal 15").
expect_end() {
  local got
  got=$(wait_end "$2")
  [ "$got" = "$1" ] && pass "ended with $1" || fail "expected '$1', got '$got'"
}

# term_q WHAT: SIGTERM, the time until the process is gone, how it ended,
# and no shared-memory segment of it left.
term_q() {
  local pid=$QPID t0 t1 got
  t0=$(date +%s%N)
  kill -TERM "$pid"
  while kill -0 "$pid" 2>/dev/null && ! grep -q '^State:.*Z' "/proc/$pid/status" 2>/dev/null; do
    sleep 0.001
  done
  t1=$(date +%s%N)
  echo "SIGTERM latency ($1): $(((t1 - t0) / 1000000)) ms"
  got=$(wait_end 10)
  [ "$got" = "signal 15" ] && pass "SIGTERM ($1) ends it by the signal" || fail "SIGTERM ($1): got '$got'"
  no_segment_of "$pid"
}

no_segment_of() {
  if ipcs -m -p | awk -v p="$1" '$3 == p' | grep -q .; then
    fail "a shared-memory segment of $1 is left"
  else
    pass "no shared-memory segment of $1 left"
  fi
}

# alive: the program is still running.
alive() {
  if [ -n "$QPID" ] && kill -0 "$QPID" 2>/dev/null && [ ! -s status ]; then
    pass "running: $1"
  else
    fail "not running: $1 ($(cat status 2>/dev/null); $(cat q.err))"
  fi
}

shot() {
  import -window root "$1.png" && convert "$1.png" "$1.ppm"
}

# shot_lit NAME X Y W H: a screenshot once the rectangle shows the program's
# drawing (up to 15 s: a busy machine starts it slowly).
shot_lit() {
  local name=$1
  shift
  for _ in $(seq 1 30); do
    shot "$name"
    "$TOOL" balls "$name.ppm" "$@" 1 0 >/dev/null 2>&1 && return 0
    sleep 0.5
  done
  return 1
}

check() {
  local what=$1
  shift
  if "$@" >check.out 2>&1; then pass "$what ($(cat check.out))"; else fail "$what ($(cat check.out))"; fi
}

# open_window X Y W H: a window made by another client; sets WIN.
open_window() {
  rm -f window.id
  mkfifo -m 600 hold 2>/dev/null || true
  "$TOOL" window "$@" <hold >window.id &
  HELPER_PID=$!
  exec 7>hold
  for _ in $(seq 1 100); do
    [ -s window.id ] && break
    sleep 0.05
  done
  WIN=$(cat window.id)
}

# close_window: the other client ends, and its window with it.
close_window() {
  exec 7>&-
  wait "$HELPER_PID" 2>/dev/null
  HELPER_PID=""
}

# The program's scene at a size and settings, compared with a screenshot.
pixels_match() {
  # frames W H COUNT INTERVAL shot X Y
  check "screenshot equals a frame of the first ball phase" "$TOOL" frames "$@"
}

case "$scenario" in
own_window)
  start_xvfb 1024x768x24
  start_q
  sleep 1.5
  id=$(xdotool search --name '^Quendelrix\(Main\)$' | head -n1)
  [ -n "$id" ] && pass "window titled Quendelrix(Main)" || fail "no window titled Quendelrix(Main)"
  shot a
  sleep 0.3
  shot b
  check "balls on black in the window" "$TOOL" balls a.ppm 0 0 800 600 3 25
  if cmp -s a.ppm b.ppm; then fail "the picture does not move"; else pass "the picture moves"; fi
  xdotool key --window "$id" space
  expect_end "exit 0" 10
  # A click ends it too, and so does the window manager's close.
  start_q --count 20
  sleep 1
  xdotool mousemove 100 100 click 1
  expect_end "exit 0" 10
  start_q
  sleep 1
  id=$(xdotool search --name '^Quendelrix\(Main\)$' | head -n1)
  "$TOOL" close "$id"
  expect_end "exit 0" 10
  [ -s q.err ] && fail "stderr: $(cat q.err)"
  ;;

root)
  # With a long interval the screen shows one of the first frames exactly.
  start_xvfb 1024x768x24
  start_q --root --interval 500
  sleep 1
  shot_lit a 0 0 1024 768
  alive "drawing on the root"
  pixels_match 1024 768 60 500 a.ppm 0 0
  check "balls on black" "$TOOL" balls a.ppm 0 0 1024 768 3 25
  term_q "ball phase"
  ;;

window_id)
  start_xvfb 1024x768x24
  # The size of XScreenSaver's settings preview.
  open_window 100 80 570 320
  shot before
  start_q --window-id "$WIN" --count 30 --interval 500
  sleep 1
  shot_lit hex 100 80 570 320
  alive "--window-id $WIN"
  check "hexadecimal id: drawn inside the window, nothing outside" "$TOOL" outside before.ppm hex.ppm 100 80 570 320
  pixels_match 570 320 30 500 hex.ppm 100 80
  term_q "given window"
  # A fresh window (the old one still shows the last frame) by its decimal id.
  close_window
  open_window 100 80 570 320
  start_q -window-id "$((WIN))" --count 30 --interval 500
  sleep 1
  shot_lit dec 100 80 570 320
  check "decimal id: drawn inside the window, nothing outside" "$TOOL" outside before.ppm dec.ppm 100 80 570 320
  pixels_match 570 320 30 500 dec.ppm 100 80
  # The window's owner ends: the program ends normally.
  close_window
  expect_end "exit 0" 10
  ;;

xscreensaver_window)
  start_xvfb 1024x768x24
  open_window 50 40 200 150
  shot before
  XSCREENSAVER_WINDOW=$WIN start_q --root --interval 500
  sleep 1.5
  shot small
  check "\$XSCREENSAVER_WINDOW with --root: inside only" "$TOOL" outside before.ppm small.ppm 50 40 200 150
  # Grown, the scene is set up again for the new size: balls on black beyond
  # the old size, where the window's own background is white.
  xdotool windowsize "$WIN" 700 500
  sleep 1.5
  shot grown
  alive "after the resize"
  check "balls in the grown part" "$TOOL" balls grown.ppm 250 190 500 350 2 5
  check "still nothing outside" "$TOOL" outside before.ppm grown.ppm 50 40 700 500
  close_window
  expect_end "exit 0" 10
  no_segment_of "$(cat pid)"
  ;;

melt)
  # SIGTERM while the melt runs (it never yields): busy, not sleeping.
  start_xvfb 1024x768x24
  start_q --root --count 20 --interval 100
  sleep 1
  busy=0
  # Ball frames sleep 10 ms each; 100 ms of running without a sleep is the melt.
  for _ in $(seq 1 2000); do
    if grep -q '^State:.*R' "/proc/$QPID/status" 2>/dev/null; then busy=$((busy + 1)); else busy=0; fi
    [ $busy -ge 20 ] && break
    sleep 0.005
  done
  shot melting
  [ $busy -ge 20 ] && pass "in the melt" || fail "the melt was not seen"
  term_q "melt"
  ;;

no_shm)
  start_xvfb 1024x768x24 -extension MIT-SHM
  xdpyinfo | grep -q MIT-SHM && fail "Xvfb still offers MIT-SHM"
  start_q --root --interval 500
  sleep 1
  shot_lit a 0 0 1024 768
  alive "without MIT-SHM"
  pixels_match 1024 768 60 500 a.ppm 0 0
  term_q "without MIT-SHM"
  open_window 10 10 300 200
  start_q --window-id "$WIN" --interval 100 --count 20
  sleep 3
  alive "through a melt without MIT-SHM"
  close_window
  expect_end "exit 0" 10
  ;;

sizes)
  # Windows down to one pixel, and smaller than a melt block, through a melt.
  start_xvfb 1024x768x24
  for size in "1 1" "100 50" "300 255"; do
    set -- $size
    open_window 0 0 "$1" "$2"
    start_q --window-id "$WIN" --interval 100 --count 20
    sleep 3.5
    alive "${1}x${2} after a ball phase and a melt"
    close_window
    expect_end "exit 0" 10
  done
  stop_xvfb
  start_xvfb 7680x4320x24
  start_q --root --interval 100
  sleep 4
  alive "7680x4320"
  term_q "7680x4320"
  ;;

refusals)
  # Bad values: one line and the usage, status 2, before any X is opened.
  for args in "--count 19" "--interval 501" "--count 6O" "--window-id zz" "--frobnicate"; do
    # shellcheck disable=SC2086
    DISPLAY= "$Q" $args >out 2>err
    rc=$?
    [ $rc -eq 2 ] && [ ! -s out ] && head -n1 err | grep -q '^quendelrix: ' && grep -q '^usage:' err &&
      pass "$args refused" || fail "$args: status $rc, $(cat err)"
  done
  XSCREENSAVER_WINDOW=nonsense "$Q" --root >out 2>err
  [ $? -eq 2 ] && pass "bad \$XSCREENSAVER_WINDOW refused" || fail "bad \$XSCREENSAVER_WINDOW: $(cat err)"
  [ "$("$Q" --version)" = "quendelrix 1.01" ] && pass "--version" || fail "--version: $("$Q" --version)"
  "$Q" --help | grep -q -- '--window-id' && pass "--help" || fail "--help"
  # A visual it cannot draw on: one line, status 1.
  start_xvfb 1024x768x16
  "$Q" --root >out 2>err
  rc=$?
  [ $rc -eq 1 ] && [ "$(wc -l <err)" -eq 1 ] && pass "16-bit visual refused: $(cat err)" ||
    fail "16-bit visual: status $rc, $(cat err)"
  stop_xvfb
  start_xvfb 1024x768x24
  "$Q" --window-id 0x7fffff0 >out 2>err
  rc=$?
  [ $rc -eq 1 ] && pass "no such window: $(cat err)" || fail "no such window: status $rc"
  ;;

register)
  # A ~/.xscreensaver as xscreensaver-settings wrote it (version 6.06, after
  # one change of a setting): one entry more, everything else as it was.
  data=$(dirname "$0")/data/xscreensaver-settings-6.06.txt
  mkdir home
  cp "$data" home/.xscreensaver
  HOME=$PWD/home "$Q" --register >out 2>err
  rc=$?
  [ $rc -eq 0 ] && pass "registered: $(cat out)" || fail "register: status $rc, $(cat err)"
  cmp -s "$data" home/.xscreensaver.bak && pass "backup beside it" || fail "no exact backup"
  diff "$data" home/.xscreensaver >changes
  [ "$(grep -c '^[<>]' changes)" = 1 ] && grep -q "^> .*\"Quendelrix\" $Q --root" changes &&
    pass "one line added: $(grep '^>' changes)" || fail "changes: $(cat changes)"
  cp home/.xscreensaver once
  HOME=$PWD/home "$Q" --register >out 2>err
  [ $? -eq 0 ] && cmp -s once home/.xscreensaver && grep -q already out &&
    pass "a second run changes nothing" || fail "second run: $(cat out err)"
  rm home/.xscreensaver home/.xscreensaver.bak
  HOME=$PWD/home "$Q" --register >out 2>err
  [ $? -eq 1 ] && grep -q xscreensaver-settings err && [ ! -e home/.xscreensaver ] &&
    pass "no file: says how to make one" || fail "no file: $(cat err)"
  ;;

daemon)
  # The real daemon, as an unprivileged user, runs the program from the
  # programs: line that --register adds to a file saved with CRLF line ends
  # (which the daemon cannot read as it is: it falls back to its own list),
  # and ends it on deactivation.
  if ! command -v xscreensaver >/dev/null; then
    fail "xscreensaver is not installed"
    exit 1
  fi
  dir=$(mktemp -d /tmp/qx-daemon.XXXXXX)
  chmod 755 "$dir"
  cp "$Q" "$dir/quendelrix"
  data=$(dirname "$0")/data/xscreensaver-settings-6.06.txt
  count_entries() { tr -d '\r' <"$1" | awk '/^programs:/{on=1; next} on && /^$/{exit} on && /\\n/{n++} END{print n}'; }
  # Ours will be the last entry of the list; the daemon shows only it, at once.
  # It is there only when the daemon reads every entry of the file's list.
  entries=$(($(count_entries "$data") + 1))
  sed -e "s/^mode:.*/mode:\t\tone/" -e "s/^selected:.*/selected:\t$((entries - 1))/" \
    -e "s/^splash:.*/splash:\t\tFalse/" -e "s/^fade:.*/fade:\t\tFalse/" \
    -e "s/^unfade:.*/unfade:\t\tFalse/" -e "s/^timeout:.*/timeout:\t1:00:00/" \
    -e "s/^cycle:.*/cycle:\t\t0:00:00/" -e 's/$/\r/' "$data" >"$dir/.xscreensaver"
  HOME=$dir "$dir/quendelrix" --register >"$dir/register.out" || fail "register"
  grep -q "CRLF line ends are now LF" "$dir/register.out" && [ "$(count_entries "$dir/.xscreensaver")" = "$entries" ] &&
    ! grep -q $'\r' "$dir/.xscreensaver" && pass "every program still listed, ours last of $entries, LF line ends" ||
    fail "after the edit: $(count_entries "$dir/.xscreensaver") entries, $(grep -c $'\r' "$dir/.xscreensaver") CRs; $(cat "$dir/register.out")"
  chown -R nobody:nogroup "$dir"
  start_xvfb 1024x768x24
  as_user() {
    setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$dir" DISPLAY="$DISPLAY" \
      PATH=/usr/bin:/bin "$@"
  }
  as_user xscreensaver --verbose --no-splash --log "$dir/daemon.log" </dev/null >/dev/null 2>&1 7>&- &
  DAEMON_PID=$!
  # Generous waits: on a busy machine the daemon takes seconds to start.
  for _ in $(seq 1 400); do
    as_user xscreensaver-command -time >/dev/null 2>&1 && break
    sleep 0.1
  done
  pid=""
  for i in $(seq 0 399); do
    [ $((i % 40)) -eq 0 ] && as_user xscreensaver-command -activate >/dev/null 2>&1
    pid=$(pgrep -f -x "$dir/quendelrix --root" -u nobody | head -n1)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] && pass "the daemon runs $dir/quendelrix --root" || fail "not started: $(tail -5 "$dir/daemon.log")"
  if [ -n "$pid" ]; then
    tr '\0' '\n' <"/proc/$pid/environ" | grep -q '^XSCREENSAVER_WINDOW=0x' &&
      pass "with XSCREENSAVER_WINDOW" || fail "no XSCREENSAVER_WINDOW"
    sleep 1.5
    shot active
    check "balls on the screen" "$TOOL" balls active.ppm 0 0 1024 768 3 25
    # Choosing the program again restarts it; the one before ends by the
    # signal, and the daemon says so.
    as_user xscreensaver-command -select "$entries" >/dev/null 2>&1
    for _ in $(seq 1 200); do
      grep -q "pid $pid (.*) exited" "$dir/daemon.log" && break
      sleep 0.1
    done
    grep -q "pid $pid (.*) exited normally with SIGTERM" "$dir/daemon.log" &&
      pass "logged: $(grep "pid $pid (.*) exited" "$dir/daemon.log")" ||
      fail "log: $(grep "pid $pid" "$dir/daemon.log" | tail -3)"
    no_segment_of "$pid"
    for _ in $(seq 1 100); do
      pid=$(pgrep -f -x "$dir/quendelrix --root" -u nobody | head -n1)
      [ -n "$pid" ] && break
      sleep 0.1
    done
    as_user xscreensaver-command -deactivate >/dev/null 2>&1
    for _ in $(seq 1 200); do
      { [ ! -e "/proc/$pid" ] || grep -q '^State:.*Z' "/proc/$pid/status"; } && break
      sleep 0.1
    done
    [ ! -e "/proc/$pid" ] || grep -q '^State:.*Z' "/proc/$pid/status" &&
      pass "deactivation ends it" || fail "still running after deactivation"
    no_segment_of "$pid"
    # The daemon's graphics process sends SIGTERM and exits without waiting.
    grep -q "killing pid $pid " "$dir/daemon.log" &&
      pass "logged: $(grep "killing pid $pid " "$dir/daemon.log")" ||
      fail "log: $(grep -i quendelrix "$dir/daemon.log" | tail -3)"
  fi
  as_user xscreensaver-command -exit >/dev/null 2>&1
  wait "$DAEMON_PID" 2>/dev/null
  cp "$dir/daemon.log" . 2>/dev/null
  rm -rf "$dir"
  ;;

settings_preview)
  # xscreensaver-settings shows the selected program in its preview pane:
  # it runs the command of the programs: line with --window-id.
  dir=$(mktemp -d /tmp/qx-preview.XXXXXX)
  chmod 755 "$dir"
  cp "$Q" "$dir/quendelrix"
  cp "$(dirname "$0")/data/xscreensaver-settings-6.06.txt" "$dir/.xscreensaver"
  HOME=$dir "$dir/quendelrix" --register >/dev/null || fail "register"
  entries=$(awk '/^programs:/{on=1; next} on && /^$/{exit} on && /\\n/{n++} END{print n}' "$dir/.xscreensaver")
  sed -i -e "s/^mode:.*/mode:\t\tone/" -e "s/^selected:.*/selected:\t$((entries - 1))/" "$dir/.xscreensaver"
  chown -R nobody:nogroup "$dir"
  start_xvfb 1280x800x24
  setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$dir" DISPLAY="$DISPLAY" \
    PATH=/usr/bin:/bin xscreensaver-settings </dev/null >settings.log 2>&1 7>&- &
  SETTINGS_PID=$!
  pid=""
  for _ in $(seq 1 200); do
    pid=$(pgrep -f "^$dir/quendelrix --root --window-id 0x" -u nobody | head -n1)
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] && pass "the preview runs: $(tr '\0' ' ' <"/proc/$pid/cmdline")" || fail "no preview"
  if [ -n "$pid" ]; then
    pane=$(tr '\0' '\n' <"/proc/$pid/cmdline" | tail -n1)
    xwininfo -id "$pane" >pane.txt
    px=$(awk '/Absolute upper-left X/{print $NF}' pane.txt)
    py=$(awk '/Absolute upper-left Y/{print $NF}' pane.txt)
    pw=$(awk '/Width:/{print $NF}' pane.txt)
    ph=$(awk '/Height:/{print $NF}' pane.txt)
    echo "preview pane ${pw}x${ph}+${px}+${py}"
    sleep 1
    shot_lit preview "$px" "$py" "$pw" "$ph"
    check "balls on black in the preview pane" "$TOOL" balls preview.ppm "$px" "$py" "$pw" "$ph" 3 5
  fi
  kill "$SETTINGS_PID" 2>/dev/null
  wait "$SETTINGS_PID" 2>/dev/null
  for _ in $(seq 1 100); do
    { [ -z "$pid" ] || [ ! -e "/proc/$pid" ] || grep -q '^State:.*Z' "/proc/$pid/status"; } && break
    sleep 0.1
  done
  [ -n "$pid" ] && [ -e "/proc/$pid" ] && ! grep -q '^State:.*Z' "/proc/$pid/status" &&
    fail "the preview outlives the settings program"
  rm -rf "$dir"
  ;;

*)
  echo "unknown scenario $scenario"
  exit 2
  ;;
esac

echo "$scenario: $failures failure(s)"
[ $failures -eq 0 ]
