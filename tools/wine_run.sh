#!/usr/bin/env bash
# Runs a Windows program of build-win64 under Wine (64-bit loader), for CTest and test discovery.
# WINEPREFIX, HOME and the wineserver come from tools/test-windows.sh.
exec /usr/lib/wine/wine64 "$@"
