#!/usr/bin/env bash
# Usage: with_silent_resolver.sh COMMAND...
#
# Runs COMMAND in network and mount namespaces of its own, whose resolver
# configuration names 127.0.0.1 (where the test puts a name server that never
# answers) as the only name server and looks host names up in files and DNS
# only. Nothing outside the namespaces changes. Exits 77 (skipped) where they
# cannot be made. JOBHOST_RESOLV_CONF names the configuration, for a test to
# name other name servers.
set -u
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "namespaces need root"
command -v ip >/dev/null || skip "ip (iproute2) is not installed"
unshare --net --mount true 2>/dev/null || skip "cannot make namespaces here"
work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-resolver.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "nameserver 127.0.0.1" >"$work/resolv.conf"
echo "hosts: files dns" >"$work/nsswitch.conf"
# shellcheck disable=SC2016
export JOBHOST_RESOLV_CONF="$work/resolv.conf"
JOBHOST_SILENT_NAME_SERVER=127.0.0.1 unshare --net --mount --propagation private sh -c '
  ip link set lo up && mount --bind "$0/resolv.conf" /etc/resolv.conf &&
    mount --bind "$0/nsswitch.conf" /etc/nsswitch.conf && exec "$@"' "$work" "$@"
