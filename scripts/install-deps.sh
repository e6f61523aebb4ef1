#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need, if any is missing.
set -euo pipefail

packages=(
    build-essential cmake
    qt6-base-dev qt6-multimedia-dev qt6-5compat-dev qt6-translations-l10n
    # the tray hears a notification area start from the X11 connection itself
    pkg-config libxcb1-dev
    # the Czech names of Qt's own buttons and dialogs, and a font that has the glyphs
    fonts-dejavu-core
    # the tests: stations in network namespaces, a screen with a window manager and a tray for
    # the real-window checks (xprop reads what the window manager made of a window), and a
    # private session bus for the status notifier's announcements
    iproute2 xvfb xauth imagemagick trayer openbox x11-utils dbus-daemon
    # the Wayland pass: a headless compositor and Qt's Wayland platform
    weston qt6-wayland
    # the Debian package: building and checking it, and the test that installs and runs it
    dpkg-dev lintian desktop-file-utils appstream strace python3
    # the icon's PNG sizes (scripts/make-icons.sh)
    librsvg2-bin
    # the tests read saved RTF files and printed PDF files back with other programs
    unrtf poppler-utils
    # the fuzz target of the receive path
    clang-14 libclang-rt-14-dev
    # the checks of the sources: their layout, and clang-tidy's findings
    clang-format-14 clang-tidy-14
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
