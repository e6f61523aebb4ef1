#!/usr/bin/env bash
# Takes the README's picture of the main window: three stations in network namespaces of
# their own, the first one on a virtual screen. Needs root (namespaces), Xvfb and ImageMagick.
#   scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-docs/main-window.png}
lab=kwshot
display=:97
netns=tests/netns/netns.sh

work=$(mktemp -d)
cleanup() {
    kill $(jobs -p) 2>/dev/null || true
    wait 2>/dev/null || true
    "$netns" down "$lab" || true
    rm -rf "$work"
}
trap cleanup EXIT

"$netns" up "$lab" 3
Xvfb "$display" -screen 0 800x500x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1

nicks=(Jana Petr Zdeněk)
for i in 1 2 3; do
    home="$work/$i"
    mkdir -p "$home/config" "$home/runtime"
    chmod 700 "$home/runtime"
    printf '[options]\nfirst=true\nnick=%s\n' "${nicks[$((i - 1))]}" >"$home/config/kestrowind2.ini"
    platform=offscreen
    [ "$i" -eq 1 ] && platform=xcb
    ip netns exec "$lab-$i" env HOME="$home" XDG_CONFIG_HOME="$home/config" \
        XDG_RUNTIME_DIR="$home/runtime" DISPLAY="$display" QT_QPA_PLATFORM="$platform" \
        LC_ALL=C.UTF-8 "$build/kestrowind2" >/dev/null 2>&1 &
    sleep 1
done
sleep 2

mkdir -p "$(dirname "$output")"
DISPLAY=$display import -window root "$work/screen.png"
convert "$work/screen.png" -trim +repage "$output"
echo "wrote $output"
