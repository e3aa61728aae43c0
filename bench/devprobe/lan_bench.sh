#!/usr/bin/env bash
# Usage: lan_bench.sh BIN_DIR [LAN_AGENTS [FAR_AGENTS [BURST_AGENTS [DNSSD_PRINTERS [WSD_PRINTERS]]]]]
#        (LAN_AGENTS and FAR_AGENTS at most 240 each, DNSSD_PRINTERS at most
#        180, WSD_PRINTERS at most 240)
#
# Discovery on the namespace network of tests/discovery/lan_network.sh, with
# LAN_AGENTS (default 30) real snmpd agents on the searcher's LAN and
# FAR_AGENTS (default 30) on the routed far /24; every agent reports itself
# as a printer, so every tool may count it. For each way of searching: the
# agents found and the time from the start to the last answer, as a
# Markdown table. A second LAN holds BURST_AGENTS (default 300) agents played
# by one responder that answers a broadcast from all of them at once.
#   - this library: broadcast (255.255.255.255), and the sweep of the far /24
#     through its .255 target (BIN_DIR/devprobe_find);
#   - CUPS's SNMP backend (/usr/lib/cups/backend/snmp) with an snmp.conf
#     holding an Address (255.255.255.255, then 10.78.0.255) and a Community;
#     an agent counts as found when the backend received its answer (its
#     debug log), since it lists only devices with a print port open;
#   - one snmpget per host of the far /24, all at once (time-out 1 s, no retry).
# A printer LAN without a default route (the searcher's second interface)
# holds 10 snmpd agents and DNSSD_PRINTERS (default 50) printers that answer
# only DNS-SD, played by one python3-zeroconf responder:
#   - this library's broadcast (SNMP and DNS-SD), and, when BEFORE_BIN_DIR
#     names the build of an earlier library, that one's;
#   - python3-zeroconf's own browser, browsing and resolving for as long.
# On the same link, in 10.81.0.0/24 (the searcher's second address there),
# WSD_PRINTERS (default 50) printers that answer only WS-Discovery, played by
# one wsd_responder.py: this library's broadcast, the printers found and
# those named (one Get for each, 8 at a time, within the time-out).
# Then, for this library and the earlier one: the time of a /16 sweep at
# rate=1000000 (routed, and on the burst LAN) against time-outs of 30, 60 and
# 100 ms; and, the burst LAN turned hostile (as in hostile_lan_test.sh),
# one search's agents, time and peak memory growth, and the port library's
# dnssd:// resolution time.
# Linux, root. A benchmark, not a test: it prints figures and passes nothing.
set -u
bin=$1
lan_agents=${2:-30}
far_agents=${3:-30}
burst_agents=${4:-300}
dnssd_printers=${5:-50}
wsd_printers=${6:-50}
# Hosts .11 to .250 of each /24.
if [ "$lan_agents" -gt 240 ] || [ "$far_agents" -gt 240 ] || [ "$dnssd_printers" -gt 180 ] ||
  [ "$wsd_printers" -gt 240 ]; then
  echo "at most 240 agents on the LAN and on the far /24, 180 DNS-SD and 240 WSD printers" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
# The family prefix the build named its libraries with (vtldevprobe.dll).
prefix=$(basename "$(ls "$bin"/*devprobe.dll | head -1)" devprobe.dll)
# shellcheck source-path=SCRIPTDIR source=../../tests/discovery/lan_network.sh
. "$here/../../tests/discovery/lan_network.sh"
reason=$(net_check)
[ -z "$reason" ] || { echo "cannot run: $reason"; exit 1; }
trap net_cleanup EXIT
trap 'exit 130' INT TERM

printer='override .1.3.6.1.2.1.25.3.2.1.2.1 object_id .1.3.6.1.2.1.25.3.1.5'
description='override .1.3.6.1.2.1.25.3.2.1.3.1 octet_str BenchPrinter'
net_setup || exit 1
# agents COUNT NETWORK NAME: COUNT printers on NETWORK, named NAME-1, NAME-2, ...
agents() {
  local i
  for i in $(seq 1 "$1"); do
    net_agent "${3:0:1}$i" "$2" $((10 + i)) "rocommunity public default
sysName $3-$i
$printer
$description" || return 1
  done
}
agents "$lan_agents" LAN lan || exit 1
agents "$far_agents" FAR far || exit 1
net_wait_agents || exit 1
net_burst "$burst_agents" 161 || exit 1
burst_responder_pid=${net_pids[-1]}

# The printer LAN: a bridge in the router without an address, so nothing
# routes there; the searcher's e1 is on it without a default route.
ip netns exec "$net_router" ip link add br-prn type bridge || exit 1
ip netns exec "$net_router" ip link set br-prn up
prn_plug() { # NAMESPACE ADDRESS [INTERFACE]
  local port="q${2//./-}"
  port=${port:0:15}
  ip netns exec "$net_router" ip link add "$port" type veth peer name "${3:-e0}" netns "$1" || return 1
  ip netns exec "$net_router" ip link set "$port" master br-prn up
  ip netns exec "$1" ip addr add "$2/24" brd + dev "${3:-e0}"
  ip netns exec "$1" ip link set "${3:-e0}" up
}
prn_plug "$net_searcher" 10.80.0.2 e1 || exit 1
for i in $(seq 1 10); do
  ns=$net_tag-n$i
  net_add_namespace "$ns" || exit 1
  prn_plug "$ns" "10.80.0.$((200 + i))" || exit 1
  printf 'agentAddress udp:161\nrocommunity public default\nsysName prn-%s\n' "$i" \
    >"$net_work/prn-$i.conf"
  SNMP_PERSISTENT_DIR="$net_work/prn-$i.state" MIBS='' MIBDIRS="$net_work" \
    ip netns exec "$ns" "$net_snmpd" -f -C -c "$net_work/prn-$i.conf" -Lf "$net_work/prn-$i.log" &
  net_pids+=($!)
done
# responder_hosts NAMESPACE NETWORK COUNT: a namespace on the printer link
# holding hosts .11 to .(10 + COUNT) of NETWORK (a.b.c), for one responder.
responder_hosts() {
  local i
  net_add_namespace "$1" || return 1
  prn_plug "$1" "$2.11" || return 1
  for i in $(seq 2 "$3"); do ip netns exec "$1" ip addr add "$2.$((10 + i))/24" dev e0; done
}
ready() { # OUTPUT
  for _ in $(seq 300); do grep -q ready "$1" && return 0; sleep 0.1; done
  cat "$1" >&2
  return 1
}
responder_hosts "$net_tag-z" 10.80.0 "$dnssd_printers" || exit 1
services=()
for i in $(seq 1 "$dnssd_printers"); do
  services+=(--service "Bench Printer $i|_ipp._tcp|bench-$i|10.80.0.$((10 + i))")
done
ip netns exec "$net_tag-z" /usr/bin/python3 "$here/../../tests/discovery/dnssd_responder.py" \
  --interface 10.80.0.11 "${services[@]}" >"$net_work/dnssd.out" 2>&1 &
net_pids+=($!)
ready "$net_work/dnssd.out" || exit 1
# The WSD printers share the link in a network of their own.
ip netns exec "$net_searcher" ip addr add 10.81.0.2/24 dev e1
responder_hosts "$net_tag-w" 10.81.0 "$wsd_printers" || exit 1
# Its answers go to the searcher's first address on the link.
ip netns exec "$net_tag-w" ip route add 10.80.0.0/24 dev e0
printers=()
for i in $(seq 1 "$wsd_printers"); do printers+=(--printer "10.81.0.$((10 + i))|http|WSD Printer $i||"); done
ip netns exec "$net_tag-w" /usr/bin/python3 "$here/../../tests/discovery/wsd_responder.py" \
  "${printers[@]}" >"$net_work/wsd.out" 2>&1 &
net_pids+=($!)
ready "$net_work/wsd.out" || exit 1

# timed COMMAND...: runs COMMAND in the namespace $searcher; prints
# "FOUND LAST_MS WALL_MS": lines matching $pattern, the time of the last one.
timed() {
  local start stamps end last found
  # The shell's own clock (microseconds): no process per line to skew it.
  start=${EPOCHREALTIME/./}
  stamps=$(ip netns exec "$searcher" stdbuf -oL "$@" 2>/dev/null | grep --line-buffered -E "$pattern" |
    while IFS= read -r _; do echo "${EPOCHREALTIME/./}"; done)
  end=${EPOCHREALTIME/./}
  found=$(printf '%s\n' "$stamps" | grep -c .)
  last=$(printf '%s\n' "$stamps" | tail -1)
  [ -n "$last" ] || last=$start
  echo "$found $(((last - start) / 1000)) $(((end - start) / 1000))"
}

row() { # WHAT WHERE AGENTS RESULT
  local found last wall
  read -r found last wall <<<"$4"
  printf '| %s | %s | %s of %s | %s | %s |\n' "$1" "$2" "$found" "$3" "$last" "$wall"
}

cups_conf=$net_work/cups
mkdir -p "$cups_conf"
# The backend lists only devices it can also reach by a print protocol, so
# its debug log tells which agents answered and when (seconds from its start,
# first answer of each host).
cups() { # ADDRESS
  printf 'Address %s\nCommunity public\nDebugLevel 2\n' "$1" >"$cups_conf/snmp.conf"
  local start end
  start=$(date +%s%N)
  CUPS_SERVERROOT=$cups_conf ip netns exec "$searcher" /usr/lib/cups/backend/snmp >"$cups_conf/log" 2>&1
  end=$(date +%s%N)
  awk -v wall=$(((end - start) / 1000000)) '
    /Received data from/ { host = $6; sub(/\.\.\.$/, "", host)
      if (!(host in first)) { first[host] = $2; found++; if ($2 > last) last = $2 } }
    END { printf "%d %d %d\n", found, last * 1000, wall }' "$cups_conf/log"
}

sweep_snmpget() {
  local host
  for host in $(seq 1 254); do
    snmpget -v2c -c public -t 1 -r 0 -Oqv "10.78.0.$host" 1.3.6.1.2.1.1.5.0 &
  done
  wait
}
export -f sweep_snmpget

echo "LAN agents: $lan_agents, far /24 agents: $far_agents"
echo
echo '| search | where | agents found | last answer (ms) | call returned (ms) |'
echo '|---|---|---|---|---|'
pattern=$'^10\\.7[7-9]\\.[0-9.]+\t'
searcher=$net_searcher
lan_before=$(net_rcvbuf_errors "$searcher")
row "library, broadcast, time-out 3000 ms" "LAN" "$lan_agents" \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast v4 "")"
row "library, .255 target (sweep), time-out 3000 ms" "far /24" "$far_agents" \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast v4 10.78.0.255)"
row "library, range=10.78.0.0/24 + broadcast" "LAN + far" "$((lan_agents + far_agents))" \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast --parameter range=10.78.0.0/24 v4 "")"
lan_drops=$(($(net_rcvbuf_errors "$searcher") - lan_before))
searcher=$net_burst_searcher
before=$(net_rcvbuf_errors "$searcher")
row "library, broadcast, time-out 3000 ms" "burst LAN" "$burst_agents" \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast v4 "")"
burst_drops=$(($(net_rcvbuf_errors "$searcher") - before))
if [ -x /usr/lib/cups/backend/snmp ]; then
  row "CUPS snmp backend, Address 255.255.255.255" "burst LAN" "$burst_agents" \
    "$(cups 255.255.255.255)"
  searcher=$net_searcher
  row "CUPS snmp backend, Address 255.255.255.255" "LAN" "$lan_agents" "$(cups 255.255.255.255)"
  row "CUPS snmp backend, Address 10.78.0.255" "far /24" "$far_agents" "$(cups 10.78.0.255)"
fi
searcher=$net_searcher
if command -v snmpget >/dev/null; then
  pattern='^"?far-'
  row "254 parallel snmpget (-t 1 -r 0)" "far /24" "$far_agents" "$(timed bash -c sweep_snmpget)"
fi
searcher=$net_searcher
pattern=$'^10\\.80\\.0\\.2[0-9][0-9]\t'
if [ -n "${BEFORE_BIN_DIR:-}" ]; then
  row "earlier library, broadcast, time-out 3000 ms" "printer LAN, no default route" 10 \
    "$(timed "$BEFORE_BIN_DIR/devprobe_find" --timeout 3000 --broadcast v4 "")"
  sleep 1.5
fi
row "library, broadcast, time-out 3000 ms" "printer LAN, no default route" 10 \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast v4 "")"
# python3-zeroconf answers the same question once a second at most.
sleep 1.5
pattern=$'^10\\.80\\.0\\.(1[1-9]|[2-9][0-9]|1[0-9][0-9])\t'
row "library, broadcast, time-out 3000 ms" "DNS-SD only" "$dnssd_printers" \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast --parameter dnssd=1 v4 "")"
sleep 1.5
row "python3-zeroconf browser, 3000 ms" "DNS-SD only" "$dnssd_printers" \
  "$(timed /usr/bin/python3 "$here/zeroconf_browse.py" 3000)"
pattern=$'^10\\.81\\.0\\.[0-9]+\t'
row "library, broadcast, time-out 3000 ms" "WSD only, found" "$wsd_printers" \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast v4 "")"
pattern=$'^10\\.81\\.0\\.[0-9]+\tWSD'
row "library, broadcast, time-out 3000 ms" "WSD only, named" "$wsd_printers" \
  "$(timed "$bin/devprobe_find" --timeout 3000 --broadcast v4 "")"
echo
echo "UDP RcvbufErrors of the library's LAN searches: $lan_drops, of its burst search: $burst_drops"

# A /16 sweep at a million datagrams a second must still end with its
# time-out: each call timed in-process (timed_call.py), the median of three.
timed_call=(python3 "$here/../../tests/discovery/timed_call.py")
sweep_median() { # NAMESPACE LIBRARY TIMEOUT_MS RANGE
  local result times=()
  for _ in 1 2 3; do
    result=$(ip netns exec "$1" "${timed_call[@]}" find "$2" "$3" "range=$4;rate=1000000")
    times+=("$(sed -n 's/.*call_ms=\([0-9]*\).*/\1/p' <<<"$result")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}
sweep_rows() { # BIN_DIR WHAT
  local network ns range timeout line
  for network in "routed far network:$net_searcher:10.78.0.0/16" \
    "on-link burst LAN (mostly silent):$net_burst_searcher:10.79.0.0/16"; do
    IFS=: read -r network ns range <<<"$network"
    line="| $2 | $network, range=$range |"
    for timeout in 30 60 100; do
      line+=" $(sweep_median "$ns" "$1/${prefix}devprobe.dll" "$timeout" "$range") |"
    done
    echo "$line"
  done
}
echo
echo "A /16 sweep at rate=1000000: the call's time (ms, median of three) for each time-out:"
echo
echo '| library | network | 30 ms | 60 ms | 100 ms |'
echo '|---|---|---|---|---|'
[ -n "${BEFORE_BIN_DIR:-}" ] && sweep_rows "$BEFORE_BIN_DIR" "earlier library"
sweep_rows "$bin" "library"

# The burst LAN turned hostile, as in devprobe_hostile_lan_test: 200
# empty-name agents, a 1024-instance DNS-SD flood and 60 KB answers of deeply
# compressed PTR records.
kill "$burst_responder_pid" && wait "$burst_responder_pid" 2>/dev/null
for script in "burst_responder.py 161 --nameless $(seq -f 10.79.1.%g 200)" \
  "hostile_mdns.py $(seq -f 10.79.1.%g 100)"; do
  # shellcheck disable=SC2086 # the script and its arguments, split
  ip netns exec "$net_burst_responder" python3 "$here/../../tests/discovery/"$script \
    >"$net_work/${script%%.py*}.out" 2>&1 &
  net_pids+=($!)
  for _ in $(seq 100); do grep -qs ready "$net_work/${script%%.py*}.out" && break; sleep 0.1; done
done
hostile() { # BIN_DIR WHAT: one search and one dnssd:// resolution, timed by timed_call.py
  local timed=(ip netns exec "$net_burst_searcher" "${timed_call[@]}")
  local search resolution
  search=$("${timed[@]}" find "$1/${prefix}devprobe.dll" 3000 | sed -n 1p)
  resolution=$("${timed[@]}" address "$1/${prefix}portlink.dll" \
    'dnssd://Nobody%20Here._ipp._tcp.local./?uuid=1' 2>/dev/null)
  sed -E 's/agents=([0-9]+) call_ms=([0-9]+) rss_growth_kb=([0-9]+)/| '"$2"' | \1 | \2 | \3 |/' <<<"$search" |
    tr -d '\n'
  sed -E 's/.*call_ms=([0-9]+).*/ \1 |/' <<<"${resolution:-call_ms=-}"
}
echo
echo "A hostile host on the burst LAN (time-outs: search 3000 ms, port library 2000 ms):"
echo
echo '| library | agents reported | search returned (ms) | peak memory growth (KB) | dnssd:// resolution (ms) |'
echo '|---|---|---|---|---|'
[ -n "${BEFORE_BIN_DIR:-}" ] && hostile "$BEFORE_BIN_DIR" "earlier library"
hostile "$bin" "library"
