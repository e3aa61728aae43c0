#!/usr/bin/env bash
# Usage: silent_lan_test.sh UNIT_TESTS
#
# The discovery channel's sends never wait for room in the send buffer: in a
# network namespace made here, 10.79.0.0/16 is on-link through a veth pair
# whose other end (in a second namespace) has no address, so no host answers
# address resolution. Runs the SystemNetwork unit tests there. Exits 77
# (skipped) where namespaces cannot be made.
set -u
unit_tests=$1
# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$(dirname "$0")/checks.sh"

[ "$(id -u)" = 0 ] || skip "network namespaces need root"
command -v ip >/dev/null || skip "ip (iproute2) is not installed"
lan=jh-silent-$$
peer=jh-peer-$$
trap 'ip netns del "$lan" 2>/dev/null; ip netns del "$peer" 2>/dev/null' EXIT
ip netns add "$lan" 2>/dev/null || skip "cannot create a network namespace here"
ip netns add "$peer" || exit 1
ip -n "$lan" link add jh-l type veth peer name jh-p netns "$peer" || skip "cannot create a veth pair"
ip -n "$lan" addr add 10.79.0.254/16 dev jh-l
ip -n "$lan" link set jh-l up
ip -n "$peer" link set jh-p up
JOBHOST_SILENT_LAN=1 ip netns exec "$lan" "$unit_tests" --gtest_filter='SystemNetwork.*'
