#!/usr/bin/env bash
# Builds the Debian package with CPack from the build tree and checks its control fields,
# its file list and, unpacked, the files themselves.
# Usage: deb_test.sh BUILD_DIR VERSION ICON_SIZE...
set -euo pipefail
build=$1 version=$2 icon_sizes=("${@:3}")
here=$(dirname "$0")
. "$here/checks.sh"
require_tools cpack:cmake dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file readelf:binutils \
              identify:imagemagick desktop-file-validate:desktop-file-utils appstreamcli:appstream \
              man:man-db lintian:lintian

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    echo "FAIL: cpack -G DEB failed" >&2
    exit 1
fi
shopt -s nullglob
debs=("$scratch"/out/*.deb)
arch=$(dpkg --print-architecture)
want=velmora-fest-countdown_${version}_$arch.deb
if [ "${#debs[@]}" -ne 1 ] || [ "$(basename "${debs[0]}")" != "$want" ]; then
    echo "FAIL: expected exactly $want, cpack made: ${debs[*]:-nothing}" >&2
    exit 1
fi
deb=${debs[0]}
dpkg-deb -I "$deb" >"$scratch/info.txt" || fail "dpkg-deb -I cannot read the package"

field() { dpkg-deb -f "$deb" "$1"; }
for pair in "Package=velmora-fest-countdown" "Version=$version" "Architecture=$arch" \
            "Section=utils" "Priority=optional"; do
    got=$(field "${pair%%=*}")
    [ "$got" = "${pair#*=}" ] || fail "${pair%%=*} is \"$got\", not \"${pair#*=}\""
done
[ -n "$(field Maintainer)" ] || fail "the package has no Maintainer"
description=$(field Description)
echo "$description" | head -n 1 | grep -q 'Countdown' || fail "Description: \"$(echo "$description" | head -n 1)\""
[ "$(echo "$description" | wc -l)" -ge 2 ] || fail "Description has no long text"
# CMake lists joined into the text would show as ";" at the start of its lines.
if echo "$description" | grep -q '^ *;'; then fail "Description carries list separators: $description"; fi

# Depends: the Qt 6 libraries and the C++ runtime, each with the lowest version that
# dpkg-shlibdeps found, and the countdown's font.
depends=$(field Depends)
# has_entry LIST NAME [VERSIONED]: NAME is one of LIST's comma-separated entries, with a
# "(>= version)" when VERSIONED is given.
has_entry() {
    local entry
    while IFS= read -r entry; do
        case $entry in
            "$2") [ $# -lt 3 ] && return 0 ;;
            "$2 (>= "[0-9]*")") return 0 ;;
        esac
    done < <(echo "$1" | sed 's/, */\n/g')
    return 1
}
# Debian 13's 64-bit time move renamed some libraries: libqt6core6t64 there.
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libc6 libstdc++6; do
    has_entry "$depends" "$lib" versioned || has_entry "$depends" "${lib}t64" versioned || fail "Depends lacks \"$lib (>= version)\": $depends"
done
# The faces with which every text fits its control; Liberation Sans Narrow is in a package of its
# own on Debian 13 and in fonts-liberation 1 on Debian 12.
for font in fonts-roadgeek fonts-liberation "fonts-liberation-sans-narrow | fonts-liberation (<< 1:2)"; do
    has_entry "$depends" "$font" || fail "Depends lacks $font: $depends"
done
recommends=$(field Recommends)
for name in xdg-utils qt6-wayland; do
    has_entry "$recommends" "$name" || fail "Recommends lacks $name: $recommends"
done

# The file list: everything below /usr, owned by root, the program 0755 and the rest 0644.
dpkg-deb -c "$deb" >"$scratch/contents.txt"
actual=$(awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' "$scratch/contents.txt" | sort)
expected=$(expected_files | sort)
if [ "$actual" != "$expected" ]; then
    fail "the package's files differ from the expected ones (< expected, > packaged):"
    diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' >&2 || true
fi
awk '$2 != "root/root" { print "FAIL: not owned by root: " $0; bad = 1 }
     $1 !~ /^d/ && $6 == "./usr/bin/velmora3-c" && $1 != "-rwxr-xr-x" { print "FAIL: mode " $1 " for " $6; bad = 1 }
     $1 !~ /^d/ && $6 != "./usr/bin/velmora3-c" && $1 != "-rw-r--r--" { print "FAIL: mode " $1 " for " $6; bad = 1 }
     END { exit bad }' "$scratch/contents.txt" >&2 || fail "owners or modes are wrong"

# Unpacked, the files pass the same checks as an install, and the program carries no symbols.
dpkg-deb -x "$deb" "$scratch/root"
check_prefix "$scratch/root/usr"
program=$scratch/root/usr/bin/velmora3-c
if [ -f "$program" ] && file -b "$program" | grep -q 'not stripped'; then
    fail "the packaged program is not stripped"
fi

# Debian's own judge of a package: no error and no warning (notes, "I:", are allowed).
lintian_status=0
lintian --no-cfg --fail-on none "$deb" >"$scratch/lintian.txt" 2>&1 || lintian_status=$?
if [ "$lintian_status" -ne 0 ]; then
    cat "$scratch/lintian.txt" >&2
    fail "lintian could not check the package (status $lintian_status)"
elif grep -E '^[EW]: ' "$scratch/lintian.txt" >&2; then
    fail "lintian reports the errors or warnings above"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "$want: $(wc -c <"$deb") bytes; Depends: $depends"
