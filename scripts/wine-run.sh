#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's test prefix (never ~/.wine).
# CTest uses it as the cross-compiling emulator; scripts use it directly.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${TOLVANE_WINEPREFIX:-$HOME/.cache/tolvane-chat/wineprefix}
export WINEARCH=win64 WINEDEBUG=-all
export DISPLAY=${TOLVANE_DISPLAY:-${DISPLAY:-:77}}
exec wine "$@"
