#!/usr/bin/env bash
# Checks the sources first: their layout (clang-format) and the direction of their includes.
# Builds the program with warnings as errors, lets clang-tidy look over src/, and runs every
# test, headless. Then the whole suite once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer; the socket tests over the portable receiver, built the same way;
# and the receive path under libFuzzer for half a minute. Any failure, warning, finding,
# sanitizer report or fuzzer finding fails the run. Each stage's time is printed as it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
stage_started=$SECONDS
stage_done() {
    echo "== $1: $((SECONDS - stage_started)) s"
    stage_started=$SECONDS
}

scripts/install-deps.sh
scripts/check-format.sh
scripts/check-layers.py
stage_done "format and layers"

build=${BUILD_DIR:-build}
scripts/build.sh
stage_done "build"

# clang-tidy reads the normal build's compile commands.
scripts/check-tidy.sh "$build"
stage_done "clang-tidy"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j2
stage_done "tests"

# The window tests once more, natively under Wayland: a headless weston on a socket of its own
# in a private runtime folder, ended with the pass.
wayland_runtime=$(mktemp -d)
XDG_RUNTIME_DIR=$wayland_runtime weston --backend=headless-backend.so --socket=kw-test --idle-time=0 --no-config \
    >"$wayland_runtime.log" 2>&1 &
weston_pid=$!
end_wayland() {
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
    rm -rf "$wayland_runtime" "$wayland_runtime.log"
}
trap end_wayland EXIT
for _ in $(seq 200); do
    [ -S "$wayland_runtime/kw-test" ] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.05
done
[ -S "$wayland_runtime/kw-test" ] || { cat "$wayland_runtime.log"; exit 1; }
XDG_RUNTIME_DIR=$wayland_runtime KW_WAYLAND_DISPLAY=kw-test \
    ctest --test-dir "$build" --output-on-failure -j2 --label-regex wayland
end_wayland
trap - EXIT
stage_done "Wayland"

# Only leaks inside system libraries (D-Bus, fontconfig and the like) are suppressed. The
# package test is left out there: it installs and runs the program the package holds.
asan=${ASAN_BUILD_DIR:-build-asan}
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
sanitizer_env=(ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16
    LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_CXX_FLAGS="-O1 -g1 $sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DKW_BENCHMARKS=OFF -DKW_PORTABLE_RECEIVER=OFF \
    >/dev/null
cmake --build "$asan" -j"$(nproc)"
stage_done "sanitizer build"
env "${sanitizer_env[@]}" ctest --test-dir "$asan" --output-on-failure -j2 --label-exclude package
stage_done "sanitizer tests"

# The receiver that other systems use, which the build on Linux leaves out, with the socket
# tests over it, under the sanitizers too. Only those: under a flood from a namespace the
# portable receiver, one datagram per read, can fall behind on a busy machine, and the
# namespace tests measure the Linux one. (The address watcher stays Linux's own everywhere:
# polled, addresses would change too late for the namespace test.)
portable=${PORTABLE_BUILD_DIR:-build-portable}
cmake -S . -B "$portable" -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_CXX_FLAGS="-O1 -g1 $sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DKW_BENCHMARKS=OFF -DKW_PORTABLE_RECEIVER=ON \
    >/dev/null
cmake --build "$portable" -j"$(nproc)" --target tst_sockets
env "${sanitizer_env[@]}" ctest --test-dir "$portable" --output-on-failure -R '^tst_sockets$'
stage_done "portable receiver"

fuzz=${FUZZ_BUILD_DIR:-build-fuzz}
cmake -S tests/fuzz -B "$fuzz" -DCMAKE_CXX_COMPILER="${CLANG_CXX:-clang++-14}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$fuzz" -j"$(nproc)"
stage_done "fuzz build"
# New inputs go to a scratch folder; the committed seeds stay as they are.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
"$fuzz/fuzz_receive" -max_total_time="${FUZZ_SECONDS:-30}" -print_final_stats=1 \
    -artifact_prefix="$fuzz/" "$corpus" tests/fuzz/corpus
stage_done "fuzz run"
echo "== all: $((SECONDS - started)) s"
