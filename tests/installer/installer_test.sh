#!/usr/bin/env bash
# The installer in a fresh Wine prefix, used silently as an administrator
# deploying it would: the test kit lays out the other makers' software, the
# installer puts the program in place, the program starts as the Run value
# says and finds the driver, a second install upgrades it while it runs, the
# uninstaller ends it and leaves only the user's settings; a second round
# turns the log-on start off and removes the settings too. The mail helper of
# the other architecture comes and goes with the program.
#
#   installer_test.sh ARCH INSTALLER TESTKIT FRAME_PROBE WORK_FOLDER
#
# ARCH is i686, x86_64 or i686-wow64 (the i686 installer on 64-bit Windows).
set -uo pipefail

arch=$1
installer=$2
testkit=$3
probe=$4
work=$5

source "$(dirname "$0")/../../scripts/lib/wine.sh"
source "$(dirname "$0")/../support/check.sh"
# Run directly by ctest, an architecture may be one this host cannot execute.
blocker=$(bm_arch_spec_blocker "$arch")
if [ -n "$blocker" ]; then
  echo "installer test: $arch skipped: $blocker"
  exit 0
fi
# A template prefix, made once, copied fresh for every run.
bm_fresh_prefix "$work" "$arch" || exit 1

version=$(basename "$installer" | sed -n 's/^ButtonManager-\([0-9.]*\)-.*\.exe$/\1/p')
objdump=$BM_ARCH-w64-mingw32-objdump
# 32-bit programs on 64-bit Windows install into Program Files (x86).
programs='Program Files'
if [ -n "$BM_WOW64" ]; then programs='Program Files (x86)'; fi
instdir_win="C:\\$programs\\M.E.R.O\\Quillora Pro 5"
instdir=$WINEPREFIX/drive_c/$programs/M.E.R.O/Quillora\ Pro\ 5
shortcut=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/CORVANTE\ button\ manager.lnk
panel=$WINEPREFIX/drive_c/$programs/KOVA7/Scanner/scannersim.exe
# The mail helper is of the other architecture.
if [ "$BM_ARCH" = x86_64 ]; then
  helper=ButtonManagerMail32.exe helper_arch=i686 helper_format=pei-i386
else
  helper=ButtonManagerMail64.exe helper_arch=x86_64 helper_format=pei-x86-64
fi
# Only 64-bit Windows has mail clients of the other architecture.
has_helper=1
if [ "$BM_ARCH" = i686 ] && [ -z "$BM_WOW64" ]; then has_helper=""; fi
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ButtonManager'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\MERO\KOVA7\ButtonManager'

# reg_value KEY NAME: the data of a value, empty when there is none.
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print }'
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
no_key() { ! has_key "$1"; }
# kib FILE: its size in whole KiB, 0 when there is none.
kib() { if [ -f "$1" ]; then echo $(($(stat -c %s "$1") / 1024)); else echo 0; fi; }
equals() { [ "$1" = "$2" ] || { echo "  expected '$2', got '$1'"; return 1; }; }
# running MS: the frame is there within MS; its process id is in $pid.
running() { pid=$(wine "$probe" running "$1" | tr -d '\r'); [ -n "$pid" ]; }
gone() { wine "$probe" gone "${1:-0}"; }
# The uninstaller copies itself away and returns at once. Removing the
# uninstall entry ends its program section, and its own file goes once the
# copy it started from has ended; the settings, when asked, go last.
uninstall() {
  wine "$instdir_win\\uninstall.exe" "$@"
  bm_wait_until 20 no_key "$uninst_key"
  bm_wait_until 20 test ! -e "$instdir/uninstall.exe"
  if [ "${!#}" = /REMOVESETTINGS ]; then bm_wait_until 20 no_key "$settings_key"; fi
}

echo "installer test: $arch, $(basename "$installer") (version $version)"
check "the test kit installs silently" wine "$testkit" /S
check "the test kit laid out the companion" test -f "$instdir/quillora.exe"
if [ -n "$BM_WOW64" ]; then
  check "the 32-bit layout: the driver went to SysWOW64" \
    test -f "$WINEPREFIX/drive_c/windows/syswow64/kdv310.dll"
fi

check "the installer installs silently" wine "$installer" /S
check "the program is beside the companion" test -f "$instdir/ButtonManager.exe"
check "its uninstaller is there" test -f "$instdir/uninstall.exe"
check "a Start-menu entry" test -f "$shortcut"
check "the uninstall entry's version" equals "$(reg_value "$uninst_key" DisplayVersion)" "$version"
check "the uninstall entry's publisher" equals "$(reg_value "$uninst_key" Publisher)" "MERO"
size=$(reg_value "$uninst_key" EstimatedSize)
check "the uninstall entry's size (KB) is the program's" test "$((size))" -ge 100
check "it counts the program, its uninstaller and the mail helper" equals "$((size))" \
  "$(($(kib "$instdir/ButtonManager.exe") + $(kib "$instdir/uninstall.exe") + $(kib "$instdir/$helper")))"
run=$(reg_value "$run_key" ButtonManager)
check "the Run value starts the installed program" equals "$run" "\"$instdir_win\\ButtonManager.exe\""
check "no settings before the first start" no_key "$settings_key"

headers=$($objdump -p "$instdir/ButtonManager.exe")
characteristics=$(sed -n '/^DllCharacteristics/,/^[A-Z]/p' <<<"$headers")
check "ASLR" grep -q DYNAMIC_BASE <<<"$characteristics"
check "DEP" grep -q NX_COMPAT <<<"$characteristics"
if [ "$BM_ARCH" = x86_64 ]; then
  check "high-entropy addresses" grep -q HIGH_ENTROPY_VA <<<"$characteristics"
fi

# Only Windows' own libraries and the scanner package's colour-scan library.
imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr -d '\r' | grep -vix ovrapixlw.dll)
check "the runtime is linked in" equals "$(grep -i '^lib' <<<"$imports")" ""
resources=$($BM_ARCH-w64-mingw32-windres -i "$instdir/ButtonManager.exe" -O rc 2>/dev/null)
check "its version resource gives the installer's version" \
  grep -q "FILEVERSION ${version//./, }, 0" <<<"$resources"
check "its manifest asks for visual styles" grep -q Common-Controls <<<"$resources"
check "and per-monitor DPI awareness" grep -q PerMonitorV2 <<<"$resources"

if [ -n "$has_helper" ]; then
  check "the mail helper $helper is beside the program" test -f "$instdir/$helper"
  check "its PE header is the other architecture's ($helper_format)" \
    grep -q "file format $helper_format\$" <<<"$($helper_arch-w64-mingw32-objdump -f "$instdir/$helper")"
  helper_resources=$($helper_arch-w64-mingw32-windres -i "$instdir/$helper" -O rc 2>/dev/null)
  check "its version resource gives the installer's version" \
    grep -q "FILEVERSION ${version//./, }, 0" <<<"$helper_resources"
  check "it carries the manifest" grep -q Common-Controls <<<"$helper_resources"
else
  check "no 64-bit mail helper on 32-bit Windows" test ! -e "$instdir/$helper"
fi

# As Windows does at log-on: the Run value's command line.
wine "$(bm_run_program "$run")" >/dev/null 2>&1 &
check "the program starts from the Run value" running 20000
first=$pid
found_driver() { wine "$panel" log 2>/dev/null | grep -q IO_SetTimeOut; }
check "it found the driver where the scanner package put it" bm_wait_until 10 found_driver

check "installing again over the running program succeeds" wine "$installer" /S
check "the program wrote its settings as it ended" has_key "$settings_key"
check "the upgrade started the program again" running 20000
check "a new process, the first one ended" test "$pid" != "$first"
check "the upgrade kept the Run value" equals "$(reg_value "$run_key" ButtonManager)" "$run"

uninstall /S
check "the uninstaller ended the program" gone 0
check "the program is removed" test ! -e "$instdir/ButtonManager.exe"
check "the mail helper is removed" test ! -e "$instdir/$helper"
check "the uninstaller removed itself" test ! -e "$instdir/uninstall.exe"
check "the companion's files stay" test -f "$instdir/quillora.exe"
check "the Start-menu entry is removed" test ! -e "$shortcut"
check "the Run value is removed" equals "$(reg_value "$run_key" ButtonManager)" ""
check "the uninstall entry is removed" no_key "$uninst_key"
check "the user's settings stay" has_key "$settings_key"

check "installing without the log-on start" wine "$installer" /S /NOLOGON
check "no Run value then" equals "$(reg_value "$run_key" ButtonManager)" ""
uninstall /S /REMOVESETTINGS
check "asked to, the uninstaller removes the settings" no_key "$settings_key"
check "and the program" test ! -e "$instdir/ButtonManager.exe"

if [ "$failures" -ne 0 ]; then
  echo "installer test: $failures checks failed"
  exit 1
fi
bm_drop_prefix "$work"
echo "installer test: all checks passed"
