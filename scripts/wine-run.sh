#!/usr/bin/env bash
# Starts one Windows program under Wine: CTest's emulator for the test
# programs, and the way the other scripts start Varnelo.exe.
. "$(dirname "${BASH_SOURCE[0]}")/wine-setup.sh" || exit 1
exec "$VARNELO_WINE64" "$@"
