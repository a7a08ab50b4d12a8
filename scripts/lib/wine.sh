# Shared by the scripts: the two builds (i686, x86_64), which of them this host
# can run, a Wine prefix per architecture under its build folder, an X display
# for windows, and one wineserver kept for the run.
#
# Source it, call bm_use_arch ARCH, then wine_start; wine_stop runs on exit.
# `wine`, `wineboot` and `winepath` are functions that call the loader of the
# chosen architecture: the wrappers in /usr/bin start the 32-bit loader
# whenever it is installed, and some hosts cannot execute 32-bit code at all.

BM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BM_ARCHES=(i686 x86_64)

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}

BM_XVFB_PID=""
BM_WINE_LOADER=""

bm_loader() {
  case "$1" in
    i686) echo /usr/lib/wine/wine ;;
    x86_64) echo /usr/lib/wine/wine64 ;;
  esac
}

# Why ARCH cannot run here, or nothing when it can.
bm_arch_blocker() {
  local loader
  loader=$(bm_loader "$1")
  if [ ! -x "$loader" ]; then
    echo "$loader is not installed"
    return
  fi
  local out
  if ! out=$("$loader" --version 2>&1); then
    echo "this host cannot execute its Wine loader ($loader: ${out##*: })"
  fi
}

# The build folder of ARCH: build/ARCH for Debug, build/ARCH-release for Release.
bm_build_dir() {
  if [ "${BM_BUILD_TYPE:-Debug}" = Release ]; then echo "$BM_ROOT/build/$1-release"; else echo "$BM_ROOT/build/$1"; fi
}

# The build folder of ARCH, configured and built (all targets, or those given).
# Its Debug and Release folders share build/ARCH-other, where the other
# architecture's mail helper and mail client are built.
bm_build() {
  local arch=$1
  shift
  local dir
  dir=$(bm_build_dir "$arch")
  cmake -S "$BM_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE="${BM_BUILD_TYPE:-Debug}" \
    -DCMAKE_TOOLCHAIN_FILE="$BM_ROOT/cmake/$arch-w64-mingw32.cmake" \
    -DBM_OTHER_DIR="$BM_ROOT/build/$arch-other" >/dev/null
  local targets=()
  local t
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
}

# The architecture that the demo and the benchmark use: i686 where it runs.
bm_preferred_arch() {
  local arch
  for arch in "${BM_ARCHES[@]}"; do
    if [ -z "$(bm_arch_blocker "$arch")" ]; then
      echo "$arch"
      return 0
    fi
  done
  return 1
}

# bm_use_arch ARCH: the build of ARCH in a prefix of that architecture.
# ARCH may be i686-wow64: the i686 build in a win64 prefix, as almost every
# user runs it, on 64-bit Windows (Program Files (x86), SysWOW64, the 32-bit
# registry view). The prefix is made by the 64-bit loader, the programs run
# in the 32-bit one; `wine64` reaches the 64-bit side (its registry view).
bm_use_arch() {
  BM_ARCH=${1%-wow64}
  BM_WOW64=""
  if [ "$1" != "$BM_ARCH" ]; then BM_WOW64=1; fi
  BM_BUILD=$(bm_build_dir "$BM_ARCH")
  BM_WINE_LOADER=$(bm_loader "$BM_ARCH")
  BM_BOOT_LOADER=$BM_WINE_LOADER
  if [ "$BM_ARCH" = i686 ] && [ -z "$BM_WOW64" ]; then
    export WINEARCH=win32
  else
    export WINEARCH=win64
    BM_BOOT_LOADER=$(bm_loader x86_64)
  fi
  export WINEPREFIX=${BM_WINEPREFIX:-$BM_BUILD/wineprefix${BM_WOW64:+-wow64}}
}

# 1 when the other architecture's programs (the mail helper beside ARCH's
# program) run here, else 0.
bm_other_arch_runs() {
  local other=x86_64
  if [ "${1%-wow64}" = x86_64 ]; then other=i686; fi
  if [ -z "$(bm_arch_blocker "$other")" ]; then echo 1; else echo 0; fi
}

# Why ARCH (with -wow64: both loaders) cannot run here, or nothing.
bm_arch_spec_blocker() {
  local why
  why=$(bm_arch_blocker "${1%-wow64}")
  if [ -z "$why" ] && [ "$1" != "${1%-wow64}" ]; then why=$(bm_arch_blocker x86_64); fi
  echo "$why"
}

wine() { "$BM_WINE_LOADER" "$@"; }
wine64() { /usr/lib/wine/wine64 "$@"; }
wineboot() { "$BM_BOOT_LOADER" wineboot "$@"; }
winepath() { "$BM_WINE_LOADER" winepath "$@"; }
wineserver() { /usr/lib/wine/wineserver "$@"; }

# A prefix the scripts made carries this file; only such a folder is ever
# deleted (to be made again). Prefixes made before it carry only the ready mark.
BM_PREFIX_MARK=.bm-prefix
BM_PREFIX_READY=.bm-ready-2

bm_prefix_is_ours() {
  [ -f "$1/$BM_PREFIX_MARK" ] || compgen -G "$1/.bm-ready-*" >/dev/null
}

wine_make_prefix() {
  if [ -f "$WINEPREFIX/$BM_PREFIX_READY" ]; then return 0; fi
  if [ -e "$WINEPREFIX" ] || [ -L "$WINEPREFIX" ]; then
    if bm_prefix_is_ours "$WINEPREFIX"; then
      rm -rf -- "$WINEPREFIX"
    elif [ ! -d "$WINEPREFIX" ] || [ -n "$(ls -A -- "$WINEPREFIX")" ]; then
      echo "wine: $WINEPREFIX was not made by these scripts; it is left alone." >&2
      echo "wine: set BM_WINEPREFIX to a new or empty folder (or unset it for the one" \
        "under build/)." >&2
      return 1
    fi
  fi
  mkdir -p -- "$WINEPREFIX" || return 1
  echo "Made by the ButtonManager scripts, which may delete this folder." \
    >"$WINEPREFIX/$BM_PREFIX_MARK"
  echo "wine: making the $WINEARCH prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Without a window manager on Xvfb, Wine waits 2 s for every managed window
  # that hides; unmanaged windows hide at once.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/$BM_PREFIX_READY"
}

# The templates that fresh prefixes are copied from: one of each kind (win32,
# win64) for every build folder and architecture, as a prefix takes 0.6 GiB
# (win64: 1.2) and its first boot half a minute. A lock keeps two runs from
# making or copying one at once.
BM_TEMPLATES=${BM_TEMPLATES:-$BM_ROOT/build/templates}

# bm_fresh_prefix WORK ARCH [desktop]: a fresh prefix WORK/prefix for ARCH
# (as bm_use_arch takes it), copied from its template, its server running
# afterwards. With "desktop", every program in it runs on one Wine desktop
# that has a taskbar with a notification area, as Windows' own: a desktop
# named "shell" has one. A WORK/prefix that these scripts did not make is
# left alone.
bm_fresh_prefix() {
  local work=$1 arch=$2 desktop=${3:-}
  if [ -e "$work/prefix" ] && ! bm_prefix_is_ours "$work/prefix"; then
    echo "wine: $work/prefix was not made by these scripts; it is left alone." >&2
    return 1
  fi
  bm_use_arch "$arch"
  local template=$BM_TEMPLATES/$WINEARCH
  mkdir -p -- "$BM_TEMPLATES" "$work" || return 1
  rm -rf -- "$work/prefix"
  # Where each run kept a template of its own before.
  if bm_prefix_is_ours "$work/template"; then rm -rf -- "$work/template"; fi
  if ! (
    flock 9 || exit 1
    WINEPREFIX=$template wine_make_prefix || exit 1
    cp -a "$template" "$work/prefix"
  ) 9>"$BM_TEMPLATES/.$WINEARCH.lock"; then
    echo "wine: no fresh prefix at $work/prefix" >&2
    return 1
  fi
  export WINEPREFIX=$work/prefix
  if [ -n "$desktop" ]; then
    if ! wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1 ||
      ! wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f \
        >/dev/null 2>&1; then
      echo "wine: reg add of the desktop into $WINEPREFIX failed" >&2
      return 1
    fi
    # The desktop is chosen when the first window opens: none has yet.
    wineserver -w || true
  fi
  wine_start
}

# bm_drop_prefix WORK: a passing run's prefix (bm_fresh_prefix) is deleted
# with its server, so that a run of the suite does not keep one a test;
# BM_KEEP_PREFIX=1 keeps it to be looked into.
bm_drop_prefix() {
  [ "${BM_KEEP_PREFIX:-0}" = 1 ] && return 0
  [ "$WINEPREFIX" = "$1/prefix" ] || return 0
  wine_stop_server
  wineserver -w 2>/dev/null || true
  rm -rf -- "$1/prefix"
}

# A fresh prefix on the desktop (bm_fresh_prefix) with the test kit and the
# program put in place by their silent installers (INSTALLER, TESTKIT).
bm_installed_prefix() {
  local work=$1 installer=$2 testkit=$3
  bm_fresh_prefix "$work" "$BM_ARCH${BM_WOW64:+-wow64}" desktop || return 1
  if ! wine "$testkit" /S; then
    echo "wine: the test kit's silent install failed" >&2
    return 1
  fi
  if ! wine "$installer" /S; then
    echo "wine: the program's silent install failed" >&2
    return 1
  fi
}

# The command line that starts the program at log-on: its Run value.
bm_logon_command() {
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v ButtonManager 2>/dev/null |
    tr -d '\r' | sed -n 's/^ *ButtonManager *REG_SZ *//p'
}

# Where X servers keep their sockets and locks.
BM_X_TMP=${BM_X_TMP:-/tmp}

# The display for Wine's windows: an Xvfb of the run's own, so that no window
# lands on a user's desktop. A display given is used only when asked for:
# BM_DISPLAY, or DISPLAY with BM_USE_DISPLAY=1 (which the tests take from
# BM_TEST_DISPLAY=1, and which the demo sets on a desktop).
wine_start_display() {
  # The run's own Xvfb serves every architecture.
  if [ -n "$BM_XVFB_PID" ] && kill -0 "$BM_XVFB_PID" 2>/dev/null; then return 0; fi
  local use=${BM_USE_DISPLAY:-${BM_TEST_DISPLAY:-0}}
  if [ -n "${BM_DISPLAY:-}" ]; then
    export DISPLAY=$BM_DISPLAY
    use=1
  fi
  if [ "$use" = 1 ]; then
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    echo "wine: told to use the display given, but DISPLAY='${DISPLAY:-}' does not answer" >&2
    return 1
  fi
  local n tried=()
  for n in $(seq 90 140); do
    if [ -e "$BM_X_TMP/.X11-unix/X$n" ] || [ -e "$BM_X_TMP/.X$n-lock" ]; then continue; fi
    if bm_start_xvfb "$n"; then return 0; fi
    tried+=(":$n")
  done
  if [ ${#tried[@]} -eq 0 ]; then
    echo "wine: no free X display: :90 to :140 are all taken (sockets in $BM_X_TMP/.X11-unix," \
      "locks $BM_X_TMP/.X*-lock); end some X servers or remove stale locks" >&2
  else
    echo "wine: Xvfb did not come up on ${tried[*]}" >&2
  fi
  return 1
}

bm_start_xvfb() {
  Xvfb ":$1" -screen 0 "${BM_XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
  BM_XVFB_PID=$!
  export DISPLAY=":$1"
  # Another server may take the number meanwhile, and this one end.
  answers_or_ended() { xdpyinfo >/dev/null 2>&1 || ! kill -0 "$BM_XVFB_PID" 2>/dev/null; }
  if bm_wait_until 5 answers_or_ended && xdpyinfo >/dev/null 2>&1; then return 0; fi
  kill "$BM_XVFB_PID" 2>/dev/null || true
  BM_XVFB_PID=""
  unset DISPLAY
  return 1
}

# bm_wait_until SECONDS COMMAND...: true once COMMAND succeeds, asked every
# tenth of a second; false when SECONDS passed without.
bm_wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then return 1; fi
    sleep 0.1
  done
}

wine_start() {
  wine_make_prefix || return 1
  wine_start_display || return 1
  # Fails harmlessly when a server for this prefix already runs.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  # Wine's own background processes (services, device manager) start with the
  # first program and stay with the server. Started here, away from the test
  # runner's pipes, which they would otherwise hold open.
  wineboot </dev/null >/dev/null 2>&1 || true
  bm_on_exit wine_stop
}

# bm_on_exit FUNCTION: runs FUNCTION when the script exits, once, after the
# exit trap that the script had set before (which is kept, not replaced).
BM_EXIT_HOOKS=()
BM_EXIT_EARLIER=""
bm_on_exit() {
  local hook
  for hook in "${BM_EXIT_HOOKS[@]}"; do
    if [ "$hook" = "$1" ]; then return 0; fi
  done
  if [ ${#BM_EXIT_HOOKS[@]} -eq 0 ]; then BM_EXIT_EARLIER=$(trap -p EXIT); fi
  BM_EXIT_HOOKS+=("$1")
  trap bm_run_exit_hooks EXIT
}
bm_run_exit_hooks() {
  local status=$? hook
  for hook in "${BM_EXIT_HOOKS[@]}"; do "$hook"; done
  # `trap -p` quotes the earlier command as the shell reads it back:
  # trap -- 'COMMAND' EXIT.
  if [ -n "$BM_EXIT_EARLIER" ]; then
    eval "set -- $BM_EXIT_EARLIER"
    eval "$3"
  fi
  return "$status"
}

# bm_run_program COMMAND-LINE: the program that a Windows command line (a Run
# value) starts: the quoted first word, or the first word. Read as data, never
# evaluated.
bm_run_program() {
  local line=$1
  if [ "${line:0:1}" = '"' ]; then
    line=${line:1}
    printf '%s\n' "${line%%\"*}"
  else
    printf '%s\n' "${line%% *}"
  fi
}

# Ends this prefix's server; the display stays for the next architecture.
wine_stop_server() {
  wineserver -k >/dev/null 2>&1 || true
}

wine_stop() {
  wine_stop_server
  if [ -n "$BM_XVFB_PID" ]; then kill "$BM_XVFB_PID" 2>/dev/null || true; fi
}
