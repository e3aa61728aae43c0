#!/usr/bin/env bash
# Usage: dnssd_one_host_test.sh DEVPROBE_FIND [WINE PREFIX]
#
# A one-host call against a multicast DNS responder (python3-zeroconf) on
# loopback, inside a network namespace of its own: the host's direct answer
# names it. With WINE and PREFIX the Windows build runs under Wine, in a copy
# of PREFIX whose wine server starts in that namespace (Wine makes sockets in
# its server's namespace). Exits 77 (skipped) where it cannot run.
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

ip netns exec "$ns" /usr/bin/python3 "$here/dnssd_responder.py" --interface 127.0.0.1 \
  --service "Front Desk|_ipp._tcp|front-desk|127.0.0.1" >"$work/responder.out" 2>&1 &
responder=$!
for _ in $(seq 100); do grep -q ready "$work/responder.out" && break; sleep 0.1; done

run=("$find_tool")
if [ -n "$wine" ]; then
  cp -a "$prefix" "$work/prefix" || skip "no Wine prefix at $prefix"
  run=(/bin/sh "$here/../../cmake/wine-run.sh" "$wine" "$work/prefix" "$find_tool")
fi
# Windows programs end their lines with CR LF.
equal "one host is named by its responder's direct answer" "127.0.0.1	Front Desk" \
  "$(in_ns "${run[@]}" --timeout 1500 v4 127.0.0.1 | tr -d '\r')"
finish
