#!/usr/bin/env bash
# Runs one Windows program under Wine in the build tree's own prefix, made once on first use.
#
#   wine_run.sh PREFIX PROGRAM.exe [ARGS...]
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$prefix"
(
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
) 9>"$prefix.lock"
status=0
wine "$@" || status=$?
exit $status
