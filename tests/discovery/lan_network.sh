# shellcheck shell=bash
# Sourced by the namespace tests and the benchmark: a small routed network
# of real snmpd agents, made only inside network namespaces of its own.
#
#   searcher 10.77.0.2 ── LAN 10.77.0.0/24 ── router ── 10.78.0.0/24 (far)
#                         .254 on both sides, IPv4 forwarding on,
#                         directed broadcasts not forwarded (the default)
#
# Each agent runs in a namespace of its own, so it gets broadcasts as a
# device on the LAN does. Nothing is made in or sent from the machine's own
# namespace. Call net_cleanup (the callers trap EXIT) to stop every agent by
# process id and delete every namespace made.

net_tag=${net_tag:-jh9-$$}
net_router=$net_tag-r
net_searcher=$net_tag-s
net_work=
net_namespaces=()
net_pids=()
net_snmpd=$(command -v snmpd || true)
[ -z "$net_snmpd" ] && [ -x /usr/sbin/snmpd ] && net_snmpd=/usr/sbin/snmpd

# net_check: why this network cannot be made here, or nothing.
net_check() {
  [ "$(id -u)" = 0 ] || { echo "network namespaces need root"; return; }
  command -v ip >/dev/null || { echo "ip (iproute2) is not installed"; return; }
  [ -n "$net_snmpd" ] || { echo "snmpd is not installed (Debian package snmpd)"; return; }
  if ! ip netns add "$net_tag-probe" 2>/dev/null; then
    echo "cannot create a network namespace here"
    return
  fi
  ip netns del "$net_tag-probe"
}

net_cleanup() {
  local pid ns
  for pid in "${net_pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${net_pids[@]}"; do wait "$pid" 2>/dev/null; done
  for ns in "${net_namespaces[@]}"; do ip netns del "$ns" 2>/dev/null; done
  [ -n "$net_work" ] && rm -rf "$net_work"
  net_pids=()
  net_namespaces=()
}

net_add_namespace() { # NAME
  ip netns add "$1" || return 1
  net_namespaces+=("$1")
  ip netns exec "$1" ip link set lo up
}

# net_setup: router, the two bridges and the searcher.
net_setup() {
  net_work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-lan.XXXXXX")
  net_add_namespace "$net_router" || return 1
  net_add_namespace "$net_searcher" || return 1
  local r=(ip netns exec "$net_router")
  "${r[@]}" sysctl -qw net.ipv4.ip_forward=1
  "${r[@]}" ip link add br-lan type bridge
  "${r[@]}" ip link add br-far type bridge
  "${r[@]}" ip addr add 10.77.0.254/24 brd + dev br-lan
  "${r[@]}" ip addr add 10.78.0.254/24 brd + dev br-far
  "${r[@]}" ip link set br-lan up
  "${r[@]}" ip link set br-far up
  net_plug "$net_searcher" br-lan 10.77.0.2 10.77.0.254 02:00:00:00:00:02
}

# net_plug NAMESPACE BRIDGE ADDRESS GATEWAY [MAC]: a veth pair made in the
# router, one end on the bridge, the other (e0) in NAMESPACE.
net_plug() {
  local ns=$1 bridge=$2 address=$3 gateway=$4 mac=${5:-}
  local port="p${address//./-}"
  port=${port:0:15}
  ip netns exec "$net_router" ip link add "$port" type veth peer name e0 netns "$ns" || return 1
  ip netns exec "$net_router" ip link set "$port" master "$bridge" up
  [ -n "$mac" ] && ip netns exec "$ns" ip link set e0 address "$mac"
  ip netns exec "$ns" ip addr add "$address/24" brd + dev e0
  ip netns exec "$ns" ip link set e0 up
  ip netns exec "$ns" ip route add default via "$gateway"
}

# net_mac LAN|FAR HOST: the MAC address of an agent's interface.
net_mac() {
  local side=4d
  [ "$1" = FAR ] && side=4e
  printf '02:00:00:00:%s:%02x' "$side" "$2"
}

# net_agent NAME LAN|FAR HOST SNMPD-CONFIG-LINES: an agent at .HOST of the
# LAN or the far network, port 161, started in the background.
net_agent() {
  local name=$1 side=$2 host=$3 config=$4
  local ns=$net_tag-$name subnet=10.77.0 bridge=br-lan
  [ "$side" = FAR ] && subnet=10.78.0 bridge=br-far
  net_add_namespace "$ns" || return 1
  net_plug "$ns" "$bridge" "$subnet.$host" "$subnet.254" "$(net_mac "$side" "$host")" || return 1
  net_snmpd_in "$ns" "$name" "$config"
}

# net_snmpd_in NAMESPACE NAME SNMPD-CONFIG-LINES: snmpd on port 161 in
# NAMESPACE, in the background, its files in $net_work/NAME.
net_snmpd_in() {
  local ns=$1 dir=$net_work/$2
  mkdir -p "$dir"
  printf 'agentAddress udp:161\n%s\n' "$3" >"$dir/snmpd.conf"
  SNMP_PERSISTENT_DIR="$dir/state" MIBS='' MIBDIRS="$net_work" \
    ip netns exec "$ns" "$net_snmpd" -f -C -c "$dir/snmpd.conf" -Lf "$dir/snmpd.log" \
    -p "$dir/snmpd.pid" &
  net_pids+=($!)
}

# net_wait_agents: 0 once every agent started serves.
net_wait_agents() {
  local log
  for log in "$net_work"/*/snmpd.conf; do
    log=${log%.conf}.log
    for _ in $(seq 100); do
      grep -q 'NET-SNMP version' "$log" 2>/dev/null && continue 2
      sleep 0.1
    done
    echo "an agent did not start: $log" >&2
    cat "$log" >&2 2>/dev/null
    return 1
  done
}

# net_burst COUNT PORT [--nameless]: a second LAN, 10.79.0.0/16, where one
# responder (burst_responder.py) in the namespace $net_burst_responder stands
# in for COUNT agents and answers a broadcast from all of them at once. Its
# searcher is the namespace $net_burst_searcher (10.79.0.1).
net_burst_searcher=$net_tag-b
net_burst_responder=$net_tag-p
net_burst() {
  local count=$1 port=$2 responder=$net_burst_responder here i
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  net_add_namespace "$net_burst_searcher" || return 1
  net_add_namespace "$responder" || return 1
  local b=(ip netns exec "$net_burst_searcher") p=(ip netns exec "$responder")
  "${b[@]}" ip link add e0 type veth peer name e0 netns "$responder" || return 1
  "${b[@]}" ip link set e0 address 02:00:00:00:4f:01
  "${b[@]}" ip addr add 10.79.0.1/16 brd + dev e0
  local addresses=()
  for i in $(seq 0 $((count - 1))); do addresses+=("10.79.$((1 + i / 200)).$((1 + i % 200))"); done
  printf 'addr add %s/16 dev e0\n' "${addresses[@]}" | "${p[@]}" ip -batch - || return 1
  "${p[@]}" ip link set e0 up
  "${b[@]}" ip link set e0 up
  "${b[@]}" ip route add default dev e0
  # The answers must not wait in the responder for address resolution.
  "${p[@]}" ip neigh replace 10.79.0.1 lladdr 02:00:00:00:4f:01 dev e0 nud permanent
  "${p[@]}" python3 "$here/burst_responder.py" "$port" "${@:3}" "${addresses[@]}" >"$net_work/burst.out" 2>&1 &
  net_pids+=($!)
  for _ in $(seq 100); do grep -q ready "$net_work/burst.out" && return 0; sleep 0.1; done
  cat "$net_work/burst.out" >&2
  return 1
}

# The namespace net_search runs in: the searcher's unless net_search_in says.
in_searcher() { ip netns exec "${net_search_in:-$net_searcher}" "$@"; }

# net_test_start BIN PREFIX: skips (checks.sh) unless this network can be made
# and BIN holds the search command's programs; cleans up on exit.
net_test_start() {
  local reason file
  reason=$(net_check)
  [ -z "$reason" ] || skip "$reason"
  for file in "$1/${2}svc.exe" "$1/${2}devprobe.dll" "$1/jobhostctl" "$1/devprobe_find"; do
    [ -e "$file" ] || skip "$file is not built"
  done
  trap net_cleanup EXIT
  trap 'exit 130' INT TERM
}

# net_search BIN PREFIX: the whole search command in the searcher on a fresh
# record (port=161); sets net_found (address TAB name lines) and net_total.
# shellcheck disable=SC2034  # both are read by the tests
net_search() {
  local ctl=$1/jobhostctl store=$net_work/registry.sqlite3
  local key='HKCU\Software\SnmpTestOuter\SnmpTestInner\Vantorel\PrinterUI\Search'
  JOBHOST_REGISTRY=$store "$ctl" record make --out "$net_work/record.bin" || return 1
  JOBHOST_REGISTRY=$store "$ctl" reg set "$key" SearchData \
    --binary-hex "$(od -An -tx1 -v "$net_work/record.bin" | tr -d ' \n')" || return 1
  JOBHOST_REGISTRY=$store in_searcher "$1/${2}svc.exe" "13/SnmpTestInner/SnmpTestOuter/Search/port=161"
  net_found=$(JOBHOST_REGISTRY=$store "$ctl" record show --key "$key" --json |
    python3 -c 'import json, sys
for agent in json.load(sys.stdin)["agents"]: print(agent["address"] + "\t" + agent["name"])')
  net_total=$(JOBHOST_REGISTRY=$store "$ctl" reg query "$key" TotalPrinters | cut -f3)
}

# The searcher's count of UDP datagrams dropped for a full receive buffer.
net_rcvbuf_errors() { # NAMESPACE
  ip netns exec "$1" awk '/^Udp:/ { if (!n) { for (i = 1; i <= NF; i++) col[$i] = i; n = 1 }
    else print $col["RcvbufErrors"] }' /proc/net/snmp
}
