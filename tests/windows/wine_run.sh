#!/usr/bin/env bash
# Runs one Windows program under Wine in the build tree's own prefix, made once on first use.
#
#   wine_run.sh [--session] PREFIX PROGRAM.exe [ARGS...]
#   wine_run.sh [--session] PREFIX -- COMMAND [ARGS...]
#
# With --, COMMAND is a Linux program (a test script) that runs Wine's programs itself, in the
# same prefix (WINEPREFIX) and, with --session, on the same display.
#
# --session: the program opens windows. It gets a desktop of its own: a private Xvfb
# (1024x768x24, no TCP), openbox and trayer (a notification area), and a prefix of its own
# beside PREFIX (PREFIX-session), held for the whole run, so its wineserver and the systray
# Wine starts belong to this display alone. Whatever cannot start fails the run; everything
# started is stopped by its pid, and the prefix's wineserver ended, however the run ends.
set -euo pipefail
session=0
if [ "${1:-}" = --session ]; then
    session=1
    shift
fi
prefix=$(realpath -m "$1")  # Wine takes only an absolute WINEPREFIX
shift
run=(wine)
if [ "${1:-}" = -- ]; then
    run=()
    shift
fi
[ $session = 1 ] && prefix=$prefix-session
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$prefix"
(
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
) 9>"$prefix.lock"

if [ $session = 0 ]; then
    status=0
    "${run[@]}" "$@" || status=$?
    exit $status
fi

# One session at a time in the session prefix.
exec 8>"$prefix.run.lock"
flock 8
work=$(mktemp -d)
pids=()
stop_all() {
    local status=$?
    wineserver -k 2>/dev/null || true
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
    exit $status
}
trap stop_all EXIT
fail() {
    echo "wine_run.sh: $*" >&2
    exit 1
}
# Waits up to 10 s for a command to succeed while the process it depends on lives.
await() {
    local pid=$1 what=$2
    shift 2
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "$pid" 2>/dev/null || fail "$what exited before it was ready"
        sleep 0.1
    done
    fail "$what not ready after 10 s"
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
await "${pids[-1]}" Xvfb test -s "$work/display"
export DISPLAY=:$(head -n1 "$work/display")
unset WAYLAND_DISPLAY

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
await "${pids[-1]}" openbox xdotool search --classname openbox
trayer --edge top --align right --widthtype request --height 22 --SetDockType true >"$work/trayer.log" 2>&1 &
pids+=($!)
await "${pids[-1]}" trayer xdotool search --classname panel

echo "wine_run.sh: session on DISPLAY=$DISPLAY" >&2
status=0
"${run[@]}" "$@" || status=$?
exit $status
