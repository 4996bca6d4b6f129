#!/usr/bin/env bash
# Builds everything and runs all test programs under Wine through CTest; the
# exit code is CTest's.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset mingw
cmake --build build

# Window tests need an X display; the Wine session is started after it so
# that its desktop uses that display.
. scripts/xvfb.sh
varnelo_ensure_display
. scripts/wine-setup.sh

exec ctest --test-dir build --output-on-failure
