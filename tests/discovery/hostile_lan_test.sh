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
# Then, beside two well-behaved WS-Discovery printers, one hostile host at a
# time (hostile_wsd.py KIND) answers each search of a table: each call keeps
# the same time and memory, and reports what its row says, no more. A WSD
# printer that answers from its link-local address with an XAddr on the
# searcher's ULA prefix is reported at that address, and named; hand-made
# answers from :: and ::ffff:127.0.0.1 are not, and nothing is sent to the
# searcher's own loopback. Last, the whole search command writes nothing to
# its console while a host answers with bytes no encoding converts.
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
first_answerers=($!)
printers=(--printer "10.79.1.141|big|Big||")
for host in $(seq 101 140); do printers+=(--printer "10.79.1.$host|stall|Stalled||"); done
ip netns exec "$net_burst_responder" python3 "$here/wsd_responder.py" "${printers[@]}" \
  >"$net_work/wsd.out" 2>&1 &
net_pids+=($!)
first_answerers+=($!)
for out in mdns wsd; do
  for _ in $(seq 100); do grep -qs ready "$net_work/$out.out" && break; sleep 0.1; done
done
timed() { ip netns exec "$net_burst_searcher" python3 "$here/timed_call.py" "$@"; }
value() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$2"; } # NAME TEXT: TEXT's NAME=value

result=$(timed find "$bin/${prefix}devprobe.dll" 3000)
echo "     search: $(head -1 <<<"$result")"
check "the call returns within its time-out + 300 ms" [ "$(value call_ms "$result")" -lt 3300 ]
check "its resident memory rises by less than 20 MB" [ "$(value rss_growth_kb "$result")" -lt 20480 ]
agents=$(value agents "$result")
check "it reports at most 1024 agents, the 200 SNMP agents among them" \
  [ "${agents:-0}" -ge 200 -a "${agents:-0}" -le 1024 ]

result=$(timed address "$bin/${prefix}portlink.dll" 'dnssd://Nobody%20Here._ipp._tcp.local./?uuid=1')
[ $? = 77 ] || check "the port library's resolution ends within 2 s + 300 ms, with no address ($result)" \
  [ "$(value call_ms "$result")" -lt 2300 -a -z "$(value address "$result")" ]

kill "${first_answerers[@]}"
wait "${first_answerers[@]}" 2>/dev/null
# They answer after the hostile host, so that a cap it filled would hide them.
ip netns exec "$net_burst_responder" python3 "$here/wsd_responder.py" --delay-ms 200 \
  --printer "10.79.1.171|http|Normal A||" --printer "10.79.1.172|http|Normal B||" \
  >"$net_work/normal.out" 2>&1 &
net_pids+=($!)
for _ in $(seq 100); do grep -qs ready "$net_work/normal.out" && break; sleep 0.1; done
normal=$'10.79.1.171 Normal A\n10.79.1.172 Normal B'
# KIND|the agents reported besides the two printers ("ADDRESS NAME", ";" between)|what it shows
rows=(
  "nul|10.79.1.2 |a NUL in an answer's text, or a Get answer's, is refused"
  "flood|10.79.1.1 Hostile|256 matches from one host hide no other printer"
  "bigref||300 endpoint references filling their datagrams are dropped"
  "late|$(printf '10.79.1.%d ;' 1 2 3 4 5 6 7 8)|attribute-heavy Gets arriving late end no call late"
  "broadcast|10.79.1.1 Hostile;10.79.1.2 Hostile|XAddrs at the network and broadcast addresses are not printers"
)
# SNMP and DNS-SD off: only WS-Discovery answers are reported.
for row in "${rows[@]}"; do
  IFS='|' read -r kind expected what <<<"$row"
  ip netns exec "$net_burst_responder" python3 "$here/hostile_wsd.py" "$kind" \
    $(seq -f 10.79.1.%g 8) >"$net_work/hostile.out" 2>&1 &
  hostile=$!
  for _ in $(seq 100); do grep -qs ready "$net_work/hostile.out" && break; sleep 0.1; done
  result=$(timed find "$bin/${prefix}devprobe.dll" 3000 "port=1161;dnssd=0")
  kill "$hostile"
  wait "$hostile" 2>/dev/null
  echo "     $kind: $(head -1 <<<"$result")"
  reported=$(sed -n 's/^agent //p' <<<"$result")
  check "$kind: within time-out + 300 ms and 20 MB" \
    [ "$(value call_ms "$result")" -lt 3300 -a "$(value rss_growth_kb "$result")" -lt 20480 ]
  same "$kind: $what" "$normal${expected:+$'\n'}$(tr ';' '\n' <<<"${expected%;}")" "$reported"
done

ip netns exec "$net_burst_searcher" ip addr add fd79::1/64 dev e0 nodad
ip netns exec "$net_burst_responder" ip addr add fd79::50/64 dev e0 nodad
ip netns exec "$net_burst_responder" ip addr add fe80::50/64 dev e0 nodad
ip netns exec "$net_burst_responder" python3 "$here/wsd_responder.py" \
  --printer "fd79::50|http|Six Ula|||fe80::50%e0" >"$net_work/six.out" 2>&1 &
net_pids+=($!)
for _ in $(seq 100); do grep -qs ready "$net_work/six.out" && break; sleep 0.1; done
find_v6() {
  ip netns exec "$net_burst_searcher" timeout 20 "$bin/devprobe_find" --broadcast --timeout 3000 \
    --parameter "port=1161;dnssd=0" v6 ""
}
equal "an IPv6 printer answering from link-local is reported at its XAddr on the prefix, named" \
  "fd79:0:0:0:0:0:0:50	Six Ula" "$(find_v6)"
# Hand-made answers from :: naming [::1]:8631, and from ::ffff:127.0.0.1: a
# listener on the searcher's own loopback, port 8631, hears of no Get.
ip netns exec "$net_burst_searcher" python3 -c 'import select, socket
listening = [socket.create_server(("::1", 8631), family=socket.AF_INET6),
             socket.create_server(("127.0.0.1", 8631))]
print("ready", flush=True)
while True:
    ready, _, _ = select.select(listening, [], [])
    connection, peer = ready[0].accept()
    print("connection from", peer, flush=True)
    connection.close()' >"$net_work/loopback.out" 2>&1 &
net_pids+=($!)
ip netns exec "$net_burst_responder" python3 "$here/hostile_wsd.py" unspecified 10.79.1.1 10.79.1.2 \
  >"$net_work/hostile.out" 2>&1 &
net_pids+=($!)
for out in loopback hostile; do
  for _ in $(seq 100); do grep -qs ready "$net_work/$out.out" && break; sleep 0.1; done
done
equal "answers from :: and ::ffff:127.0.0.1 are not printers" "fd79:0:0:0:0:0:0:50	Six Ula" \
  "$(find_v6)"
equal "... and nothing is sent to the searcher's own loopback" "ready" "$(cat "$net_work/loopback.out")"
kill "${net_pids[-1]}"

ip netns exec "$net_burst_responder" python3 "$here/hostile_wsd.py" noise \
  $(seq -f 10.79.1.%g 8) >"$net_work/hostile.out" 2>&1 &
net_pids+=($!)
for _ in $(seq 100); do grep -qs ready "$net_work/hostile.out" && break; sleep 0.1; done
console=$(net_search_in=$net_burst_searcher net_search "$bin" "$prefix" 2>&1)
equal "the search command writes nothing to its console under undecodable answers" "" "$console"
finish
echo "all hostile LAN cases passed"
