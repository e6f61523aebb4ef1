#!/usr/bin/env bash
# Runs a test program on a virtual screen with a real window manager (openbox) and a
# notification area (trayer docked in it). With --tray-later as the first argument no tray is
# started: the program starts its own when it wants one (KW_TRAYER names the command).
# Exits 77 (skipped) where a piece is missing.
set -euo pipefail
tray_now=1
if [ "${1:-}" = --tray-later ]; then
    tray_now=0
    shift
fi
for tool in Xvfb trayer openbox xprop; do
    command -v "$tool" >/dev/null || {
        echo "Xvfb, openbox, trayer and xprop are needed for this test; skipped"
        exit 77
    }
done

work=$(mktemp -d)
cleanup() {
    kill ${trayer_pid:-} ${openbox_pid:-} ${xvfb_pid:-} 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and tells which.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 400); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
export DISPLAY=":$(cat "$work/display")"

# The window manager is ready once it names itself on the root window.
openbox --sm-disable >/dev/null 2>"${KW_OPENBOX_LOG:-/dev/null}" &
openbox_pid=$!
for _ in $(seq 400); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done

export KW_TRAYER="trayer --edge bottom --align right --widthtype request --height 24"
if [ $tray_now = 1 ]; then
    $KW_TRAYER >/dev/null 2>&1 &
    trayer_pid=$!
fi

mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$@"
