# A private headless sway for the Linux program's Wayland mode, sourced by
# scripts/run.sh and the Wayland scenarios:
#   qx_start_sway "NAME WxH X Y SCALE"...   the outputs' settings
# QX_SWAY_OUTPUTS outputs exist from the start (default: one per setting
# given); more come with `swaymsg create_output`. Each output's background
# is #00ff00, so that any of it left shows. Sets QX_SWAY_DIR and QX_SWAY_PID
# and exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK for the clients.
# sway refuses to run as root: then it runs as nobody, with a runtime folder
# nobody owns. Returns 1 when it is not ready within two minutes.

qx_start_sway() {
  local outputs=${QX_SWAY_OUTPUTS:-$#} line
  QX_SWAY_DIR=$(mktemp -d /tmp/qx-wl.XXXXXX)
  chmod 755 "$QX_SWAY_DIR"
  mkdir -m 700 "$QX_SWAY_DIR/run"
  mkdir "$QX_SWAY_DIR/home"
  {
    echo "xwayland disable"
    echo "default_border none"
    for line in "$@"; do
      read -r name mode x y scale <<<"$line"
      echo "output $name mode $mode position $x $y scale $scale bg #00ff00 solid_color"
    done
  } >"$QX_SWAY_DIR/sway.conf"
  local as=()
  if [ "$(id -u)" = 0 ]; then
    chown nobody:nogroup "$QX_SWAY_DIR/run" "$QX_SWAY_DIR/home"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  # env -i: the caller's DISPLAY and WAYLAND_DISPLAY must not reach sway.
  "${as[@]}" env -i PATH=/usr/bin:/bin HOME="$QX_SWAY_DIR/home" XDG_RUNTIME_DIR="$QX_SWAY_DIR/run" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS="$outputs" sway -c "$QX_SWAY_DIR/sway.conf" \
    </dev/null >"$QX_SWAY_DIR/sway.log" 2>&1 &
  QX_SWAY_PID=$!
  export XDG_RUNTIME_DIR=$QX_SWAY_DIR/run
  unset DISPLAY WAYLAND_DISPLAY
  local deadline=$((SECONDS + 120))
  until qx_sway_ready "$outputs"; do
    if [ $SECONDS -ge $deadline ]; then
      echo "sway did not start: $(tail -5 "$QX_SWAY_DIR/sway.log")" >&2
      return 1
    fi
    sleep 0.1
  done
}

# Ready: its socket, its outputs active, and the background drawn (swaybg
# draws a moment after the outputs appear).
qx_sway_ready() {
  local socket
  socket=$(ls -d "$QX_SWAY_DIR"/run/wayland-[0-9] 2>/dev/null | head -1)
  [ -n "$socket" ] || return 1
  export WAYLAND_DISPLAY=${socket##*/}
  SWAYSOCK=$(ls "$QX_SWAY_DIR"/run/sway-ipc.*.sock 2>/dev/null | head -1)
  export SWAYSOCK
  [ -n "$SWAYSOCK" ] || return 1
  [ "$(swaymsg -t get_outputs 2>/dev/null | grep -c '"active": true')" -ge "$1" ] || return 1
  grim -o HEADLESS-1 "$QX_SWAY_DIR/bg.png" 2>/dev/null &&
    [ "$(convert "$QX_SWAY_DIR/bg.png" -format '%[fx:minima.g*255]' info: 2>/dev/null)" = 255 ]
}

qx_stop_sway() {
  if [ -n "${QX_SWAY_PID:-}" ]; then
    kill "$QX_SWAY_PID" 2>/dev/null
    wait "$QX_SWAY_PID" 2>/dev/null
    QX_SWAY_PID=""
  fi
  [ -n "${QX_SWAY_DIR:-}" ] && rm -rf "$QX_SWAY_DIR"
  QX_SWAY_DIR=""
  return 0
}
