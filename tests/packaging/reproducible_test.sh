#!/usr/bin/env bash
# Builds the release files twice from the last commit, as a careful user or a distribution
# would: two clones in two folders, the second one later, in another time zone and under
# another umask. Each makes the Windows packages (`--target package`) and the .deb
# (`cpack -G DEB`) from release configurations without the tests. Both must carry the commit's
# time, list the four files in their SHA256SUMS and check against them, and have every file the
# same to the byte; each file that differs is named, with diffoscope's first lines where it is
# installed.
# Usage: reproducible_test.sh SOURCE_DIR VERSION
set -euo pipefail
source=$(cd "$1" && pwd) version=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmora-reproducible.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# The time comes from the clone, not from whoever runs the test.
unset SOURCE_DATE_EPOCH
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ -n "$(git -C "$source" status --porcelain --untracked-files=no)" ]; then
    echo "note: $source has uncommitted changes; the test builds its last commit" >&2
fi
commit_time=$(git -C "$source" log -1 --format=%ct)
package=velmora-fest-countdown-$version-win64
windows_files="Velmora3-C.exe $package-portable.zip $package-setup.exe"
deb=velmora-fest-countdown_${version}_$(dpkg --print-architecture).deb

# build FOLDER: a clone in FOLDER/src, its build trees beside it, and the release files that
# the two SHA256SUMS list gathered in FOLDER/out.
build() {
    local top=$1 log=$1/build.log tree listed
    mkdir -p "$top/out"
    if ! {
        git clone --quiet --no-hardlinks "$source" "$top/src" &&
        cmake -S "$top/src" -B "$top/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/src/cmake/mingw-w64.cmake" \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF "${launcher[@]}" &&
        cmake --build "$top/windows" -j2 --target package &&
        cmake -S "$top/src" -B "$top/linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
            "${launcher[@]}" &&
        cmake --build "$top/linux" -j2 &&
        (cd "$top/linux" && cpack -G DEB)
    } >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "FAIL: the build in $top failed (above: the end of its log)" >&2
        exit 1
    fi
    for tree in windows linux; do
        [ "$(cat "$top/$tree/source_date_epoch.txt")" = "$commit_time" ] ||
            fail "$top/$tree: the packages' time is $(cat "$top/$tree/source_date_epoch.txt"), not the commit's $commit_time"
        (cd "$top/$tree" && sha256sum --check --quiet SHA256SUMS) || fail "$top/$tree: SHA256SUMS does not check"
        listed=$(awk '{ print $2 }' "$top/$tree/SHA256SUMS" | xargs)
        cp $(awk -v dir="$top/$tree" '{ print dir "/" $2 }' "$top/$tree/SHA256SUMS") "$top/out/"
        if [ "$tree" = windows ]; then
            [ "$listed" = "$windows_files" ] || fail "$top/windows/SHA256SUMS lists \"$listed\", not \"$windows_files\""
        else
            [ "$listed" = "$deb" ] || fail "$top/linux/SHA256SUMS lists \"$listed\", not \"$deb\""
        fi
    done
}
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

build "$scratch/a"
# Later, elsewhere (a longer path), fourteen hours ahead of UTC, and files private to their owner.
umask_before=$(umask)
umask 0077
TZ=LINT-14 build "$scratch/second-build"
umask "$umask_before"

for name in $windows_files $deb; do
    first=$scratch/a/out/$name second=$scratch/second-build/out/$name
    [ -f "$first" ] && [ -f "$second" ] || { fail "$name was not made by both builds"; continue; }
    if cmp -s "$first" "$second"; then
        echo "same: $name $(sha256sum <"$first" | cut -c1-16)"
    else
        fail "$name differs between the two builds"
        if command -v diffoscope >/dev/null; then
            timeout 300 diffoscope --text - "$first" "$second" 2>&1 | head -n 30 >&2 || true
        fi
    fi
done
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
