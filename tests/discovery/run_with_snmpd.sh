#!/usr/bin/env bash
# Usage: run_with_snmpd.sh COMMAND [ARGUMENTS...]
#
# Starts Debian's snmpd in the foreground on loopback only (udp:127.0.0.1 and
# udp6:[::1]) on a free unprivileged port, with a configuration and a
# persistent-state folder of its own in a temporary folder, runs COMMAND with
# the agent described in the environment, stops the agent and returns
# COMMAND's exit code:
#   JOBHOST_SNMPD_PORT       the agent's UDP port
#   JOBHOST_SNMPD_IPV6       1 when it also listens on [::1]
#   JOBHOST_SNMPD_COMMUNITY  its read community
#   JOBHOST_SNMPD_SYSNAME    its sysName.0
#   JOBHOST_SNMPD_ENGINE     the text of its SNMPv3 engine ID
# Without snmpd, COMMAND runs with JOBHOST_SNMPD_MISSING set instead, and its
# tests skip.
set -u

export JOBHOST_SNMPD_COMMUNITY=public
export JOBHOST_SNMPD_SYSNAME=jobhost-test-agent
export JOBHOST_SNMPD_ENGINE=jobhost-engine

snmpd=$(command -v snmpd || true)
[ -z "$snmpd" ] && [ -x /usr/sbin/snmpd ] && snmpd=/usr/sbin/snmpd
if [ -z "$snmpd" ]; then
  export JOBHOST_SNMPD_MISSING="snmpd is not installed (Debian package snmpd)"
  exec "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-snmpd.XXXXXX")
agent=
stop_agent() {
  if [ -n "$agent" ] && kill -0 "$agent" 2>/dev/null; then
    kill "$agent" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$agent" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$agent" 2>/dev/null
    wait "$agent" 2>/dev/null
  fi
  agent=
}
trap 'stop_agent; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

loopback_ipv6=0
ip -6 addr show dev lo 2>/dev/null | grep -q 'inet6 ::1/' && loopback_ipv6=1

write_config() { # PORT IPV6
  local addresses="udp:127.0.0.1:$1"
  [ "$2" = 1 ] && addresses="$addresses,udp6:[::1]:$1"
  cat >"$work/snmpd.conf" <<CONF
agentAddress $addresses
rocommunity $JOBHOST_SNMPD_COMMUNITY 127.0.0.1
rocommunity6 $JOBHOST_SNMPD_COMMUNITY ::1
sysName $JOBHOST_SNMPD_SYSNAME
sysLocation jobhost test bench
engineID $JOBHOST_SNMPD_ENGINE
createUser jobhost-user SHA "jobhost-auth-secret" AES "jobhost-priv-secret"
rouser jobhost-user authpriv
CONF
}

# Starts the agent; 0 once it serves, 1 when it exited (port taken), 2 when it
# neither served nor exited in time.
start_agent() { # PORT IPV6
  write_config "$1" "$2"
  rm -f "$work/snmpd.log"
  # -C: no system configuration; running as root, snmpd keeps the invoking user.
  SNMP_PERSISTENT_DIR="$work/state" MIBS= MIBDIRS="$work" \
    "$snmpd" -f -C -c "$work/snmpd.conf" -Lf "$work/snmpd.log" -p "$work/snmpd.pid" &
  agent=$!
  for _ in $(seq 100); do
    if ! kill -0 "$agent" 2>/dev/null; then wait "$agent" 2>/dev/null; agent=; return 1; fi
    grep -q 'NET-SNMP version' "$work/snmpd.log" 2>/dev/null && return 0
    sleep 0.1
  done
  stop_agent
  return 2
}

started=
for attempt in 1 2 3 4 5 6 7 8; do
  port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
  if start_agent "$port" "$loopback_ipv6"; then started=1; break; fi
  # An agent that cannot bind [::1] (IPv6 switched off) still serves IPv4.
  if [ "$loopback_ipv6" = 1 ] && grep -q '\[::1\]' "$work/snmpd.log" 2>/dev/null; then
    loopback_ipv6=0
  fi
done
if [ -z "$started" ]; then
  echo "run_with_snmpd: snmpd did not start; its log:" >&2
  cat "$work/snmpd.log" >&2 2>/dev/null
  exit 1
fi

export JOBHOST_SNMPD_PORT=$port
export JOBHOST_SNMPD_IPV6=$loopback_ipv6
"$@"
status=$?
stop_agent
exit $status
