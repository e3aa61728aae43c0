#!/usr/bin/env bash
# Usage: search_lan_test.sh BIN_DIR PREFIX
#
# The library on a routed network of real snmpd agents (lan_network.sh):
#   - the whole search command on a LAN of five agents (two net-snmp default
#     engine IDs, two text engine IDs, one answering SNMPv3 only with a
#     MAC-format engine ID) stores each agent once under its sysName (the
#     SNMPv3-only one under its MAC text) and TotalPrinters counts agents;
#   - the far /24 behind the router is found through its .255 target and
#     through range=, though the router drops directed broadcasts; the
#     searcher's own /24 through its .255 target, by the time-out;
#   - printers=1 keeps exactly the agents whose hrDeviceType.1 says printer;
#   - a burst of 300 agents answering one broadcast at once is found whole
#     and the searcher's UDP receive buffer drops nothing;
#   - a searcher without IPv4 returns by its time-out with nothing.
# BIN_DIR holds PREFIXsvc.exe, PREFIXdevprobe.dll, jobhostctl and
# devprobe_find. Exits 77 (skipped) where namespaces cannot be made.
set -u
bin=$1
prefix=$2
here=$(cd "$(dirname "$0")" && pwd)
find_tool=$bin/devprobe_find
# shellcheck source-path=SCRIPTDIR source=lan_network.sh
. "$here/lan_network.sh"
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$here/checks.sh"

command -v python3 >/dev/null || skip "python3 is not installed"
net_test_start "$bin" "$prefix"

printer='override .1.3.6.1.2.1.25.3.2.1.2.1 object_id .1.3.6.1.2.1.25.3.1.5'
net_setup || exit 1
net_agent a1 LAN 11 "rocommunity public default
sysName lan-agent-1
$printer" || exit 1
net_agent a2 LAN 12 "rocommunity public default
sysName lan-agent-2" || exit 1
net_agent a3 LAN 13 "rocommunity public default
sysName lan-agent-3
engineID lan-engine-3
$printer" || exit 1
net_agent a4 LAN 14 "rocommunity public default
sysName lan-agent-4
engineID lan-engine-4" || exit 1
# No community: only SNMPv3 engine discovery gets an answer.
net_agent a5 LAN 15 "sysName lan-agent-5
engineIDType 3
engineIDNic e0" || exit 1
net_agent f1 FAR 21 "rocommunity public default
sysName far-agent-1
$printer" || exit 1
net_agent f2 FAR 22 "rocommunity public default
sysName far-agent-2" || exit 1
net_wait_agents || exit 1

tab=$'\t'
mac_name=$(net_mac LAN 15)

# --- the whole search command on the LAN ---
net_search "$bin" "$prefix" || exit 1
same "the search command stores every LAN agent once, under its sysName or MAC text" \
  "10.77.0.11${tab}lan-agent-1
10.77.0.12${tab}lan-agent-2
10.77.0.13${tab}lan-agent-3
10.77.0.14${tab}lan-agent-4
10.77.0.15${tab}$mac_name" "$net_found"
check "TotalPrinters is the number of agents ($net_total)" [ "$net_total" = 5 ]

# --- the far /24 behind the router ---
find_v4() { in_searcher "$find_tool" --timeout 2000 --broadcast "$@" v4 "${target:-}"; }
far="10.78.0.21${tab}far-agent-1
10.78.0.22${tab}far-agent-2"
lan="10.77.0.11${tab}lan-agent-1
10.77.0.12${tab}lan-agent-2
10.77.0.13${tab}lan-agent-3
10.77.0.14${tab}lan-agent-4"
same "the far /24 is found through its .255 target" "$far" \
  "$(target=10.78.0.255 find_v4 --parameter port=161)"
start=$(date +%s%N)
output=$(target=10.77.0.255 find_v4 --parameter port=161)
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
same "the searcher's own /24 is found through its .255 target" "$lan" "$output"
# Its hosts that do not answer address resolution hold the send buffer.
check "a sweep of the searcher's own /24 ends by its time-out (${elapsed_ms} ms)" \
  [ "$elapsed_ms" -lt 2500 ]
same "range= adds the far /24 to the LAN's broadcast" "$lan
$far" "$(find_v4 --parameter 'port=161;range=10.78.0.0/24')"
same "printers=1 keeps exactly the printers" "10.77.0.11${tab}lan-agent-1
10.77.0.13${tab}lan-agent-3
10.78.0.21${tab}far-agent-1" "$(find_v4 --parameter 'port=161;range=10.78.0.0/24;printers=1')"

# --- a searcher without IPv4 ---
net_add_namespace "$net_tag-bare" || exit 1
start=$(date +%s%N)
output=$(ip netns exec "$net_tag-bare" "$find_tool" --timeout 1000 --broadcast \
  --parameter 'range=10.78.0.0/24' v4 "" 2>&1)
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
check "without IPv4 nothing is reported and the call ends by its time-out (${elapsed_ms} ms)" \
  [ -z "$output" -a "$elapsed_ms" -lt 1500 ]

# --- a burst of 300 agents on one LAN ---
net_burst 300 1161 || exit 1
burst=$net_burst_searcher
before=$(net_rcvbuf_errors "$burst")
start=$(date +%s%N)
found=$(ip netns exec "$burst" "$find_tool" --timeout 2000 --broadcast --parameter port=1161 v4 "" |
  sort -u | wc -l)
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
after=$(net_rcvbuf_errors "$burst")
echo "     burst: $found of 300 agents in ${elapsed_ms} ms, RcvbufErrors $before -> $after"
check "a burst of 300 agents is found whole" [ "$found" = 300 ]
check "the searcher's receive buffer dropped nothing" [ "$before" = "$after" ]

finish
echo "all LAN cases passed"
