#!/bin/sh
# Usage: wine-run.sh WINE PREFIX PROGRAM [ARGUMENTS...]
# Runs a Windows program under Wine in PREFIX, which is created once (and only
# once even when several tests start together). No console dialogs, no
# mono/gecko installers, no Wine chatter unless WINEDEBUG asks for it.
set -e
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
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    touch "$prefix/.jobhost-ready"
  fi
  # The wine server, and the system processes that the first program of a
  # session starts, inherit that program's output pipes and keep them open
  # after it ends: whoever waits for the output (ctest) would wait for them.
  # So start both apart from any output; the server ends by itself a minute
  # after its last program.
  if [ -x "$wineserver" ] && "$wineserver" -p60 </dev/null >/dev/null 2>&1; then
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
  fi
) 9>"$prefix.lock"

exec "$wine" "$@"
