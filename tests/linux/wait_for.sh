# Sourced by the Linux program's scenarios (X11 and Wayland).

# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds; false when
# SECONDS pass first. Only the ceiling fails a wait, however slow the machine.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}
