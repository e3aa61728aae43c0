#!/usr/bin/env bash
# Usage: netns_test.sh DEVPROBE_FIND
#
# Broadcast and multicast discovery, only ever inside two network namespaces
# made here and joined by a veth pair: snmpd runs in the agent namespace,
# DEVPROBE_FIND in the search namespace. Nothing is sent from the machine's
# own namespace. Exits 77 (skipped) where namespaces cannot be made.
set -u
find_tool=$1
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$(dirname "$0")/checks.sh"

[ "$(id -u)" = 0 ] || skip "network namespaces need root"
command -v ip >/dev/null || skip "ip (iproute2) is not installed"
snmpd=$(command -v snmpd || true)
[ -z "$snmpd" ] && [ -x /usr/sbin/snmpd ] && snmpd=/usr/sbin/snmpd
[ -n "$snmpd" ] || skip "snmpd is not installed (Debian package snmpd)"

agent_ns=jh-agent-$$
search_ns=jh-search-$$
work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-netns.XXXXXX")
agent=
cleanup() {
  [ -n "$agent" ] && kill "$agent" 2>/dev/null && wait "$agent" 2>/dev/null
  ip netns del "$agent_ns" 2>/dev/null
  ip netns del "$search_ns" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns add "$agent_ns" 2>/dev/null || skip "cannot create a network namespace here"
ip netns add "$search_ns" 2>/dev/null || skip "cannot create a network namespace here"
in_agent() { ip netns exec "$agent_ns" "$@"; }
in_search() { ip netns exec "$search_ns" "$@"; }

# The pair is made inside the namespaces, never in the machine's own.
in_agent ip link add jh-a type veth peer name jh-s netns "$search_ns" ||
  skip "cannot create a veth pair here"
in_agent ip addr add 10.203.0.1/24 brd + dev jh-a
in_search ip addr add 10.203.0.2/24 brd + dev jh-s
in_agent ip -6 addr add fd6a:7e57::1/64 dev jh-a nodad
in_search ip -6 addr add fd6a:7e57::2/64 dev jh-s nodad
for side in in_agent in_search; do
  $side ip link set lo up
done
in_agent ip link set jh-a up
in_search ip link set jh-s up
# The limited broadcast needs a route to leave by; the namespace has one link.
in_search ip route add default dev jh-s

port=1161
cat >"$work/snmpd.conf" <<CONF
agentAddress udp:$port,udp6:$port
rocommunity public default
rocommunity6 public default
sysName netns-agent
engineID netns-engine
CONF
SNMP_PERSISTENT_DIR="$work/state" MIBS= MIBDIRS="$work" ip netns exec "$agent_ns" \
  "$snmpd" -f -C -c "$work/snmpd.conf" -Lf "$work/snmpd.log" -p "$work/snmpd.pid" &
agent=$!
for _ in $(seq 100); do
  grep -q 'NET-SNMP version' "$work/snmpd.log" 2>/dev/null && break
  kill -0 "$agent" 2>/dev/null || { cat "$work/snmpd.log"; echo "FAIL: snmpd did not start"; exit 1; }
  sleep 0.1
done
# Link-local addresses come up after duplicate address detection.
for _ in $(seq 50); do
  in_search ip -6 addr show dev jh-s | grep -q tentative || break
  sleep 0.1
done

# expect NAME EXPECTED-OUTPUT FIND-ARGUMENTS...: the tool's whole output must match.
expect() {
  local name=$1 expected=$2
  shift 2
  equal "$name" "$expected" \
    "$(in_search "$find_tool" --timeout 2000 --parameter "port=$port" "$@" 2>&1)"
}
# expect_v6 NAME NAME-OF-AGENT ARGUMENTS...: one IPv6 agent of that name.
expect_v6() {
  local name=$1 agent_name=$2
  shift 2
  local output
  output=$(in_search "$find_tool" --timeout 2000 --parameter "port=$port" "$@" 2>&1)
  if [ "$(printf '%s\n' "$output" | wc -l)" = 1 ] && [ "${output##*$'\t'}" = "$agent_name" ] &&
    [ -n "$output" ]; then
    echo "ok   $name ($output)"
  else
    echo "FAIL $name: $(printf '%q' "$output")"
    failures=$((failures + 1))
  fi
}

tab=$'\t'
expect "IPv4 limited broadcast finds the agent once" "10.203.0.1${tab}netns-agent" \
  --broadcast v4 255.255.255.255
expect "IPv4 empty target with the broadcast flag is the default broadcast" \
  "10.203.0.1${tab}netns-agent" --broadcast v4 ""
# snmpd answers a request sent to a directed broadcast address from that
# address, which the kernel refuses, so only its log can show that the copy
# for the interface's own broadcast address arrived.
check "IPv4 limited broadcast is also sent to the interface's broadcast address" \
  grep -q -- '->\[10.203.0.255\]:1161' "$work/snmpd.log"
expect "IPv4 broadcast with a wrong community finds nothing" "" --community wrong --broadcast v4 ""
expect "SNMPv3 IPv4 default broadcast reports the engine text" "10.203.0.1${tab}netns-engine" \
  --broadcast v3 ""
expect_v6 "IPv6 default all-nodes multicast finds the agent once" netns-agent --broadcast v6 ""
expect_v6 "IPv6 all-nodes group on a named interface" netns-agent --broadcast v6 "ff02::1%jh-s"
expect_v6 "SNMPv3 IPv6 default multicast reports the engine text" netns-engine --broadcast v3-6 ""
expect "IPv6 unicast to the agent's address" \
  "fd6a:7e57:0:0:0:0:0:1${tab}netns-agent" v6 fd6a:7e57::1

finish
echo "all namespace cases passed"
