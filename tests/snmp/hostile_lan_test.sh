#!/usr/bin/env bash
# Usage: hostile_lan_test.sh BIN_DIR PREFIX
#
# A hostile host on the searcher's LAN (hostile_responder.py, on the LAN of
# lan_network.sh's net_burst_lan) answers one broadcast search with
# empty-name SNMP answers from 200 addresses, a flood naming 1024 DNS-SD
# instances and a 60 KB answer of PTR records:
#   - the call returns within its time-out + 300 ms (the margin of a loaded
#     machine), its resident memory rises by less than 20 MB, and it reports
#     at most 1024 agents, the 200 SNMP agents among them;
#   - the port library's resolution of a dnssd:// name under the same answers
#     ends within its 2 s + 300 ms, with no address.
# BIN_DIR holds PREFIXdevprobe.dll and PREFIXportlink.dll. Exits 77 (skipped)
# where namespaces cannot be made.
set -u
bin=$1
prefix=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=lan_network.sh
. "$here/lan_network.sh"
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$here/checks.sh"

command -v python3 >/dev/null || skip "python3 is not installed"
reason=$(net_check)
[ -z "$reason" ] || skip "$reason"
[ -e "$bin/${prefix}devprobe.dll" ] || skip "$bin/${prefix}devprobe.dll is not built"
trap net_cleanup EXIT
trap 'exit 130' INT TERM

net_burst_lan 200 || exit 1
ip netns exec "$net_burst_responder" python3 "$here/hostile_responder.py" \
  "${net_burst_addresses[@]}" >"$net_work/hostile.out" 2>&1 &
net_pids+=($!)
for _ in $(seq 100); do grep -q ready "$net_work/hostile.out" && break; sleep 0.1; done
grep -q ready "$net_work/hostile.out" || { cat "$net_work/hostile.out" >&2; exit 1; }
timed() { ip netns exec "$net_burst_searcher" python3 "$here/timed_call.py" "$@"; }
# value NAME TEXT: the number after NAME= in TEXT.
value() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$2"; }

result=$(timed find "$bin/${prefix}devprobe.dll" 3000)
echo "     search: $result"
agents=$(value agents "$result")
call_ms=$(value call_ms "$result")
growth_kb=$(value rss_growth_kb "$result")
check "the call returns within its time-out + 300 ms (${call_ms:-?} ms)" [ "${call_ms:-99999}" -lt 3300 ]
check "its resident memory rises by less than 20 MB (${growth_kb:-?} KB)" \
  [ "${growth_kb:-99999}" -lt 20480 ]
check "it reports at most 1024 agents, the 200 SNMP agents among them (${agents:-?})" \
  [ "${agents:-0}" -ge 200 -a "${agents:-0}" -le 1024 ]

if [ -e "$bin/${prefix}portlink.dll" ]; then
  result=$(timed address "$bin/${prefix}portlink.dll" 'dnssd://Nobody%20Here._ipp._tcp.local./?uuid=1')
  status=$?
  echo "     port library: $result"
  if [ "$status" = 77 ]; then
    echo "     (the port library's case needs cupsd and lpadmin)"
  else
    call_ms=$(value call_ms "$result")
    check "the port library's resolution ends within 2 s + 300 ms, with no address (${call_ms:-?} ms)" \
      [ "${call_ms:-99999}" -lt 2300 -a -z "$(value address "$result")" ]
  fi
fi

finish
echo "all hostile LAN cases passed"
