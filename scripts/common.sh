# Shared by scripts/test.sh and scripts/run.sh: installing what is missing,
# the Wine environment and a private X display.

QX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QX_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 xvfb xdotool x11-utils imagemagick locales
  fonts-ipafont-gothic  # Japanese labels of the settings dialog under Wine
  libx11-dev libxext-dev  # the native Linux program (Xlib, MIT-SHM)
  xscreensaver util-linux  # its end-to-end tests with the real daemon (setpriv)
  nsis zip dpkg-dev  # the release files: setup program, zip, Debian package
)

# apt-get only when something is missing, so a set-up machine starts at once.
qx_install_packages() {
  local missing=()
  local p
  for p in "${QX_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  # Wine names Linux files in the locale's character set: the tests run it
  # under a Japanese and a Western UTF-8 locale, which must exist.
  local loc
  for loc in ja_JP en_US; do
    if ! locale -a 2>/dev/null | grep -qx "$loc.utf8"; then
      $sudo localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
    fi
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

# Starts Xvfb on a display it picks itself; sets DISPLAY and QX_XVFB_PID.
qx_start_xvfb() {
  local dispfile
  dispfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dispfile" >/dev/null 2>&1 &
  QX_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$dispfile" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$dispfile")"
  rm -f "$dispfile"
}

qx_stop_xvfb() {
  [ -n "${QX_XVFB_PID:-}" ] && kill "$QX_XVFB_PID" 2>/dev/null || true
}
