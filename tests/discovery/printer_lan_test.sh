#!/usr/bin/env bash
# Usage: printer_lan_test.sh BIN_DIR PREFIX
#
# The library on a printer LAN without a default route (the searcher's second
# interface, 10.80.0.0/24, beside the routed LAN of lan_network.sh), with real
# snmpd agents, real multicast DNS responders (python3-zeroconf), our
# WS-Discovery printers (wsd_responder.py) and Debian's wsdd for a computer:
#   - the whole search command stores printers that answer SNMP, DNS-SD, WSD
#     or several once each: SNMP names stand, then DNS-SD names, then WSD
#     names (an https-only printer's empty); an _http._tcp service and a
#     computer's WSD are no printers; TotalPrinters counts printers;
#   - dnssd=0 and wsd=0 leave their protocol out; printers=1 keeps DNS-SD
#     and WSD printers;
#   - an IPv6 search finds printers by their AAAA records and WSD over IPv6;
#   - a one-host call takes the direct answer of that host's responder.
# python3-zeroconf does not answer the same question twice within about a
# second, so the searches against the same responders are spaced.
# Exits 77 (skipped) where namespaces cannot be made.
set -u
bin=$1
prefix=$2
here=$(cd "$(dirname "$0")" && pwd)
find_tool=$bin/devprobe_find
# shellcheck source-path=SCRIPTDIR source=lan_network.sh
. "$here/lan_network.sh"
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$here/checks.sh"

# Debian installs the module for the system's python.
/usr/bin/python3 -c 'import zeroconf' 2>/dev/null || skip "python3-zeroconf is not installed"
command -v wsdd >/dev/null || skip "wsdd is not installed"
net_test_start "$bin" "$prefix"
net_setup || exit 1
# The printer LAN: a bridge in the router namespace without an address, so
# nothing routes there; the searcher's e1 is on it without a default route.
ip netns exec "$net_router" ip link add br-prn type bridge || exit 1
ip netns exec "$net_router" ip link set br-prn up
prn_plug() { # NAMESPACE HOST [INTERFACE]
  local ns=$1 host=$2 name=${3:-e0} port="q$2"
  ip netns exec "$net_router" ip link add "$port" type veth peer name "$name" netns "$ns" || return 1
  ip netns exec "$net_router" ip link set "$port" master br-prn up
  ip netns exec "$ns" ip addr add "10.80.0.$host/24" brd + dev "$name"
  ip netns exec "$ns" ip addr add "fd00:80::$host/64" dev "$name" nodad
  ip netns exec "$ns" ip link set "$name" up
}
prn_plug "$net_searcher" 2 e1 || exit 1

# prn_device NAME HOST SNMPD-CONFIG|"" WSD|"" SERVICE...: a device at
# 10.80.0.HOST with an agent when a configuration is given, a WSD printer
# when WSD (MODE|NAME|MAKER|MODEL, IPv4; "v6:" before it: IPv6 too) is given,
# and a responder for the services (NAME|TYPE, announced at its addresses).
prn_device() {
  local name=$1 host=$2 config=$3 wsd=$4 ns=$net_tag-$1 service services=() printers=()
  shift 4
  net_add_namespace "$ns" || return 1
  prn_plug "$ns" "$host" || return 1
  mkdir -p "$net_work/$name"
  [ -z "$config" ] || net_snmpd_in "$ns" "$name" "$config"
  if [ -n "$wsd" ]; then
    printers=(--printer "10.80.0.$host|${wsd#v6:}")
    [ "${wsd#v6:}" = "$wsd" ] || printers+=(--printer "fd00:80::$host|${wsd#v6:}")
    ip netns exec "$ns" /usr/bin/python3 "$here/wsd_responder.py" "${printers[@]}" \
      >"$net_work/$name/wsd.out" 2>&1 &
    net_pids+=($!)
  fi
  [ $# -gt 0 ] || return 0
  for service in "$@"; do services+=(--service "$service|$name|10.80.0.$host,fd00:80::$host"); done
  ip netns exec "$ns" /usr/bin/python3 "$here/dnssd_responder.py" "${services[@]}" \
    >"$net_work/$name/responder.out" 2>&1 &
  net_pids+=($!)
}

printer() { printf 'rocommunity public default\nsysName %s\noverride %s object_id %s' "$1" \
  .1.3.6.1.2.1.25.3.2.1.2.1 .1.3.6.1.2.1.25.3.1.5; }
prn_device both 11 "$(printer snmp-both)" "" "Both Ways|_ipp._tcp" || exit 1
prn_device snmp 12 "$(printer snmp-name)" "http|WSD Twelve||" || exit 1
prn_device ipp 13 "" "http|Büro WSD||" "Büro Laser — 2 Stock|_ipp._tcp" \
  "Büro Laser raw|_pdl-datastream._tcp" || exit 1
prn_device raw 14 "" "" "Raw Only|_pdl-datastream._tcp" || exit 1
prn_device web 15 "" "" "Web Thing|_http._tcp" || exit 1
prn_device wsd 16 "" "v6:http||Vantorel|LX-200" || exit 1
prn_device tls 17 "" "https|Secure||" || exit 1
# A computer that answers WS-Discovery as Windows hosts do (Debian's wsdd).
prn_device pc 18 "" "" || exit 1
ip netns exec "$net_tag-pc" wsdd -i e0 -n OFFICE-PC -s -v >"$net_work/pc/wsdd.out" 2>&1 &
net_pids+=($!)
net_wait_agents || exit 1
for out in "$net_work"/*/responder.out "$net_work"/*/wsd.out; do
  for _ in $(seq 100); do grep -q ready "$out" && continue 2; sleep 0.1; done
  echo "a responder did not start: $out" >&2
  cat "$out" >&2
  exit 1
done

tab=$'\t'
snmp="10.80.0.11${tab}snmp-both
10.80.0.12${tab}snmp-name"
dnssd="10.80.0.13${tab}Büro Laser — 2 Stock
10.80.0.14${tab}Raw Only"
wsd="10.80.0.16${tab}Vantorel LX-200
10.80.0.17${tab}"
everyone="$snmp
$dnssd
$wsd"

# --- the whole search command ---
net_search "$bin" "$prefix" || exit 1
# The LAN with the default route holds no printer.
same "the search command stores each printer once, SNMP, then DNS-SD, then WSD names" \
  "$everyone" "$(printf '%s\n' "$net_found" | grep '^10\.80\.')"
check "TotalPrinters counts the printers ($net_total)" [ "$net_total" = 6 ]
check "... while wsdd's computer heard the Probes" grep -q '"Probe urn:uuid:' "$net_work/pc/wsdd.out"

find_v4() { sleep 1.5; in_searcher "$find_tool" --timeout 2000 --broadcast "$@" v4 ""; }
same "dnssd=0 finds the SNMP agents and the WSD printers" "$snmp
10.80.0.13${tab}Büro WSD
$wsd" "$(find_v4 --parameter 'port=161;dnssd=0' | grep '^10\.80\.')"
same "wsd=0 finds the SNMP agents and the DNS-SD printers" "$snmp
$dnssd" "$(find_v4 --parameter 'port=161;wsd=0' | grep '^10\.80\.')"
same "printers=1 keeps the DNS-SD and WSD printers" "$everyone" \
  "$(find_v4 --parameter 'port=161;printers=1' | grep '^10\.80\.')"
sleep 1.5
same "an IPv6 search finds the DNS-SD printers by their AAAA records, and WSD over IPv6" \
  "fd00:80:0:0:0:0:0:11${tab}Both Ways
fd00:80:0:0:0:0:0:13${tab}Büro Laser — 2 Stock
fd00:80:0:0:0:0:0:14${tab}Raw Only
fd00:80:0:0:0:0:0:16${tab}Vantorel LX-200" \
  "$(in_searcher "$find_tool" --timeout 2000 --broadcast v6 "")"
sleep 1.5
same "one host is named by its own responder's direct answer" "10.80.0.14${tab}Raw Only" \
  "$(in_searcher "$find_tool" --timeout 1500 v4 10.80.0.14)"

finish
echo "all printer LAN cases passed"
