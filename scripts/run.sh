#!/usr/bin/env bash
# Builds Varnelo and starts it under Wine; every argument goes to the program.
#   bash scripts/run.sh [-o OldName] [-n NewName] [-l Limitation] [-v ViewStyle] [-a] [-i] [Folder|File]*
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset mingw >/dev/null
cmake --build build --target Varnelo

. scripts/xvfb.sh
varnelo_ensure_display
. scripts/wine-setup.sh

exec "$VARNELO_WINE64" build/Varnelo.exe "$@"
