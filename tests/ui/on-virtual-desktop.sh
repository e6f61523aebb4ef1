#!/usr/bin/env bash
# Runs a test program on a virtual screen that has a notification area: Xvfb with trayer
# docked in it. Exits 77 (skipped) where either is missing.
set -euo pipefail
command -v Xvfb >/dev/null && command -v trayer >/dev/null || {
    echo "Xvfb and trayer are needed for this test; skipped"
    exit 77
}

work=$(mktemp -d)
cleanup() {
    kill "${trayer_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and tells which.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
export DISPLAY=":$(cat "$work/display")"
trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
trayer_pid=$!

mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$@"
