#!/bin/sh
# Usage: wine-run.sh WINE PREFIX PROGRAM [ARGUMENTS...]
# Runs a Windows program under Wine in PREFIX, which is created once (and only
# once even when several tests start together). No console dialogs, no
# mono/gecko installers, no Wine chatter unless WINEDEBUG asks for it.
wine=$1
prefix=$2
shift 2

WINEPREFIX=$prefix
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
wineserver="$(dirname "$wine")/wineserver"

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.jobhost-ready" ]; then
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    touch "$prefix/.jobhost-ready"
  fi
  # The wine server, and the system processes that the first program of a
  # session starts, inherit that program's output pipes and keep them open
  # after it ends: whoever waits for the output (ctest) would wait for them.
  # So start both apart from any output; the server ends by itself a minute
  # after its last program. Neither may keep the lock's descriptor, or the
  # lock would be held for as long as they run.
  if [ -x "$wineserver" ] && "$wineserver" -p60 </dev/null >/dev/null 2>&1 9>&-; then
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"

# Programs that Wine starts on demand (the desktop process, a sibling that a
# test starts) inherit the output descriptors too and may outlive the
# program. So the program writes to files, which are passed on when it ends;
# whoever waits for the output then waits for the program alone.
output=$(mktemp)
errors=$(mktemp)
trap 'rm -f "$output" "$errors"' EXIT
"$wine" "$@" <&0 >"$output" 2>"$errors" &
program=$!
trap 'kill -TERM "$program" 2>/dev/null' TERM INT HUP
status=0
wait "$program" || status=$?
# A signal interrupts the first wait; the program is then waited for again.
while kill -0 "$program" 2>/dev/null; do
  wait "$program" || status=$?
done
cat "$output"
cat "$errors" >&2
# A program that failed without a word would leave its log blank: say how it ended.
if [ "$status" -ne 0 ] && [ ! -s "$output" ] && [ ! -s "$errors" ]; then
  echo "wine-run: $1 ended with status $status and wrote nothing" >&2
fi
exit "$status"
