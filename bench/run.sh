#!/bin/sh
# Runs the benchmarks of an existing build and shows every figure against the first
# thousand appends of the same run. Usage: bench/run.sh [build directory]
set -eu

build=${1:-./build}
bin="$build/bench/bench_transcript_append"
if [ ! -x "$bin" ]; then
    echo "no benchmark at $bin; build the target bench_transcript_append first" >&2
    exit 1
fi

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT

echo "transcript append, 1000 entries per figure:"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime "$bin" | awk '
    $1 == "first_1k" { base = $2 }
    $1 ~ /^(first_1k|at_10k|at_50k|last_1k)$/ { name[++n] = $1; ms[n] = $2 }
    $1 == "total_100k" { total = $2 }
    $1 == "blocks" { blocks = $2 }
    END {
        if (base <= 0) { print "  no baseline figure" > "/dev/stderr"; exit 1 }
        for (i = 1; i <= n; ++i)
            printf "  %-9s %9.1f ms  %5.2fx\n", name[i], ms[i], ms[i] / base
        printf "  all 100k  %9.1f ms  (%d blocks)\n", total, blocks
    }'

# ---- file transfer throughput (bench_transfer_throughput) ----
# A 1 GiB file (KW_BENCH_TRANSFER_MIB to change it) between two stations' transfer code and
# through a plain socket pair; the file lives in the build directory and is deleted after.
transfer="$build/bench/bench_transfer_throughput"
if [ ! -x "$transfer" ]; then
    echo "no benchmark at $transfer; build the target bench_transfer_throughput first" >&2
    exit 1
fi
echo "file transfer over loopback TCP, stations against a plain socket copy:"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime \
    "$transfer" "${KW_BENCH_TRANSFER_MIB:-1024}" "$build" 2>/dev/null | sed 's/^/  /'
# ---- end of file transfer throughput ----
