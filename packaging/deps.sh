# Debian 12 packages the project needs, and a helper that installs the missing ones.
# Sourced by ./run and ./test.

BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libxcb1-dev libgl-dev libgtest-dev libgmock-dev
                libbenchmark-dev fonts-roadgeek fonts-liberation fonts-bebas-neue fonts-dejavu-core xdg-utils
                qt6-wayland)   # the program's own platform on a Wayland desktop
# What a desktop session needs when the machine has no display of its own.
SESSION_PACKAGES=(xvfb xauth openbox trayer dbus-x11 x11-utils imagemagick x11vnc)
# The real-X-server rig, the whole-process benchmark, sanitizers and fuzzers.
# The desktops the rig starts besides openbox and trayer: xfce4-panel (a StatusNotifierItem host
# on X11), sway with swaybar (Wayland); grim takes sway's picture of a failed case's screen;
# python3-gi reads and drives the tray's items over D-Bus.
# clang-format-14 checks the layout of the C++ files.
TEST_PACKAGES=(xdotool wmctrl faketime at-spi2-core python3-pyatspi x11-apps clang-14
               libclang-rt-14-dev libfuzzer-14-dev file dpkg-dev libxcb-damage0-dev locales desktop-file-utils
               lintian appstream man-db xfce4-panel sway grim python3-gi clang-format-14
               gnome-shell gnome-shell-extension-appindicator
               # KWin on Wayland with Plasma's shell and tray; the rig's hand there speaks KWin's
               # fake-input protocol (libwayland-dev, plasma-wayland-protocols).
               kwin-wayland plasma-workspace plasma-desktop-data kded5 qtwayland5 libwayland-dev
               plasma-wayland-protocols)
# The Windows program: cross-built with mingw-w64 and tested under Wine (64-bit); icoutils and
# python3-pefile read the exe's icon group and version record. rsvg-convert (librsvg2-bin) and
# ImageMagick render the exe's icons from the SVG at build time, icotool packs them.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 icoutils python3-pefile
                  librsvg2-bin imagemagick)

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
