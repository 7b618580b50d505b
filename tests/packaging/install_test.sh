#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what landed there; then starts the
# installed program briefly to see that it loads and keeps running.
# Usage: install_test.sh BUILD_DIR VERSION ICON_SIZE...
set -euo pipefail
build=$1 version=$2 icon_sizes=("${@:3}")
here=$(dirname "$0")
. "$here/checks.sh"
require_tools cmake:cmake file:file readelf:binutils identify:imagemagick \
              desktop-file-validate:desktop-file-utils timeout:coreutils appstreamcli:appstream man:man-db

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

if ! cmake --install "$build" --prefix "$scratch/usr" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    echo "FAIL: cmake --install failed" >&2
    exit 1
fi
check_prefix "$scratch/usr"

# Without a window system the tray is missing and the program says so in a message box; it
# must still be running when it is stopped (timeout's status 124), not have crashed or quit.
program=$scratch/usr/bin/velmora3-c
if [ -x "$program" ]; then
    mkdir -m 700 "$scratch/runtime"
    status=0
    XDG_RUNTIME_DIR=$scratch/runtime QT_QPA_PLATFORM=offscreen \
        timeout 3 "$program" >"$scratch/run.log" 2>&1 </dev/null || status=$?
    if [ "$status" -ne 124 ]; then
        cat "$scratch/run.log" >&2
        fail "the installed program ended with status $status within 3 s instead of running on"
    fi
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "installed files: $(expected_files | wc -l), all checked"
