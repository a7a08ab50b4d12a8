#!/usr/bin/env bash
# scannersim's help: help, --help, -h and /? print a line per command on the
# standard output (in a terminal too, where Wine gives the program a console);
# an unknown command prints the same help on the standard error and fails.
#
#   help_test.sh WINE_LOADER SCANNERSIM
set -uo pipefail
loader=$1
sim=$2
# A scanner of the test's own: the commands below change its state.
export KDV310_SIM_INSTANCE=help-test

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

help=$("$loader" "$sim" help 2>/dev/null | tr -d '\r')
mapfile -t lines < <(tail -n +3 <<<"$help")
[ ${#lines[@]} -gt 0 ] || fail "help printed no commands: '$help'"

# Each command's line: the usage, then the description in one column.
shape='^(  [^ ].*[^ ]  +)[^ ]'
column=""
for line in "${lines[@]}"; do
  if [ ${#line} -gt 79 ]; then fail "wider than a console: '$line'"; fi
  if [[ ! $line =~ $shape ]]; then
    fail "not 'usage  description': '$line'"
    continue
  fi
  here=${#BASH_REMATCH[1]}
  if [ -n "$column" ] && [ "$here" != "$column" ]; then
    fail "description at column $here, not $column: '$line'"
  fi
  column=$here
  # The line's command is one that scannersim knows.
  read -r command _ <<<"$line"
  if "$loader" "$sim" "${command%,}" 2>&1 >/dev/null | grep -q "unknown command"; then
    fail "the help names '$command', which scannersim does not know"
  fi
done

for word in --help -h /?; do
  out=$("$loader" "$sim" "$word" 2>&1 | tr -d '\r')
  status=${PIPESTATUS[0]}
  [ "$status" -eq 0 ] || fail "$word: exit status $status"
  [ "$out" = "$help" ] || fail "$word: not the help: '$out'"
done

out=$("$loader" "$sim" no-such-command 2>/dev/null)
status=$?
[ "$status" -ne 0 ] || fail "an unknown command succeeded"
[ -z "$out" ] || fail "an unknown command wrote to the standard output: '$out'"
err=$("$loader" "$sim" no-such-command 2>&1 >/dev/null | tr -d '\r')
[ "$err" = "scannersim: unknown command: no-such-command"$'\n'"$help" ] ||
  fail "an unknown command's message and help on the standard error: '$err'"

# In a terminal: what reaches the screen, without the console's control codes.
screen=$(script -qec "'$loader' '$sim' --help" /dev/null | tr -d '\r' |
  sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g')
[ "$screen" = "$help" ] || fail "in a terminal the help reads: '$screen'"

if [ "$failures" -ne 0 ]; then
  echo "scannersim help: $failures checks failed"
  exit 1
fi
echo "scannersim help: ${#lines[@]} commands, all checks passed"
