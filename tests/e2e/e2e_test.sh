#!/usr/bin/env bash
# The program end to end, as a user meets it: a fresh Wine prefix whose
# programs all run on one Wine desktop with a taskbar, the test kit and the
# program put in place by their silent installers, then the driver, which
# starts the program as the Run value says and uses it only from outside (the
# session's scenarios, then the fault table). Afterwards the pictures the
# session wrote are checked with ImageMagick, and the uninstaller must leave
# the user's settings.
#
#   e2e_test.sh ARCH INSTALLER TESTKIT DRIVER SUBSTITUTES WORK_FOLDER [driver arguments]
#
# E2E_SCREENSHOTS=1 makes the driver save the screen at each step (the demo).
set -uo pipefail

arch=$1
installer=$2
testkit=$3
driver=$4
substitutes=$5
work=$6
shift 6

source "$(dirname "$0")/../../scripts/lib/wine.sh"
# A template prefix, made once, copied fresh for every run. Its programs run
# on a Wine desktop named "shell", which has a taskbar with a notification area.
export BM_WINEPREFIX=$work/template
bm_use_arch "$arch"
if [ ! -f "$work/template/.e2e-desktop" ]; then
  wine_make_prefix || exit 1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
  wineserver -w
  touch "$work/template/.e2e-desktop"
fi
rm -rf "$work/prefix" "$work/output"
cp -a "$work/template" "$work/prefix"
export WINEPREFIX=$work/prefix
wine_start || exit 1

mkdir -p "$work/output"
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}

check "the test kit installs silently" wine "$testkit" /S
check "the installer installs silently" wine "$installer" /S

E2E_SUBSTITUTES=$(winepath -w "$substitutes" 2>/dev/null | tr -d '\r')
E2E_OUTPUT=$(winepath -w "$work/output" 2>/dev/null | tr -d '\r')
export E2E_SUBSTITUTES E2E_OUTPUT
check "the session and the fault table" wine "$driver" "$@"

# The pictures the session left: each is named after the format it must be.
for picture in "$work"/output/identify/*; do
  [ -e "$picture" ] || continue
  name=$(basename "$picture")
  check "$name opens as ${name%%-*}" \
    test "$(identify -format '%m\n' "$picture" 2>/dev/null | head -n1)" = "${name%%-*}"
done

# The uninstaller runs in place when told where (_?=), so its end can be awaited.
program=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v ButtonManager \
  2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *"\(.*\)".*/\1/p')
folder=${program%\\*}
installed=$(winepath -u "$program" 2>/dev/null)
wine "$folder\\uninstall.exe" /S "_?=$folder"
removed() {
  local i
  for i in $(seq 1 50); do
    [ -e "$installed" ] || return 0
    sleep 0.2
  done
  return 1
}
check "the uninstaller removes the program" removed
settings_stay() {
  wine reg query 'HKCU\Software\MERO\KOVA7\ButtonManager' /v button_left_action >/dev/null 2>&1
}
check "and leaves the user's settings" settings_stay

if [ "$failures" -ne 0 ]; then
  echo "e2e test: $failures checks failed"
  exit 1
fi
echo "e2e test: all checks passed"
