#!/usr/bin/env bash
# Builds the Debian package from a build of its own, with Debian's hardening flags, and checks
# it with lintian. The package lands in the build folder (default build-deb/):
#   scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${1:-build-deb}
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
# Only the program is packaged, so nothing else is built.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kestrowind2 kestrowind_docs
(cd "$build" && cpack -G DEB)
lintian --fail-on error "$build"/kestrowind2_*.deb
