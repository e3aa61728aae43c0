#!/usr/bin/env bash
# Usage: hostile_lan_test.sh BIN_DIR PREFIX
#
# One hostile host on the searcher's LAN (net_burst of lan_network.sh) answers
# a broadcast search with empty-name SNMP answers from 200 addresses
# (burst_responder.py --nameless), a flood naming 1024 DNS-SD instances and a
# 60 KB answer of PTR records, sent thrice (hostile_mdns.py), and 40
# WS-Discovery printers whose Gets never end beside one whose answer passes
# 64 KiB (wsd_responder.py):
#   - the call returns within its time-out + 300 ms (the margin of a loaded
#     machine), its resident memory rises by less than 20 MB, and it reports
#     at most 1024 agents, the 200 SNMP agents among them;
#   - the port library's resolution of a dnssd:// name under the same answers
#     ends within its 2 s + 300 ms, with no address (needs cupsd).
# Exits 77 (skipped) where namespaces cannot be made.
set -u
bin=$1
prefix=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=lan_network.sh
. "$here/lan_network.sh"
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$here/checks.sh"

reason=$(net_check)
[ -z "$reason" ] || skip "$reason"
trap net_cleanup EXIT
trap 'exit 130' INT TERM
net_work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-hostile.XXXXXX")
net_burst 200 161 --nameless || exit 1
ip netns exec "$net_burst_responder" python3 "$here/hostile_mdns.py" $(seq -f 10.79.1.%g 100) \
  >"$net_work/mdns.out" 2>&1 &
net_pids+=($!)
printers=(--printer "10.79.1.141|big|Big||")
for host in $(seq 101 140); do printers+=(--printer "10.79.1.$host|stall|Stalled||"); done
ip netns exec "$net_burst_responder" python3 "$here/wsd_responder.py" "${printers[@]}" \
  >"$net_work/wsd.out" 2>&1 &
net_pids+=($!)
for out in mdns wsd; do
  for _ in $(seq 100); do grep -qs ready "$net_work/$out.out" && break; sleep 0.1; done
done
timed() { ip netns exec "$net_burst_searcher" python3 "$here/timed_call.py" "$@"; }
value() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$2"; } # NAME TEXT: TEXT's NAME=value

result=$(timed find "$bin/${prefix}devprobe.dll" 3000)
echo "     search: $result"
check "the call returns within its time-out + 300 ms" [ "$(value call_ms "$result")" -lt 3300 ]
check "its resident memory rises by less than 20 MB" [ "$(value rss_growth_kb "$result")" -lt 20480 ]
agents=$(value agents "$result")
check "it reports at most 1024 agents, the 200 SNMP agents among them" \
  [ "${agents:-0}" -ge 200 -a "${agents:-0}" -le 1024 ]

result=$(timed address "$bin/${prefix}portlink.dll" 'dnssd://Nobody%20Here._ipp._tcp.local./?uuid=1')
[ $? = 77 ] || check "the port library's resolution ends within 2 s + 300 ms, with no address ($result)" \
  [ "$(value call_ms "$result")" -lt 2300 -a -z "$(value address "$result")" ]
finish
echo "all hostile LAN cases passed"
