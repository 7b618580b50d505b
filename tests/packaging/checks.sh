# Checks shared by the install test and the package test: what an installed prefix must hold.
# Sourced; every check prints what is wrong and counts it in $failures.

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Each size the icon theme gets, as drawn.
icon_sizes=(16 22 24 32 48 64 128 256)

expected_files() {
    echo bin/velmora3-c
    echo share/applications/velmora3-c.desktop
    local n
    for n in "${icon_sizes[@]}"; do echo "share/icons/hicolor/${n}x${n}/apps/velmora3-c.png"; done
    echo share/icons/hicolor/scalable/apps/velmora3-c.svg
}

# The tools the checks use, and the Debian package of each.
require_tools() {
    local pair tool missing=0
    for pair in "$@"; do
        tool=${pair%%:*}
        if ! command -v "$tool" >/dev/null; then
            echo "FAIL: $tool is missing (Debian package ${pair#*:})" >&2
            missing=1
        fi
    done
    [ "$missing" -eq 0 ] || exit 1
}

# The value of KEY in the [Desktop Entry] group of a .desktop file.
desktop_key() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$1"'=//p}' "$2" | head -n 1
}

# check_prefix ROOT: ROOT (an installed /usr) holds exactly the expected files, each sound.
check_prefix() {
    local root=$1 actual expected
    expected=$(expected_files | sort)
    actual=$(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
    if [ "$actual" != "$expected" ]; then
        fail "the installed files differ from the expected ones (< expected, > installed):"
        diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' >&2 || true
    fi

    local program=$root/bin/velmora3-c
    if [ -f "$program" ]; then
        [ -x "$program" ] || fail "$program is not executable"
        file -b "$program" | grep -Eq '^ELF .*(executable|shared object)' ||
            fail "$program is not an ELF program: $(file -b "$program")"
        # An installed program finds its libraries where the system keeps them, never in a
        # build tree.
        if readelf -d "$program" | grep -Eq '\((RPATH|RUNPATH)\)'; then
            fail "$program keeps a library search path: $(readelf -d "$program" | grep -E 'R(UN)?PATH')"
        fi
    fi

    local desktop=$root/share/applications/velmora3-c.desktop
    if [ -f "$desktop" ]; then
        desktop-file-validate "$desktop" >&2 || fail "$desktop does not validate"
        local key want got
        for key in "Type=Application" "Name=Velmora Fest Countdown" "Comment=Tarnwick 11 Countdown" \
                   "Exec=velmora3-c" "Icon=velmora3-c" "Categories=Utility;Clock;" \
                   "StartupWMClass=velmora3-c"; do
            want=${key#*=}
            got=$(desktop_key "${key%%=*}" "$desktop")
            [ "$got" = "$want" ] || fail "$desktop: ${key%%=*} is \"$got\", not \"$want\""
        done
        # The entry must name what was installed beside it.
        local exec icon
        exec=$(desktop_key Exec "$desktop"); exec=${exec%% *}
        [ -x "$root/bin/$exec" ] || fail "$desktop starts \"$exec\", which is not in $root/bin"
        icon=$(desktop_key Icon "$desktop")
        [ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
            fail "$desktop names the icon \"$icon\", which the hicolor theme does not hold"
    fi

    local n png got
    for n in "${icon_sizes[@]}"; do
        png=$root/share/icons/hicolor/${n}x${n}/apps/velmora3-c.png
        [ -f "$png" ] || continue
        got=$(identify -format '%m %wx%h\n' "$png" 2>&1 | head -n 1)
        [ "$got" = "PNG ${n}x${n}" ] || fail "$png: \"$got\", not a ${n}x${n} PNG"
    done

    local svg=$root/share/icons/hicolor/scalable/apps/velmora3-c.svg
    if [ -f "$svg" ]; then
        got=$(file -b --mime-type "$svg")
        [ "$got" = image/svg+xml ] || fail "$svg is $got, not an SVG image"
    fi
}
