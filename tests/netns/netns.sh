#!/usr/bin/env bash
# A throwaway LAN for integration tests: a "switch" namespace holding a bridge, and N station
# namespaces wired to it by veth pairs. Both ends of every pair are created outside the root
# namespace, so the host's own interfaces and routes are never touched.
#
#   netns.sh up PREFIX N     build PREFIX-sw and PREFIX-1 .. PREFIX-N (replacing any leftover)
#   netns.sh down PREFIX     remove everything "up" made; what is already gone is ignored
#   netns.sh addr PREFIX I   print the IPv4 address of station I
#   netns.sh routed PREFIX   build two subnets joined by a router instead (see build_routed)
set -euo pipefail

# "ip" lives in sbin, which a test runner's PATH does not always hold.
PATH="$PATH:/usr/sbin:/sbin"

readonly SUBNET=10.205.17
readonly BRIDGE=br0
readonly STATION_IF=lan0
readonly MAX_STATIONS=200
readonly ROUTED_A=10.205.18
readonly ROUTED_B=10.205.19

die() {
    echo "netns.sh: $*" >&2
    exit 1
}

usage() {
    echo "usage: netns.sh up PREFIX N | routed PREFIX | down PREFIX | addr PREFIX I" >&2
    exit 2
}

check_prefix() {
    # Namespace names are free-form, but a short plain prefix keeps them readable in
    # "ip netns list" and keeps the matching in lab_namespaces unambiguous.
    [[ $1 =~ ^[a-z][a-z0-9]{0,7}$ ]] ||
        die "bad PREFIX '$1': use 1 to 8 lowercase letters or digits, starting with a letter"
}

check_index() {
    if ! [[ $1 =~ ^[1-9][0-9]*$ ]] || (($1 > MAX_STATIONS)); then
        die "bad station number '$1': use 1 to $MAX_STATIONS"
    fi
}

check_tools() {
    ((EUID == 0)) || die "must run as root to create network namespaces"
    command -v ip >/dev/null || die "'ip' (iproute2) not found"
}

station_addr() {
    echo "$SUBNET.$((10 + $1))"
}

lab_namespaces() {
    ip netns list | awk '{ print $1 }' | grep -E "^$1-(sw|a|b|r|[0-9]+)\$" || true
}

remove_lab() {
    local ns pids
    for ns in $(lab_namespaces "$1"); do
        # A station left running by a crashed test would keep its namespace alive unnamed.
        pids=$(ip netns pids "$ns" 2>/dev/null || true)
        if [[ -n $pids ]]; then
            # shellcheck disable=SC2086
            kill -KILL $pids 2>/dev/null || true
        fi
        ip netns del "$ns" 2>/dev/null || true
    done
}

build_lab() {
    local prefix=$1 count=$2
    local sw="$prefix-sw" ns i

    ip netns add "$sw"
    ip -n "$sw" link set lo up
    # No spanning tree: ports forward as soon as they are up, so tests need not wait.
    ip -n "$sw" link add "$BRIDGE" type bridge stp_state 0
    ip -n "$sw" link set "$BRIDGE" up

    for ((i = 1; i <= count; i++)); do
        ns="$prefix-$i"
        ip netns add "$ns"
        ip -n "$ns" link set lo up
        ip -n "$sw" link add "port$i" type veth peer name "$STATION_IF" netns "$ns"
        ip -n "$sw" link set "port$i" master "$BRIDGE"
        ip -n "$sw" link set "port$i" up
        ip -n "$ns" link set "$STATION_IF" up
        ip -n "$ns" addr add "$(station_addr "$i")/24" dev "$STATION_IF"
        # Without a default route a limited broadcast has nowhere to go.
        ip -n "$ns" route add 255.255.255.255/32 dev "$STATION_IF"
    done
}

new_namespace() {
    ip netns add "$1"
    ip -n "$1" link set lo up
}

new_switch() {
    new_namespace "$1"
    ip -n "$1" link add "$BRIDGE" type bridge stp_state 0
    ip -n "$1" link set "$BRIDGE" up
}

# plug NS IF SWITCH ADDR/LEN: an interface IF in NS, wired to a port of the bridge in SWITCH.
plug() {
    local ns=$1 ifname=$2 sw=$3 cidr=$4
    local port="p${ns##*-}$ifname"
    ip -n "$sw" link add "$port" type veth peer name "$ifname" netns "$ns"
    ip -n "$sw" link set "$port" master "$BRIDGE"
    ip -n "$sw" link set "$port" up
    ip -n "$ns" link set "$ifname" up
    ip -n "$ns" addr add "$cidr" dev "$ifname"
}

# Subnet A ($ROUTED_A.0/24, switch PREFIX-a) and subnet B ($ROUTED_B.0/24, switch PREFIX-b),
# joined by the router PREFIX-r (.1 in both), which forwards directed broadcasts. Stations 1 and
# 2 (.11, .12) live in A, station 3 (.13) in B; station 4 has "lana" in A and "lanb" in B (.14
# in both) and its default route through B. Every station's default route is the router.
build_routed() {
    local p=$1 i
    new_switch "$p-a"
    new_switch "$p-b"
    new_namespace "$p-r"
    plug "$p-r" ra "$p-a" "$ROUTED_A.1/24"
    plug "$p-r" rb "$p-b" "$ROUTED_B.1/24"
    ip netns exec "$p-r" sysctl -qw net.ipv4.ip_forward=1 net.ipv4.conf.all.bc_forwarding=1 \
        net.ipv4.conf.ra.bc_forwarding=1 net.ipv4.conf.rb.bc_forwarding=1
    for i in 1 2; do
        new_namespace "$p-$i"
        plug "$p-$i" lan0 "$p-a" "$ROUTED_A.$((10 + i))/24"
        ip -n "$p-$i" route add default via "$ROUTED_A.1"
    done
    new_namespace "$p-3"
    plug "$p-3" lan0 "$p-b" "$ROUTED_B.13/24"
    ip -n "$p-3" route add default via "$ROUTED_B.1"
    new_namespace "$p-4"
    plug "$p-4" lana "$p-a" "$ROUTED_A.14/24"
    plug "$p-4" lanb "$p-b" "$ROUTED_B.14/24"
    ip -n "$p-4" route add default via "$ROUTED_B.1"
}

cmd_routed() {
    local prefix=$1
    check_prefix "$prefix"
    check_tools
    remove_lab "$prefix"
    # shellcheck disable=SC2064 # as in cmd_up
    trap "echo 'netns.sh: building lab $prefix failed, removing it' >&2; remove_lab $prefix" EXIT
    build_routed "$prefix"
    trap - EXIT
}

cmd_up() {
    local prefix=$1 count=$2
    check_prefix "$prefix"
    check_index "$count"
    check_tools
    remove_lab "$prefix"
    # A half-built lab is worse than none: take it down again if any step fails.
    # shellcheck disable=SC2064 # the trap runs after this function's locals are gone
    trap "echo 'netns.sh: building lab $prefix failed, removing it' >&2; remove_lab $prefix" EXIT
    build_lab "$prefix" "$count"
    trap - EXIT
}

cmd_down() {
    check_prefix "$1"
    check_tools
    remove_lab "$1"
}

cmd_addr() {
    check_prefix "$1"
    check_index "$2"
    station_addr "$2"
}

(($# >= 1)) || usage
case $1 in
up)
    (($# == 3)) || usage
    cmd_up "$2" "$3"
    ;;
routed)
    (($# == 2)) || usage
    cmd_routed "$2"
    ;;
down)
    (($# == 2)) || usage
    cmd_down "$2"
    ;;
addr)
    (($# == 3)) || usage
    cmd_addr "$2" "$3"
    ;;
*) usage ;;
esac
