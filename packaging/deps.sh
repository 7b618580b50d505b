# The Debian 12 and 13 packages the project needs, and a helper that installs the missing ones.
# Sourced by ./run and ./test; CMake reads the release's values from it (cmake/DebianRelease.cmake).

# The few names that differ between the releases, chosen by the one /etc/os-release names
# (VERSION_CODENAME, or VERSION_ID where a minimal image lacks it): the clang of the release
# (the formatter and the fuzzers' compiler), the package holding Liberation Sans Narrow (Debian
# 13 splits it out of fonts-liberation 2, which has no narrow faces) and what Plasma's tray
# needs besides plasma-workspace: its service daemon (kded5 with Plasma 5.27, kded6 with
# Plasma 6) and, for Plasma 5's Qt 5, Qt 5's Wayland platform (Plasma 6 uses qt6-wayland).
velmora_release() {
    local VERSION_CODENAME='' VERSION_ID=''
    # shellcheck disable=SC1091
    [ -r /etc/os-release ] && . /etc/os-release
    case ${VERSION_CODENAME:-$VERSION_ID} in
        bookworm | 12) echo bookworm ;;
        trixie | 13) echo trixie ;;
        *) echo "packaging/deps.sh: Debian 12 (bookworm) or 13 (trixie) only; /etc/os-release names" \
                "'${VERSION_CODENAME:-${VERSION_ID:-nothing}}'" >&2
           return 1 ;;
    esac
}
VELMORA_RELEASE=$(velmora_release) || return 1
case $VELMORA_RELEASE in
    bookworm) CLANG_VERSION=14 NARROW_FONT_PACKAGE=fonts-liberation PLASMA_EXTRA=(kded5 qtwayland5) ;;
    trixie) CLANG_VERSION=19 NARROW_FONT_PACKAGE=fonts-liberation-sans-narrow PLASMA_EXTRA=(kded6) ;;
esac

# What builds the program (./run; the build and session lists are all ./run installs).
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libxcb1-dev libgl-dev fonts-roadgeek fonts-liberation
                "$NARROW_FONT_PACKAGE" fonts-bebas-neue fonts-dejavu-core xdg-utils
                qt6-wayland)   # the program's own platform on a Wayland desktop
# What a desktop session needs when the machine has no display of its own.
SESSION_PACKAGES=(xvfb xauth openbox trayer dbus-x11 x11-utils imagemagick x11vnc)
# The tests (./test): GoogleTest (googletest, its sources, for the Windows build's tests),
# Google Benchmark, the real-X-server rig, the whole-process benchmark, sanitizers and fuzzers.
# The desktops the rig starts besides openbox and trayer: xfce4-panel (a StatusNotifierItem host
# on X11), sway with swaybar (Wayland); grim takes sway's picture of a failed case's screen;
# python3-gi reads and drives the tray's items over D-Bus.
# clang-format checks the layout of the C++ files. libc6-dbg is not needed: the sanitizers'
# suppressions name glibc's functions as a machine without its symbols reports them.
# mmdebstrap makes the pristine Debian 12 and 13 roots the fresh-machine tests run ./run in.
TEST_PACKAGES=(libgtest-dev libgmock-dev googletest libbenchmark-dev
               xdotool wmctrl faketime at-spi2-core python3-pyatspi x11-apps "clang-$CLANG_VERSION"
               "libclang-rt-$CLANG_VERSION-dev" "libfuzzer-$CLANG_VERSION-dev" file dpkg-dev libxcb-damage0-dev
               locales desktop-file-utils lintian appstream man-db xfce4-panel sway grim python3-gi
               "clang-format-$CLANG_VERSION"
               gnome-shell gnome-shell-extension-appindicator
               # KWin on Wayland with Plasma's shell and tray; the rig's hand there speaks KWin's
               # fake-input protocol (libwayland-dev, plasma-wayland-protocols).
               kwin-wayland plasma-workspace plasma-desktop-data "${PLASMA_EXTRA[@]}" libwayland-dev
               plasma-wayland-protocols
               # The Windows program's tests: python3-pefile reads the exe's icon group and version
               # record; unzip lists the portable zip.
               python3-pefile unzip
               mmdebstrap)
# The Windows program (the README's Windows steps install this list alone): cross-built with
# mingw-w64 by CMake and Ninja, run under Wine (64-bit). rsvg-convert (librsvg2-bin) and
# ImageMagick render the exe's icons from the SVG at build time, icotool (icoutils) packs them;
# the exe carries the stand-in fonts of fonts-roadgeek and Liberation Sans and Sans Narrow.
# nsis builds the installer.
WINDOWS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools fonts-roadgeek fonts-liberation
                  "$NARROW_FONT_PACKAGE" wine wine64 icoutils librsvg2-bin imagemagick nsis strip-nondeterminism)

ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
