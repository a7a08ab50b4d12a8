#!/usr/bin/env bash
# The Windows runner's script (run.cmd) under Wine's cmd: the kit made from
# this Release build, a fresh prefix on a Wine desktop, and run.cmd run there
# as the workflow runs it on Windows, with a short end-to-end filter (the
# whole driver runs in e2e.<arch>).
#
#   windows_test.sh ARCH BUILD
set -uo pipefail

arch=$1
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/wine.sh"
work=$build/windows-test
if ! bash "$here/make_kit.sh" "$build" "$work/kit"; then
  echo "windows test: the kit could not be made"
  exit 1
fi
bm_fresh_prefix "$work" "$arch" desktop || exit 1
E2E_OTHER_ARCH_RUNS=$(bm_other_arch_runs "$arch")
export E2E_OTHER_ARCH_RUNS
kit=$(winepath -w "$work/kit" 2>/dev/null | tr -d '\r')
wine cmd /c "$kit\\run.cmd" "$kit" \
  'Session.TheFirstStart*:Session.TheIconFollows*:Session.TheLeftButton*'
status=$?
if [ "$status" -eq 0 ]; then bm_drop_prefix "$work"; fi
exit "$status"
