#!/usr/bin/env bash
# Usage: in_mdns_namespace.sh COMMAND...
#
# Runs COMMAND in a network namespace of its own, linked to a second one
# where a multicast DNS responder (python3-zeroconf) announces the IPP
# printer "Office Laser" at office-laser.local, 10.81.0.5; COMMAND learns
# that address from JOBHOST_MDNS_PRINTER. Nothing is sent from the machine's
# own namespace. Exits 77 (skipped) where it cannot run.
set -u
here=$(cd "$(dirname "$0")" && pwd)
[ "$(id -u)" = 0 ] || { echo "SKIPPED: network namespaces need root"; exit 77; }
/usr/bin/python3 -c 'import zeroconf' 2>/dev/null ||
  { echo "SKIPPED: python3-zeroconf is not installed"; exit 77; }
client=jh-mdns-c-$$
printer=jh-mdns-p-$$
work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-mdns.XXXXXX")
responder=
cleanup() {
  [ -n "$responder" ] && kill "$responder" 2>/dev/null && wait "$responder" 2>/dev/null
  ip netns del "$client" 2>/dev/null
  ip netns del "$printer" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
ip netns add "$client" && ip netns add "$printer" ||
  { echo "SKIPPED: cannot create a network namespace here"; exit 77; }
ip -n "$client" link set lo up
ip -n "$printer" link set lo up
ip -n "$client" link add e0 type veth peer name e0 netns "$printer"
ip -n "$client" addr add 10.81.0.2/24 dev e0
ip -n "$printer" addr add 10.81.0.5/24 dev e0
ip -n "$client" link set e0 up
ip -n "$printer" link set e0 up

ip netns exec "$printer" /usr/bin/python3 "$here/../discovery/dnssd_responder.py" \
  --service "Office Laser|_ipp._tcp|office-laser|10.81.0.5" >"$work/responder.out" 2>&1 &
responder=$!
for _ in $(seq 100); do grep -q ready "$work/responder.out" && break; sleep 0.1; done
grep -q ready "$work/responder.out" || { cat "$work/responder.out" >&2; exit 1; }
JOBHOST_MDNS_PRINTER=10.81.0.5 ip netns exec "$client" "$@"
