#!/usr/bin/env bash
# The program end to end, as a user meets it: a fresh Wine prefix whose
# programs all run on one Wine desktop with a taskbar, the test kit and the
# program put in place by their silent installers (bm_installed_prefix in
# scripts/lib/wine.sh), then the driver, which starts the program as the Run
# value says and uses it only from outside (the session's scenarios, then the
# fault table). Afterwards the pictures the session wrote are checked with
# ImageMagick, and the uninstaller must leave the user's settings.
#
#   e2e_test.sh ARCH INSTALLER TESTKIT DRIVER SUBSTITUTES WORK_FOLDER [driver arguments]
#
# ARCH may be i686-wow64: the i686 product in a win64 prefix, as on 64-bit
# Windows. E2E_SCREENSHOTS=1 makes the driver save the screen at chosen steps, and
# E2E_DEMO=1 tells each step on one line: scripts/demo plays the session so.
# BM_E2E_FILTER, when set, chooses the driver's tests (a GoogleTest filter).
set -uo pipefail

arch=$1
installer=$2
testkit=$3
driver=$4
substitutes=$5
work=$6
shift 6

source "$(dirname "$0")/../../scripts/lib/wine.sh"
source "$(dirname "$0")/../support/check.sh"
why=$(bm_arch_spec_blocker "$arch")
if [ -n "$why" ]; then
  echo "e2e test: $arch skipped: $why"
  exit 0
fi
bm_use_arch "$arch"
# Whether the mail helper, a program of the other architecture, can run here.
E2E_OTHER_ARCH_RUNS=$(bm_other_arch_runs "$BM_ARCH")
export E2E_OTHER_ARCH_RUNS

if ! bm_installed_prefix "$work" "$installer" "$testkit"; then
  echo "FAIL: the test kit and the program did not install"
  exit 1
fi
echo "ok: the test kit and the program install silently"
rm -rf "$work/output"
mkdir -p "$work/output"
E2E_SUBSTITUTES=$(winepath -w "$substitutes" 2>/dev/null | tr -d '\r')
E2E_OUTPUT=$(winepath -w "$work/output" 2>/dev/null | tr -d '\r')
export E2E_SUBSTITUTES E2E_OUTPUT
if [ -n "${BM_E2E_FILTER:-}" ]; then set -- "$@" "--gtest_filter=$BM_E2E_FILTER"; fi
check "the session and the fault table" wine "$driver" "$@"

# The pictures the session left: each is named after the format it must be.
for picture in "$work"/output/identify/*; do
  [ -e "$picture" ] || continue
  name=$(basename "$picture")
  check "$name opens as ${name%%-*}" \
    test "$(identify -format '%m\n' "$picture" 2>/dev/null | head -n1)" = "${name%%-*}"
done

# The uninstaller runs in place when told where (_?=), so its end can be awaited.
program=$(bm_logon_command)
program=${program#\"}
program=${program%\"}
folder=${program%\\*}
installed=$(winepath -u "$program" 2>/dev/null)
wine "$folder\\uninstall.exe" /S "_?=$folder"
check "the uninstaller removes the program" bm_wait_until 10 test ! -e "$installed"
settings_stay() {
  wine reg query 'HKCU\Software\MERO\KOVA7\ButtonManager' /v button_left_action >/dev/null 2>&1
}
check "and leaves the user's settings" settings_stay

if [ "$failures" -ne 0 ]; then
  echo "e2e test: $failures checks failed"
  exit 1
fi
bm_drop_prefix "$work"
echo "e2e test: all checks passed"
