# The Qt platform for the desktop the program starts on: Wayland itself where the session is
# a Wayland one (the plugin comes with qt6-wayland), X11 otherwise. A QT_QPA_PLATFORM that the
# user set stands. Sourced by ./run and by the end-to-end test of it.
choose_qt_platform() {
    if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -n "${WAYLAND_DISPLAY:-}" ]; then
        export QT_QPA_PLATFORM=wayland
    fi
}
