#!/usr/bin/env bash
# The scripts' guards, checked without Wine or X: a folder that the scripts
# did not make is never deleted, the tests keep off a working display unless
# told otherwise, the display search says so when every number is taken, and
# setup without root or sudo says what to run. Paths here contain a space.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/wine sh test.XXXXXX")
trap 'rm -rf -- "$tmp"' EXIT
calls="$tmp/calls"
failures=0
expect() { # WHAT COMMAND...: fails the test when COMMAND fails
  local what=$1
  shift
  if ! "$@"; then
    echo "FAIL: $what" >&2
    failures=$((failures + 1))
  fi
}

# Runs COMMAND... in a subshell with wine.sh sourced and Wine and Xvfb
# replaced by entries in $calls.
with_lib() {
  (
    unset BM_WINEPREFIX BM_DISPLAY BM_USE_DISPLAY BM_TEST_DISPLAY DISPLAY
    source "$root/scripts/lib/wine.sh"
    wineboot() { echo wineboot >>"$calls"; }
    wine() { :; }
    wineserver() { :; }
    Xvfb() { echo Xvfb >>"$calls"; }
    "$@"
  )
}
make_prefix() {
  export BM_WINEPREFIX=$1
  bm_use_arch x86_64
  wine_make_prefix
}

# Prefixes, by what their folder holds beforehand: NAME, refused or made.
mkdir -p "$tmp/foreign" "$tmp/empty" "$tmp/ours"
touch "$tmp/foreign/system.reg" "$tmp/ours/.bm-prefix" "$tmp/ours/stale"
while read -r name status; do
  prefix="$tmp/$name"
  rm -f "$calls"
  out=$(with_lib make_prefix "$prefix" 2>&1)
  got=$?
  if [ "$status" = refused ]; then
    expect "$name: refused" [ "$got" -ne 0 ]
    expect "$name: says why" grep -q "was not made by these scripts" <<<"$out"
    expect "$name: left as it was" [ -f "$prefix/system.reg" ]
    expect "$name: not marked" [ ! -e "$prefix/.bm-prefix" ]
    expect "$name: no Wine run" [ ! -e "$calls" ]
  else
    expect "$name: made ($out)" [ "$got" -eq 0 ]
    expect "$name: marked" [ -f "$prefix/.bm-prefix" ]
    expect "$name: ready" [ -f "$prefix/.bm-ready-2" ]
    expect "$name: made by Wine" grep -qx wineboot "$calls"
    expect "$name: nothing old left" [ ! -e "$prefix/stale" ]
  fi
done <<'ROWS'
foreign refused
missing made
empty made
ours made
ROWS

# Displays: every number taken, while a DISPLAY given would answer.
mkdir -p "$tmp/x/.X11-unix"
for n in $(seq 90 140); do touch "$tmp/x/.X11-unix/X$n"; done
display() { # BM_TEST_DISPLAY
  export BM_TEST_DISPLAY=$1 BM_X_TMP="$tmp/x" DISPLAY=:5
  xdpyinfo() { true; }
  wine_start_display && echo "on $DISPLAY"
}
rm -f "$calls"
out=$(with_lib display 0 2>&1)
expect "all displays taken: fails clearly ($out)" grep -q "no free X display" <<<"$out"
expect "all displays taken: no Xvfb started" [ ! -e "$calls" ]
out=$(with_lib display 1 2>&1)
expect "BM_TEST_DISPLAY=1: the display given ($out)" [ "$out" = "on :5" ]
# A free number: one Xvfb, kept for the next architecture's start.
rm -rf "$tmp/x/.X11-unix"
twice() {
  export BM_X_TMP="$tmp/x"
  xdpyinfo() { true; }
  Xvfb() { exec sleep 10; }
  wine_start_display && local first=$BM_XVFB_PID && wine_start_display &&
    echo "$DISPLAY $([ "$first" = "$BM_XVFB_PID" ] && echo same || echo another) Xvfb"
  wine_stop
}
out=$(with_lib twice 2>&1)
expect "a free display: one Xvfb for both starts ($out)" [ "$out" = ":90 same Xvfb" ]

# Exit work composes: the script's own trap runs after wine.sh's, each once.
exits() {
  trap 'echo own' EXIT
  source "$root/scripts/lib/wine.sh"
  first() { echo first; }
  bm_on_exit first
  bm_on_exit first
}
out=$( (exits) 2>&1 | tr '\n' ' ')
expect "exit traps compose ($out)" [ "$out" = "first own " ]
expect "a quoted Run value's program" \
  [ "$(with_lib bm_run_program '"C:\a b\$(x)\p.exe" /x')" = 'C:\a b\$(x)\p.exe' ]

# Setup as a user without root and without sudo, with packages missing.
bin="$tmp/bin"
mkdir -p "$bin"
printf '#!/bin/sh\necho 1000\n' >"$bin/id"
printf '#!/bin/sh\n' >"$bin/dpkg"
chmod +x "$bin/id" "$bin/dpkg"
ln -s "$(command -v grep)" "$bin/grep"
ln -s "$(command -v dirname)" "$bin/dirname"
out=$(PATH="$bin" "$BASH" "$root/scripts/setup" 2>&1)
expect "setup without sudo: fails" [ $? -ne 0 ]
expect "setup without sudo: says why ($out)" grep -q "needs root, and there is no sudo" <<<"$out"
expect "setup without sudo: names the command for root" \
  grep -qxF "  $(printf '%q' "$root/scripts/setup")" <<<"$out"

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "wine_sh_test: passed"
