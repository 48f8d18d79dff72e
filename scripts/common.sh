# Shared by scripts/test.sh and scripts/run.sh: installing what is missing,
# the Wine environment and a private X display.

QX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QX_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 xvfb xdotool x11-utils imagemagick locales
  # several monitors side by side: an Xorg server on the dummy driver
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  fonts-ipafont-gothic  # Japanese labels of the settings dialog under Wine
  libx11-dev libxext-dev  # the native Linux program (Xlib, MIT-SHM)
  xscreensaver util-linux  # its end-to-end tests with the real daemon (setpriv)
  libxdamage-dev  # the scenarios count the program's puts to a window (X DAMAGE)
  nsis zip dpkg-dev  # the release files: setup program, zip, Debian package
  lintian man-db  # the package's checks: Debian's policy, its manual page
  emscripten chromium  # the web page: its WebAssembly build and its tests in a browser
  # the Linux program's Wayland mode and its scenarios on a headless sway
  libwayland-dev wayland-protocols sway grim wtype swayidle
)

# apt-get only when something is missing, so a set-up machine starts at once.
# Runs as root, or through sudo for everything that changes the system.
qx_install_packages() {
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  local missing=()
  local p
  for p in "${QX_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
      missing+=("$p")
    fi
  done
  # Wine takes its code page from the locale: the tests run it under the
  # Japanese, Chinese (simplified and traditional), Korean and Western UTF-8
  # locales, which must exist.
  local locales=() loc
  for loc in ja_JP zh_CN zh_TW ko_KR en_US; do
    locale -a 2>/dev/null | grep -qx "$loc.utf8" || locales+=("$loc")
  done
  if ((${#missing[@]} == 0 && ${#locales[@]} == 0)); then
    echo "packages and locales: all present"
    return 0
  fi
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  for loc in "${locales[@]}"; do
    echo "generating the locale $loc.UTF-8"
    $sudo localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  done
}

# Wine's own file names in UTF-8 whatever the caller's locale.
export LANG=C.UTF-8
unset LC_ALL
export QX_WINEPREFIX="${QX_WINEPREFIX:-$QX_ROOT/build/wineprefix}"
qx_wine_env() {
  export WINEPREFIX="$QX_WINEPREFIX"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}
QX_WINE=/usr/lib/wine/wine64
QX_WINESERVER=/usr/lib/wine/wineserver

# A Wine prefix of our own, made once and reused; its helper processes are
# started here with their output on /dev/null so they never hold a pipe.
qx_wine_prefix() {
  qx_wine_env
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    timeout 120 "$QX_WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
    timeout 60 "$QX_WINESERVER" -w || true
  fi
  # Without a window manager, hiding a managed window blocks for seconds.
  timeout 60 "$QX_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
  "$QX_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  timeout 60 "$QX_WINE" wineboot </dev/null >/dev/null 2>&1 || true
}

qx_wine_stop() {
  qx_wine_env
  "$QX_WINESERVER" -k >/dev/null 2>&1 || true
  timeout 30 "$QX_WINESERVER" -w >/dev/null 2>&1 || true
}

# Starts Xvfb on a display it picks itself, with one screen of the given
# size (default 1024x768); sets DISPLAY and QX_XVFB_PID.
qx_start_xvfb() {
  local dispfile
  dispfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$dispfile" >/dev/null 2>&1 &
  QX_XVFB_PID=$!
  qx_take_display "$dispfile"
}

# Waits until an X server started with -displayfd has written its display
# number into the file (up to two minutes, for a busy machine); exports
# DISPLAY and removes the file.
qx_take_display() {
  local deadline=$((SECONDS + 120))
  until [ -s "$1" ]; do
    if [ $SECONDS -ge $deadline ]; then
      echo "the X server did not start" >&2
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$1")"
  rm -f "$1"
}

qx_stop_xvfb() {
  [ -n "${QX_XVFB_PID:-}" ] && kill "$QX_XVFB_PID" 2>/dev/null || true
}

# An Xorg server with the dummy video driver, whose outputs DUMMY0 ...
# DUMMY15 can be laid out side by side as monitors (Xvfb cannot do that for
# Wine). Runs as root. Picks its display itself; sets DISPLAY and
# QX_XORG_PID. Modes: 640x480, 800x600, 1024x768, 1920x1080; the whole
# layout fits 5760 x 2160.
qx_start_xorg() {
  local dir="$QX_ROOT/build/xorg"
  mkdir -p "$dir"
  cat >"$dir/xorg.conf" <<'CONF'
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "AutoAddGPU" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Monitor"
  Identifier "Monitor0"
  HorizSync 5.0 - 1000.0
  VertRefresh 5.0 - 200.0
  Modeline "640x480" 23.75 640 664 720 800 480 483 487 500 -hsync +vsync
  Modeline "800x600" 38.25 800 832 912 1024 600 603 607 624 -hsync +vsync
  Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
  Modeline "1920x1080" 173.00 1920 2048 2248 2576 1080 1083 1088 1120 -hsync +vsync
EndSection
Section "Device"
  Identifier "Device0"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Screen"
  Identifier "Screen0"
  Device "Device0"
  Monitor "Monitor0"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1024x768" "800x600" "640x480" "1920x1080"
    Virtual 5760 2160
  EndSubSection
EndSection
CONF
  local dispfile
  dispfile=$(mktemp)
  Xorg -noreset -nolisten tcp -config "$dir/xorg.conf" -logfile "$dir/xorg.log" \
    -displayfd 3 3>"$dispfile" >/dev/null 2>&1 &
  QX_XORG_PID=$!
  qx_take_display "$dispfile"
  [ -s "$dir/xorg.log" ] && kill -0 "$QX_XORG_PID" 2>/dev/null
}

qx_stop_xorg() {
  if [ -n "${QX_XORG_PID:-}" ]; then
    kill "$QX_XORG_PID" 2>/dev/null || true
    wait "$QX_XORG_PID" 2>/dev/null || true
    QX_XORG_PID=
  fi
}

# Lays the monitors out on the Xorg server: each argument is
# WIDTHxHEIGHT+X+Y, the first one the primary, e.g.
#   qx_xorg_layout 1024x768+800+0 800x600+0+0 640x480+1824+0
# The root window is painted green so that a part no window covers shows.
# Wine reads the monitors once per wineserver: restart it after a layout.
qx_xorg_layout() {
  local fbw=0 fbh=0 n=0 monitor mode x y args=()
  for monitor in "$@"; do
    mode=${monitor%%+*}
    x=${monitor#*+}; y=${x#*+}; x=${x%%+*}
    local w=${mode%x*} h=${mode#*x}
    ((x + w > fbw)) && fbw=$((x + w))
    ((y + h > fbh)) && fbh=$((y + h))
    [ "$n" -gt 0 ] && xrandr --addmode "DUMMY$n" "$mode"
    args+=(--output "DUMMY$n" --mode "$mode" --pos "${x}x${y}")
    [ "$n" -eq 0 ] && args+=(--primary)
    n=$((n + 1))
  done
  xrandr --fb "${fbw}x${fbh}" "${args[@]}"
  # Without one plain query Wine sees only the first output.
  xrandr >/dev/null
  xsetroot -solid '#00ff00'
}
