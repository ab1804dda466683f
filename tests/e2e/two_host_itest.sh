#!/bin/bash
# The chain across a real network link: site B's machine is a network
# namespace of its own, joined to this one by a veth pair with two addresses
# of a private /30 that exist only inside this test (nothing else is routed
# there). B's sshd listens only inside the namespace; the shipper in this
# namespace sends through sftp across the link. B's receiver works on files
# and runs here. The first history and the later changes must be confirmed
# and both VOBs agree; the link's counters must show the traffic. The
# namespace and the link are removed on every way out.
# Skipped (exit 77, "skipped:") without root, sshd, sftp or network namespaces.
#
# By hand:
#   BUILD_DIR=build SRC_DIR=. TEST_TMP=/tmp/two-host bash tests/e2e/two_host_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
source "$SRC_DIR/scripts/demo/sftp_lib.sh"
lacking=$(sftp_missing)
command -v ip > /dev/null || lacking="$lacking iproute2"
itest_skip_unless_empty "${lacking:+needs $lacking (scripts/setup.sh installs the packages)}"
itest_sandbox sites_lib chain_lib
source "$SRC_DIR/tests/e2e/transport_chain_lib.sh"

# Names of the machine's network objects, unique to this run (the sandbox
# has its own process numbers, so $$ would be the same in every run).
sfx=$(tr -d '-' < /proc/sys/kernel/random/uuid | cut -c1-8)
NS=vandrel-b-$sfx
LINK_A=vda$sfx # this machine's end of the pair (at most 15 characters)
LINK_B=vdb$sfx # site B's end, inside the namespace

# remove_link: whatever still runs in B's namespace (only what this test
# started there: sshd and its sessions), then the namespace and the pair.
remove_link() {
    local pid
    if [ -e "/run/netns/$NS" ]; then
        for pid in $(ip netns pids "$NS" 2> /dev/null); do kill "$pid" 2> /dev/null; done
        ip netns del "$NS" 2> /dev/null
    fi
    ip link del "$LINK_A" 2> /dev/null
    return 0
}
trap remove_link EXIT

# A /30 of 10.200.0.0/16 that no route of this machine but the default covers.
subnet=""
for _ in 1 2 3 4 5 6 7 8; do
    try=10.200.$((RANDOM % 256)).$((RANDOM % 64 * 4))
    if ! ip -4 route show match "$try/30" | grep -qv '^default '; then
        subnet=$try
        break
    fi
done
[ -n "$subnet" ] || die "no free /30 in 10.200.0.0/16"
ADDR_A=${subnet%.*}.$((${subnet##*.} + 1))
ADDR_B=${subnet%.*}.$((${subnet##*.} + 2))

if ! ip netns add "$NS" 2> "$TEST_TMP/netns.err"; then
    echo "skipped: no network namespaces here ($(cat "$TEST_TMP/netns.err"))"
    exit 77
fi
if ! ip link add "$LINK_A" type veth peer name "$LINK_B" netns "$NS" 2> "$TEST_TMP/veth.err"; then
    echo "skipped: no veth pairs here ($(cat "$TEST_TMP/veth.err"))"
    exit 77
fi
ip addr add "$ADDR_A/30" dev "$LINK_A" && ip link set "$LINK_A" up &&
    ip -n "$NS" addr add "$ADDR_B/30" dev "$LINK_B" && ip -n "$NS" link set "$LINK_B" up &&
    ip -n "$NS" link set lo up || die "the link between the two machines"

# B's address is reached through the pair, and only from this end of it.
ip -4 route get "$ADDR_B" | grep -qF " dev $LINK_A " || fail "$ADDR_B is not routed through $LINK_A"
ip -n "$NS" -4 route show | grep -v "dev $LINK_B" && fail "B's namespace routes elsewhere"

tx_before=$(cat "/sys/class/net/$LINK_A/statistics/tx_bytes")
CHAIN_STOP=remove_link
sftp_chain "$ADDR_B" ip netns exec "$NS"
# The packets (a few kilobytes) went out through the link.
sent=$(($(cat "/sys/class/net/$LINK_A/statistics/tx_bytes") - tx_before))
[ "$sent" -gt 4096 ] || fail "only $sent bytes left through $LINK_A"
echo "$sent bytes sent from $ADDR_A to $ADDR_B"
# sshd was B's: it listened on B's address, inside B's namespace only.
grep -qxF "ListenAddress $ADDR_B" "$SSHD_DIR/sshd_config" || fail "sshd did not listen on $ADDR_B"
finish
