# Shared by the scripts: a Wine prefix of the project's own under the build
# folder, an X display for windows, and one wineserver kept for the run.
# Source it, then call wine_start; wine_stop runs on exit.

BM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BM_BUILD=${BM_BUILD:-$BM_ROOT/build}

export WINEARCH=win32
export WINEPREFIX=${BM_WINEPREFIX:-$BM_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}

BM_XVFB_PID=""

wine_make_prefix() {
  if [ -f "$WINEPREFIX/.bm-ready-2" ]; then return 0; fi
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  echo "wine: making the prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Without a window manager on Xvfb, Wine waits 2 s for every managed window
  # that hides; unmanaged windows hide at once.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.bm-ready-2"
}

# Starts Xvfb on a free display unless one is given in BM_DISPLAY or DISPLAY works.
wine_start_display() {
  if [ -n "${BM_DISPLAY:-}" ]; then export DISPLAY=$BM_DISPLAY; fi
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  BM_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    if xdpyinfo >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "wine: Xvfb did not come up on $DISPLAY" >&2
  return 1
}

wine_start() {
  wine_make_prefix
  wine_start_display
  # Fails harmlessly when a server for this prefix already runs.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  # Wine's own background processes (services, device manager) start with the
  # first program and stay with the server. Started here, away from the test
  # runner's pipes, which they would otherwise hold open.
  wine wineboot </dev/null >/dev/null 2>&1 || true
  trap wine_stop EXIT
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$BM_XVFB_PID" ]; then kill "$BM_XVFB_PID" 2>/dev/null || true; fi
}
