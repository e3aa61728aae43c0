#!/usr/bin/env bash
# Usage: wsd_one_host_test.sh WSD_FIND [WINE PREFIX]
#
# Direct WS-Discovery Probes to wsd_responder.py printers on loopback, in a
# namespace of its own: the system's XML reader and HTTP name them, or leave
# the name empty, within the time-out. With WINE and PREFIX under Wine
# (XmlLite, WinHTTP), as dnssd_one_host_test.sh does. Exits 77 to skip.
set -u
find_tool=$1
wine=${2:-}
prefix=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$here/checks.sh"

[ "$(id -u)" = 0 ] || skip "network namespaces need root"
ns=jh24-$$
ip netns add "$ns" 2>/dev/null || skip "cannot create a network namespace here"
work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-wsd.XXXXXX")
responder=
cleanup() {
  [ -n "$responder" ] && kill "$responder" 2>/dev/null && wait "$responder" 2>/dev/null
  [ -n "$wine" ] && WINEPREFIX=$work/prefix "$(dirname "$wine")/wineserver" -k 2>/dev/null
  ip netns del "$ns"
  rm -rf "$work"
}
trap cleanup EXIT
in_ns() { ip netns exec "$ns" "$@"; }
in_ns ip link set lo up

ip netns exec "$ns" /usr/bin/python3 "$here/wsd_responder.py" \
  --printer "127.0.0.2|http||Vantorel|LX-200" --printer "127.0.0.5|resolve|Resolved||" \
  --printer "127.0.0.6|stall|Stalled||" --printer "127.0.0.7|big|Big||" \
  --printer "::1|http|Six||" >"$work/responder.out" 2>&1 &
responder=$!
for _ in $(seq 100); do grep -q ready "$work/responder.out" && break; sleep 0.1; done

run=("$find_tool")
if [ -n "$wine" ]; then
  cp -a "$prefix" "$work/prefix" || skip "no Wine prefix at $prefix"
  run=(/bin/sh "$here/../../cmake/wine-run.sh" "$wine" "$work/prefix" "$find_tool")
fi
# probe FAMILY HOST: the printers found (Windows lines end in CR LF); the
# call's time in $work/elapsed.
probe() {
  in_ns "${run[@]}" 1500 "$1" "$2" 2>"$work/stderr" | tr -d "\r"
  sed -n 's/^elapsed \([0-9]*\) ms.*/\1/p' "$work/stderr" >"$work/elapsed"
}

equal "a Get names the printer" "127.0.0.2	Vantorel LX-200" "$(probe v4 127.0.0.2)"
equal "a match without XAddrs is resolved, then named" "127.0.0.5	Resolved" "$(probe v4 127.0.0.5)"
equal "a Get that never ends leaves the name empty" "127.0.0.6	" "$(probe v4 127.0.0.6)"
check "... and the call still ends within its time-out + 50 ms" test "$(cat "$work/elapsed")" -le 1550
equal "an answer over 64 KiB leaves the name empty" "127.0.0.7	" "$(probe v4 127.0.0.7)"
equal "over IPv6 too" "::0001	Six" "$(probe v6 ::1)"
finish
