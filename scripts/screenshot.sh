#!/usr/bin/env bash
# Takes the README's pictures: three stations in network namespaces of their own chat with
# each other; the first one runs on a virtual screen with a notification area.
# Needs root (namespaces), Xvfb, trayer and ImageMagick, and a build with the tests.
#   scripts/screenshot.sh [BUILD_DIR] [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs}
lab=kwshot
display=:97
netns=tests/netns/netns.sh
station=$build/tests/netns/kw_station_probe

work=$(mktemp -d)
cleanup() {
    exec 11>&- 12>&- 13>&- 2>/dev/null || true
    kill $(jobs -p) 2>/dev/null || true
    wait 2>/dev/null || true
    "$netns" down "$lab" || true
    rm -rf "$work"
}
trap cleanup EXIT

"$netns" up "$lab" 3
Xvfb "$display" -screen 0 1000x560x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
DISPLAY=$display trayer --edge bottom --align right --widthtype request --height 24 \
    >/dev/null 2>&1 &
sleep 1

nicks=(Jana Petr Zdeněk)
for i in 1 2 3; do
    home="$work/$i"
    mkdir -p "$home/config" "$home/runtime"
    chmod 700 "$home/runtime"
    printf '[options]\nfirst=true\nnick=%s\n' "${nicks[$((i - 1))]}" >"$home/config/kestrowind2.ini"
    mkfifo "$home/commands"
    platform=offscreen
    [ "$i" -eq 1 ] && platform=xcb
    ip netns exec "$lab-$i" env HOME="$home" XDG_CONFIG_HOME="$home/config" \
        XDG_RUNTIME_DIR="$home/runtime" DISPLAY="$display" QT_QPA_PLATFORM="$platform" \
        LC_ALL=C.UTF-8 "$station" <"$home/commands" >/dev/null 2>&1 &
    eval "exec $((10 + i))>\"$home/commands\""
    sleep 0.5
done
say() { echo "say $2" >&$((10 + $1)); sleep 0.4; }

sleep 2
say 2 "Ahoj všichni, kdo jde dnes na oběd?"
say 1 "Já určitě, za deset minut dole."
say 3 "/me se přidává"
say 2 "Výborně, čekám u vchodu."
sleep 1
mkdir -p "$out"
DISPLAY=$display import -window root "$work/screen.png"
convert "$work/screen.png" -crop 640x420+0+0 -trim +repage "$out/main-window.png"

echo settings >&11
sleep 1
DISPLAY=$display import -window root "$work/settings.png"
# Without a window manager the dialog opens at the top left corner, over the main window.
convert "$work/settings.png" -crop 401x469+0+0 +repage "$out/settings-dialog.png"
# The welcome balloon, grabbed by the desktop tray test.
KW_SCREENSHOT_DIR=$(realpath "$out") tests/common/on-virtual-desktop.sh "$build/tests/gui/tray/tst_traydesktop" \
    >/dev/null
echo "wrote $out/main-window.png, $out/balloon.png, $out/settings-dialog.png"
