#!/usr/bin/env bash
# Builds the program and runs every test, headless. Then the whole suite once more, built with
# AddressSanitizer and UndefinedBehaviorSanitizer, and the receive path under libFuzzer for
# half a minute. Any failure, sanitizer report or fuzzer finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j2

# Only leaks inside system libraries (D-Bus, fontconfig and the like) are suppressed. The
# package test is left out there: it installs and runs the program the package holds.
asan=${ASAN_BUILD_DIR:-build-asan}
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_CXX_FLAGS="-O1 -g1 $sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DKW_BENCHMARKS=OFF >/dev/null
cmake --build "$asan" -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16 \
    LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$asan" --output-on-failure -j2 --label-exclude package

fuzz=${FUZZ_BUILD_DIR:-build-fuzz}
cmake -S tests/fuzz -B "$fuzz" -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$fuzz" -j"$(nproc)"
# New inputs go to a scratch folder; the committed seeds stay as they are.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
"$fuzz/fuzz_receive" -max_total_time="${FUZZ_SECONDS:-30}" -print_final_stats=1 \
    -artifact_prefix="$fuzz/" "$corpus" tests/fuzz/corpus
