#!/usr/bin/env bash
# Runs a test program natively under the Wayland compositor that the test command's Wayland pass
# started (KW_WAYLAND_DISPLAY names its socket in XDG_RUNTIME_DIR). Exits 77 (skipped) outside
# that pass, so that no test window opens on the desktop of whoever runs the suite.
set -euo pipefail
if [ -z "${KW_WAYLAND_DISPLAY:-}" ] || [ ! -S "${XDG_RUNTIME_DIR:-}/$KW_WAYLAND_DISPLAY" ]; then
    echo "only in the Wayland pass of scripts/test.sh; skipped"
    exit 77
fi
# Qt's own input method for Wayland needs a seat, which a headless compositor lacks.
WAYLAND_DISPLAY=$KW_WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland QT_IM_MODULE=compose exec "$@"
