#!/usr/bin/env bash
# Usage: one_host_test.sh DEVPROBE_FIND [WINE PREFIX]
#
# One-host calls through the built library against a multicast DNS responder
# (python3-zeroconf) and WS-Discovery printers (wsd_responder.py) on
# loopback, inside a network namespace of its own: the host's direct DNS-SD
# answer names it; a WSD printer is named by its Get (XmlLite and WinHTTP on
# Windows), or keeps an empty name, within the time-out (the call's bound is
# + 50 ms; the test allows + 300 ms, since a busy machine, with the sanitizer
# build running behind the tests, stretches it by tens of ms); an answer
# or a Get answer with a NUL byte in its text is refused in that time too.
# Last, one broadcast call: its Probe leaves through a veth pair inside the
# namespace and finds a WSD printer at the other end. With WINE
# and PREFIX the Windows build runs under Wine, in a copy of PREFIX whose
# wine server starts in that namespace (Wine makes sockets in its server's
# namespace). Exits 77 (skipped) where it cannot run.
set -u
find_tool=$1
wine=${2:-}
prefix=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$here/checks.sh"

[ "$(id -u)" = 0 ] || skip "network namespaces need root"
/usr/bin/python3 -c 'import zeroconf' 2>/dev/null || skip "python3-zeroconf is not installed"
ns=jh17-$$
ip netns add "$ns" 2>/dev/null || skip "cannot create a network namespace here"
work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-dnssd.XXXXXX")
responders=()
cleanup() {
  local pid
  for pid in "${responders[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  [ -n "$wine" ] && WINEPREFIX=$work/prefix "$(dirname "$wine")/wineserver" -k 2>/dev/null
  ip netns del "$ns"
  rm -rf "$work"
}
trap cleanup EXIT
in_ns() { ip netns exec "$ns" "$@"; }
in_ns ip link set lo up
in_ns ip link add e0 type veth peer name e1
in_ns ip addr add 10.91.0.1/24 brd + dev e0
in_ns ip addr add 10.91.0.2/24 brd + dev e1
in_ns ip link set e0 up
in_ns ip link set e1 up

ip netns exec "$ns" /usr/bin/python3 "$here/dnssd_responder.py" --interface 127.0.0.1 \
  --service "Front Desk|_ipp._tcp|front-desk|127.0.0.1" >"$work/dnssd.out" 2>&1 &
responders+=($!)
ip netns exec "$ns" /usr/bin/python3 "$here/wsd_responder.py" \
  --printer "127.0.0.2|http||Vantorel|LX-200" --printer "127.0.0.5|resolve|Resolved||" \
  --printer "127.0.0.6|stall|Stalled||" --printer "127.0.0.7|big|Big||" \
  --printer "127.0.0.8|nul|Nul||" --printer "127.0.0.9|nulget|Nul||" \
  --printer "::1|http|Six||" --printer "10.91.0.2|http|Broadcast||" >"$work/wsd.out" 2>&1 &
responders+=($!)
for out in dnssd wsd; do
  for _ in $(seq 100); do grep -q ready "$work/$out.out" && break; sleep 0.1; done
done

run=("$find_tool")
if [ -n "$wine" ]; then
  cp -a "$prefix" "$work/prefix" || skip "no Wine prefix at $prefix"
  run=(/bin/sh "$here/../../cmake/wine-run.sh" "$wine" "$work/prefix" "$find_tool")
fi
# ask MODE HOST [PARAMETER]: what a 1500 ms call reports (Windows programs
# end their lines with CR LF); the call's time in $work/elapsed (empty when
# it had not returned after 20 s).
ask() {
  in_ns timeout 20 "${run[@]}" --elapsed --timeout 1500 --parameter "${3:-}" "$1" "$2" 2>"$work/stderr" |
    tr -d '\r'
  sed -n 's/^elapsed \([0-9]*\) ms.*/\1/p' "$work/stderr" >"$work/elapsed"
}
equal "one host is named by its responder's direct DNS-SD answer" "127.0.0.1	Front Desk" \
  "$(ask v4 127.0.0.1)"
equal "a WSD Get names the printer by maker and model" "127.0.0.2	Vantorel LX-200" \
  "$(ask v4 127.0.0.2)"
equal "a WSD match without XAddrs is resolved, then named" "127.0.0.5	Resolved" \
  "$(ask v4 127.0.0.5)"
equal "a WSD Get that never ends leaves the name empty" "127.0.0.6	" "$(ask v4 127.0.0.6)"
check "... and the call still ends within its time-out (+ 300 ms on a busy machine) ($(cat "$work/elapsed") ms)" \
  test "$(cat "$work/elapsed")" -le 1800
equal "a WSD answer over 64 KiB leaves the name empty" "127.0.0.7	" "$(ask v4 127.0.0.7)"
equal "a WSD answer with a NUL in its text is refused" "" "$(ask v4 127.0.0.8)"
check "... within the time-out (+ 300 ms on a busy machine) ($(cat "$work/elapsed") ms)" \
  test "$(cat "$work/elapsed")" -le 1800
equal "a WSD Get answer with a NUL in its text leaves the name empty" "127.0.0.9	" \
  "$(ask v4 127.0.0.9)"
check "... within the time-out (+ 300 ms on a busy machine) ($(cat "$work/elapsed") ms)" \
  test "$(cat "$work/elapsed")" -le 1800
# The DNS-SD responder answers on ::1 too, and its name would stand.
equal "WSD over IPv6 too" "0:0:0:0:0:0:0:1	Six" "$(ask v6 ::1 dnssd=0)"
equal "a broadcast call's Probe leaves through each multicast interface" "10.91.0.2	Broadcast" \
  "$(in_ns timeout 20 "${run[@]}" --broadcast --timeout 1500 --parameter "port=1161;dnssd=0" v4 "" |
    tr -d '\r')"
finish
