# Checks shared by the install test and the package test: what an installed prefix must hold.
# Sourced after the caller has set $version (the project's) and the array $icon_sizes (each size
# the icon theme gets, as drawn), both as CMake passes them; every check prints what is wrong and
# counts it in $failures.

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

[ -n "${version:-}" ] || { echo "FAIL: no version given" >&2; exit 1; }
[ "${#icon_sizes[@]}" -gt 0 ] || { echo "FAIL: no icon sizes given" >&2; exit 1; }
doc_dir=share/doc/velmora-fest-countdown
metainfo=share/metainfo/net.example.wrenhollow.velmora3_c.metainfo.xml
licence=$(dirname "${BASH_SOURCE[0]}")/../../LICENSE

expected_files() {
    echo bin/velmora3-c
    echo share/applications/velmora3-c.desktop
    local n
    for n in "${icon_sizes[@]}"; do echo "share/icons/hicolor/${n}x${n}/apps/velmora3-c.png"; done
    echo share/icons/hicolor/scalable/apps/velmora3-c.svg
    echo "$metainfo"
    echo "$doc_dir/copyright"
    echo "$doc_dir/changelog.gz"
    echo share/man/man1/velmora3-c.1.gz
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
    check_documents "$root"
}

# The metadata and the documents, each judged by the tool its readers use.
check_documents() {
    local root=$1 file out
    file=$root/$metainfo
    if [ -f "$file" ]; then
        out=$(appstreamcli validate --no-net "$file" 2>&1) || fail "$file does not validate: $out"
        # It names the launcher and the screenshot installed beside it.
        out=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$file")
        [ -n "$out" ] && [ -f "$root/share/applications/$out" ] ||
            fail "$file launches \"$out\", which is not in $root/share/applications"
        grep -q '<screenshot type="default">' "$file" || fail "$file has no default screenshot"
    fi

    # The copyright file is machine-readable and carries LICENSE's terms word for word.
    file=$root/$doc_dir/copyright
    if [ -f "$file" ]; then
        head -n 1 "$file" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
            fail "$file is not in the machine-readable format: $(head -n 1 "$file")"
        local holder terms
        holder=$(sed -n 's/^Copyright (c) //p' "$licence")
        grep -qxF "Copyright: $holder" "$file" || fail "$file does not name \"$holder\""
        terms=$(sed -n '/^License: Expat$/,$p' "$file" | tail -n +2 | sed 's/^ //; s/^\.$//')
        [ "$terms" = "$(sed '1,/^Copyright (c)/d' "$licence" | sed '1{/^$/d}')" ] ||
            fail "$file's licence terms differ from $licence"
    fi

    # The changelog opens with this version's entry; both documents are packed without a time stamp.
    file=$root/$doc_dir/changelog.gz
    if [ -f "$file" ]; then
        out=$(zcat "$file" | head -n 1)
        [[ $out == "velmora-fest-countdown ($version) "* ]] || fail "$file opens with \"$out\", not this version's entry"
    fi
    for file in "$root/$doc_dir/changelog.gz" "$root/share/man/man1/velmora3-c.1.gz"; do
        [ -f "$file" ] || continue
        gzip -t "$file" 2>/dev/null || fail "$file is not gzip data"
        [ "$(od -An -tu4 -j4 -N4 "$file" | tr -d ' ')" = 0 ] || fail "$file carries a time stamp"
    done

    # The manual page reads without a complaint from man.
    file=$root/share/man/man1/velmora3-c.1.gz
    if [ -f "$file" ]; then
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null) ||
            fail "man cannot read $file"
        [ -z "$out" ] || fail "man complains about $file: $out"
        LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q '^NAME' || fail "$file has no NAME section"
    fi
}
