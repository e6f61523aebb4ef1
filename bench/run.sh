#!/bin/sh
# Builds the benchmarks in release mode, in a build directory of their own, and prints every
# figure against its baseline measured in the same run: the ratio, the goal it is held to, and
# both values. Benchmarks never fail on timing; they print.
#
#   bench/run.sh [build directory]      (default: build-bench beside the sources)
#
# As root the network figures come from two network namespaces joined by a bridge; otherwise
# from loopback. KW_NETNS_SALT keeps the namespaces of two checkouts apart.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
lab=""
runtime=$(mktemp -d)
cleanup() {
    rm -rf "$runtime"
    if [ -n "$lab" ]; then "$root/tests/netns/netns.sh" down "$lab" || true; fi
}
trap cleanup EXIT INT TERM

echo "building in release mode in $build ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target kestrowind2 bench_receive bench_flood bench_roster \
    bench_transcript bench_find bench_startup bench_transfer_throughput bench_idle >/dev/null

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"
bench="$build/bench"
# Qt's and the sound system's complaints about a machine without a desktop are not figures.
quiet() { "$@" 2>/dev/null; }

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "machine: $(nproc) cores ($cpu), load average $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- network: receive path, GUI stall, roster answers, start-up ----
prefix="kwbn${KW_NETNS_SALT:-}"
if [ "$(id -u)" -eq 0 ] && "$root/tests/netns/netns.sh" up "$prefix" 2 >/dev/null 2>&1; then
    lab=$prefix
fi
if [ -n "$lab" ]; then
    receiver=$("$root/tests/netns/netns.sh" addr "$lab" 2)
    echo "network: two namespaces, $lab-1 (sender) and $lab-2 (receiver, $receiver)"
    # The sender speaks as thousands of stations, each from an address of its own: a block
    # routed to its loopback is all its own.
    ip -n "$lab-1" route add local 10.206.0.0/16 dev lo
    quiet "$bench/bench_receive" drive --sender-netns "$lab-1" --receiver-netns "$lab-2" \
        --to "$receiver" --stations-from 10.206.0.1 --rounds 3
    quiet "$bench/bench_startup" drive --program "$build/kestrowind2" --listen-netns "$lab-1" \
        --start-netns "$lab-2" --runs 7
else
    echo "network: loopback (namespaces need root and iproute2)"
    quiet "$bench/bench_receive" drive --rounds 3
    quiet "$bench/bench_startup" drive --program "$build/kestrowind2" --runs 7
fi

# ---- a flood from one station beside a normal peer (bench_flood) ----
# Ten minutes (KW_BENCH_FLOOD_SECONDS to change it) in four namespaces of their own; root only.
flood="kwbf${KW_NETNS_SALT:-}"
if [ "$(id -u)" -eq 0 ] && "$root/tests/netns/netns.sh" up "$flood" 4 >/dev/null 2>&1; then
    quiet "$bench/bench_flood" drive --netns-prefix "$flood" \
        --to "$("$root/tests/netns/netns.sh" addr "$flood" 1)" \
        --seconds "${KW_BENCH_FLOOD_SECONDS:-600}" || true
    "$root/tests/netns/netns.sh" down "$flood" || true
else
    echo "flood beside a normal peer: left out (needs root and iproute2 for its namespaces)"
fi

# ---- an idle station, with and without a tray (bench_idle) ----
# Two minutes each (KW_BENCH_IDLE_SECONDS to change it) on a virtual screen, after half a
# minute of settling; in a namespace of its own as root, so its announcements stay there.
idle="kwbi${KW_NETNS_SALT:-}"
if [ "$(id -u)" -eq 0 ] && "$root/tests/netns/netns.sh" up "$idle" 1 >/dev/null 2>&1; then
    quiet "$bench/bench_idle" drive --program "$build/kestrowind2" --netns "$idle-1" || true
    "$root/tests/netns/netns.sh" down "$idle" || true
else
    quiet "$bench/bench_idle" drive --program "$build/kestrowind2" || true
fi

# ---- roster, transcript and find, in one process each ----
quiet "$bench/bench_roster"
quiet "$bench/bench_transcript"
quiet "$bench/bench_find"

# ---- file transfer throughput (bench_transfer_throughput) ----
# A 1 GiB file (KW_BENCH_TRANSFER_MIB to change it) between two stations' transfer code and
# through a plain socket pair; the file lives in the build directory and is deleted after.
transfer="$bench/bench_transfer_throughput"
echo "file transfer over loopback TCP, stations against a plain socket copy:"
quiet "$transfer" "${KW_BENCH_TRANSFER_MIB:-1024}" "$build" | sed 's/^/  /'
# ---- end of file transfer throughput ----
