"""The kinds of session, and the desktop helpers each starts once Xvfb and the bus run:

    xembed     openbox and the XEmbed tray host trayer
    sni        openbox and xfce4-panel, whose systray plugin is a StatusNotifierItem host
    sway       the Wayland compositor sway, nested in the Xvfb screen, with swaybar as SNI host
    bare-sway  sway without any bar: no tray at all
    gnome      GNOME Shell headless on Wayland with the AppIndicator extension (an SNI host
               drawn in the top bar)
    bare-gnome GNOME Shell as it comes: no tray at all
    plasma     KWin on Wayland (headless) with plasmashell, Plasma's own panel and SNI host
    wine       openbox and trayer (its strip reserved), and Wine: the Windows build's program
               in a private prefix of the build tree, with a wineserver of the session's own

and the AT-SPI accessibility bus, which a session of any kind starts when asked. Each start
step waits until its helper does its part (owns its selection, manages a window, registers
on the bus) and fails, with the helper's log, when it dies or takes too long.
"""

import glob
import json
import os
import pwd
import shutil
import tempfile
import time
from dataclasses import dataclass

from checks import RigFailure
from processes import START_TIMEOUT, tool
from wine import start_wine

TRAY_GEOMETRY = ["--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                 "--heighttype", "pixel", "--height", "24"]
AT_SPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# sway refuses to run as root; a root rig runs it (and swaybar) as this user.
COMPOSITOR_USER = "nobody"

# One panel whose only plugin is the notification area, so that no first-run dialog appears.
XFCE_PANEL_CHANNEL = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="length" type="uint" value="20"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""

SWAY_CONFIG = """# The rig's sway: one output, no wallpaper, no idle, the program's own defaults otherwise.
output * scale {scale}
focus_follows_mouse no
xwayland disable
{bar}
"""
SWAY_BAR = "bar {\n    position top\n    tray_output *\n}"

# What differs between the Debian releases the rig runs on, by the codename /etc/os-release
# names (packaging/deps.sh installs the matching packages): Plasma 5.27 on Debian 12 and
# Plasma 6.3 on Debian 13, with their service daemon (the tray's StatusNotifierWatcher) and
# the session version Plasma's programs are told.
RELEASES = {
    # pictures: the folder of e2e/reference with the release's own pictures, for the windows
    # its faces draw otherwise (trixie's Liberation faces set the typographic line metrics,
    # which put button captions a pixel higher); the others are shared.
    # kwin_*: KWin 6 renamed its scripts' D-Bus objects, the window list and the active window.
    # gnome_*: the shell's version, and how it loads the rig's extension.
    "bookworm": {"kded": "kded5", "kde_session_version": "5", "pictures": None,
                 "gnome_shell": "43", "gnome_extension": "script",
                 "kwin_script": "/{}", "kwin_windows": "workspace.clientList()", "kwin_active": "activeClient"},
    "trixie": {"kded": "kded6", "kde_session_version": "6", "pictures": "trixie",
               "gnome_shell": "48", "gnome_extension": "module",
               "kwin_script": "/Scripting/Script{}", "kwin_windows": "workspace.windowList()",
               "kwin_active": "activeWindow"},
}


def release(what, os_release="/etc/os-release"):
    """The running release's entry for what (a key of RELEASES); a release not in the table
    fails the session loudly."""
    fields = {}
    with open(os_release) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            fields[key] = value.strip('"')
    by_number = {"12": "bookworm", "13": "trixie"}
    name = fields.get("VERSION_CODENAME") or by_number.get(fields.get("VERSION_ID", ""), "")
    if name not in RELEASES:
        raise RigFailure(f"cannot start the session: the rig knows Debian 12 and 13 ({', '.join(RELEASES)}), "
                         f"and {os_release} names {name or 'no release'!r}")
    return RELEASES[name][what]


def start_openbox(session):
    proc, log = session.spawn("openbox", [tool("openbox")])
    session.wait_ready("openbox to own the window manager selection", proc, log,
                       lambda: session.x11.selection_owner("WM_S0"))
    # Owning the selection is not yet managing: a window mapped in openbox's first tens of
    # milliseconds can stay unmanaged for good. Ready is when a window mapped now gets
    # managed; a fresh probe window every half second until one is.
    probes = []

    def managing():
        if not probes or time.monotonic() - probes[-1][1] > 0.5:
            probes.append((session.x11.map_probe_window(), time.monotonic()))
        managed = set(session.client_list())
        return any(window in managed for window, _ in probes)
    try:
        session.wait_ready("openbox to manage a new window", proc, log, managing)
    finally:
        for window, _ in probes:
            session.x11.destroy_window(window)


def start_trayer(session, options=()):
    env = dict(session.env, NO_AT_BRIDGE="1")
    proc, log = session.spawn("trayer", [tool("trayer"), *TRAY_GEOMETRY, *options], env=env)
    session.wait_ready("trayer to own the tray selection", proc, log,
                       lambda: session.x11.selection_owner("_NET_SYSTEM_TRAY_S0"))
    session.wait_ready("openbox to manage trayer's panel", proc, log,
                       lambda: session.trayer_panel() in session.client_list())


def start_reserving_trayer(session):
    """trayer with its strip reserved (a partial strut), so that the work area starts below
    it, as a task bar's does on Windows."""
    start_trayer(session, ["--SetPartialStrut", "true"])
    session.wait_ready("openbox to leave trayer's strip out of the work area", session.started[-1][1],
                       os.path.join(session.artifacts, "trayer.log"),
                       lambda: "0, 24," in session.xtool("xprop", "-root", "_NET_WORKAREA"))


def start_xfce4_panel(session):
    channel = os.path.join(session.env["XDG_CONFIG_HOME"], "xfce4", "xfconf", "xfce-perchannel-xml")
    os.makedirs(channel)
    with open(os.path.join(channel, "xfce4-panel.xml"), "w") as f:
        f.write(XFCE_PANEL_CHANNEL)
    proc, log = session.spawn("xfce4-panel", [tool("xfce4-panel"), "--disable-wm-check"],
                              env=dict(session.env, NO_AT_BRIDGE="1"))
    session.wait_ready("xfce4-panel to own the StatusNotifierWatcher", proc, log,
                       lambda: session.bus_name_owned("org.kde.StatusNotifierWatcher"))


def start_sni_host(session):
    # Qt looks for a host once, when the program starts: without one it falls back to
    # XEmbed (or to no tray at all on Wayland).
    what, proc = session.started[-1]
    session.wait_ready(f"{what} to register a StatusNotifierHost", proc,
                       os.path.join(session.artifacts, f"{what}.log"), session.sni_host_registered)


def start_sway(session):
    user = None
    if os.geteuid() == 0:
        user = pwd.getpwnam(COMPOSITOR_USER)
    # A runtime folder of the compositor's own (sway wants to own it), outside the
    # session folder, which only the rig's user may enter.
    session.compositor_dir = folder = tempfile.mkdtemp(prefix="velmora-e2e-sway-")
    config = os.path.join(folder, "config")
    with open(config, "w") as f:
        f.write(SWAY_CONFIG.format(scale=session.scale, bar=SWAY_BAR if session.kind.tray else ""))
    if user:
        for path in (folder, config):
            os.chown(path, user.pw_uid, user.pw_gid)
    env = dict(session.env, XDG_RUNTIME_DIR=folder, HOME=folder, XDG_CONFIG_HOME=folder,
               WLR_BACKENDS="x11", WLR_RENDERER="pixman", WLR_X11_OUTPUTS="1", NO_AT_BRIDGE="1")
    argv = [tool("sway"), "--config", config]
    if user:
        # A change of user clears the death signal the rig set; setpriv sets it again, so a
        # killed rig takes sway with it (without, Debian 13's sway outlived it by over 5 s).
        argv = [tool("setpriv"), f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups",
                "--pdeathsig", "SIGTERM"] + argv
    proc, log = session.spawn("sway", argv, env=env)

    def sockets():
        ipc = glob.glob(os.path.join(folder, "sway-ipc.*.sock"))
        wayland = [p for p in glob.glob(os.path.join(folder, "wayland-*")) if not p.endswith(".lock")]
        return (ipc[0], wayland[0]) if ipc and wayland else None
    session.wait_ready("sway to open its sockets", proc, log, sockets)
    session.env["SWAYSOCK"], session.wayland_socket = sockets()
    session.wait_ready("sway to light its output", proc, log,
                       lambda: any(o.get("active") for o in session.sway("get_outputs", check=False) or []))
    if session.kind.tray:
        session.wait_ready("swaybar to start", proc, log,
                           lambda: session.bus_name_owned("org.kde.StatusNotifierWatcher"))


APPINDICATOR = "ubuntu-appindicators@ubuntu.com"
# The rig's own extension: it lets the rig ask the shell (org.gnome.Shell.Eval) where windows
# are, drive a virtual pointer and keyboard, and take pictures, as GNOME's own tests do.
RIG_EXTENSION = "velmora-e2e-rig@velmora"
# GNOME Shell 45 and later load an extension as a module (RELEASES' "gnome_extension").
RIG_EXTENSION_JS = {
    "script": """function init() {
    return {enable() { global.context.unsafe_mode = true; }, disable() {}};
}
""",
    "module": """import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
export default class extends Extension {
    enable() { global.context.unsafe_mode = true; }
    disable() {}
}
""",
}
# GNOME's settings for the session: the extensions, no welcome tour, no banner over windows.
GNOME_SETTINGS = """[org/gnome/shell]
enabled-extensions={extensions}
disable-user-extensions=false
welcome-dialog-last-shown-version='999'
[org/gnome/desktop/notifications]
show-banners=false
"""
SYSTEM_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
"""


def start_system_bus(session):
    """A private system bus: GNOME Shell will not start without one."""
    config = SYSTEM_BUS_CONFIG.format(folder=session.dir)
    session.env["DBUS_SYSTEM_BUS_ADDRESS"] = session.start_bus("system-bus", config)


def start_gnome_shell(session):
    data = session.env["XDG_DATA_HOME"]
    extension = os.path.join(data, "gnome-shell", "extensions", RIG_EXTENSION)
    os.makedirs(extension)
    with open(os.path.join(extension, "metadata.json"), "w") as f:
        json.dump({"uuid": RIG_EXTENSION, "name": "Velmora e2e rig", "description": "The test rig's access",
                   "shell-version": [release("gnome_shell")]}, f)
    with open(os.path.join(extension, "extension.js"), "w") as f:
        f.write(RIG_EXTENSION_JS[release("gnome_extension")])
    extensions = [RIG_EXTENSION] + ([APPINDICATOR] if session.kind.tray else [])
    settings = os.path.join(session.env["XDG_CONFIG_HOME"], "glib-2.0", "settings")
    os.makedirs(settings)
    with open(os.path.join(settings, "keyfile"), "w") as f:
        f.write(GNOME_SETTINGS.format(extensions=extensions))
    # The program and the tools read the same settings as the shell.
    session.env.update(GSETTINGS_BACKEND="keyfile", XDG_SESSION_TYPE="wayland", XDG_CURRENT_DESKTOP="GNOME")
    start_system_bus(session)
    env = {k: v for k, v in session.env.items() if k != "DISPLAY"}
    env["NO_AT_BRIDGE"] = "1"
    proc, log = session.spawn("gnome-shell", [tool("gnome-shell"), "--headless", "--wayland", "--no-x11",
                                              "--virtual-monitor", "1024x768"], env=env)
    socket = os.path.join(session.env["XDG_RUNTIME_DIR"], "wayland-0")
    session.wait_ready("gnome-shell to open its Wayland socket", proc, log, lambda: os.path.exists(socket))
    session.wayland_socket = socket
    session.wait_ready("gnome-shell to take the rig's extension", proc, log,
                       lambda: session.shell_eval("!Main.layoutManager._startingUp", check=False) is True)
    # It starts in the Overview, which would cover the program's window.
    session.wait_ready("gnome-shell to leave its Overview", proc, log,
                       lambda: session.shell_eval("Main.overview.hide(), !Main.overview.visible", check=False))
    # A headless shell's seat has no pointer until the rig's own exists; made after the
    # program started, GNOME Shell 48 never sent its window the pointer's entry, and no
    # press reached it. So it is made now.
    import desktop   # it imports this module
    desktop.park_pointer(session)
    if session.kind.tray:
        session.wait_ready("the AppIndicator extension to watch for items", proc, log,
                           lambda: session.bus_name_owned("org.kde.StatusNotifierWatcher"))


# kwin_wayland carries a file capability (CAP_SYS_NICE) this container cannot grant, so exec
# refuses it; a copy without it, bound over the original in a mount namespace of its own, runs.
KWIN_WITHOUT_CAPABILITY = 'mount --bind "$0" /usr/bin/kwin_wayland && exec /usr/bin/kwin_wayland "$@"'


def plasma_env(session):
    """What KWin, plasmashell and the program share: the Wayland socket and Plasma's name."""
    env = {k: v for k, v in session.env.items() if k != "DISPLAY"}
    env.update(XDG_CURRENT_DESKTOP="KDE", XDG_SESSION_TYPE="wayland", KDE_FULL_SESSION="true",
               KDE_SESSION_VERSION=release("kde_session_version"), QT_QPA_PLATFORM="wayland", NO_AT_BRIDGE="1")
    if session.wayland_socket:
        env["WAYLAND_DISPLAY"] = session.wayland_socket
    return env


def start_kwin(session):
    copy = os.path.join(session.dir, "kwin_wayland")
    shutil.copyfile(tool("kwin_wayland"), copy)
    os.chmod(copy, 0o755)
    session.env.update(XDG_CURRENT_DESKTOP="KDE", XDG_SESSION_TYPE="wayland")
    env = plasma_env(session)
    # Any client may fake input and take pictures: the rig is both.
    env.update(KWIN_WAYLAND_NO_PERMISSION_CHECKS="1", KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1",
               QT_LOGGING_RULES="kwin_scripting.debug=true")
    socket = os.path.join(session.env["XDG_RUNTIME_DIR"], "wayland-velmora")
    proc, log = session.spawn("kwin", [tool("unshare"), "-m", "sh", "-c", KWIN_WITHOUT_CAPABILITY, copy,
                                       # 1024 x 768 logical pixels at any scale, as the
                                       # other kinds' screens are in the program's pixels.
                                       "--virtual", "--width", "1024", "--height", "768", "--scale", str(session.scale),
                                       "--socket", os.path.basename(socket), "--no-lockscreen",
                                       "--no-global-shortcuts"], env=env)
    session.wait_ready("kwin to open its Wayland socket", proc, log, lambda: os.path.exists(socket))
    session.wayland_socket = socket
    session.kwin_log = log
    session.wait_ready("kwin to answer on the bus", proc, log, lambda: session.bus_name_owned("org.kde.KWin"))
    # The bus started before kwin: services it starts on demand (kactivitymanagerd, which
    # plasmashell needs) must learn where the compositor is.
    shared = plasma_env(session)
    pairs = ",".join(f'"{k}","{shared[k]}"' for k in ("WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORM",
                                                     "XDG_SESSION_TYPE"))
    session.xtool("dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                  "org.freedesktop.DBus.UpdateActivationEnvironment", f"dict:string:string:{pairs}", check=True)
    session.kwin_input = session.spawn_kwin_input(plasma_env(session))


def start_plasmashell(session):
    env = plasma_env(session)
    kded = release("kded")
    proc, log = session.spawn(kded, [tool(kded)], env=env)
    session.wait_ready(f"{kded} to own the StatusNotifierWatcher", proc, log,
                       lambda: session.bus_name_owned("org.kde.StatusNotifierWatcher"))
    proc, log = session.spawn("plasmashell", [tool("plasmashell"), "--no-respawn"], env=env)
    # Its panel and tray are QML, loaded in about 3 s on an idle machine and several times
    # that on a busy one.
    session.wait_ready("plasmashell to register a StatusNotifierHost", proc, log, session.sni_host_registered,
                       timeout=4 * START_TIMEOUT)


def start_at_spi(session):
    proc, log = session.spawn("at-spi", [AT_SPI_LAUNCHER, "--launch-immediately"])

    def bus_ready():
        reply = session.xtool("dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress")
        return "unix:" in reply
    session.wait_ready("the AT-SPI bus", proc, log, bus_ready)


@dataclass(frozen=True)
class Kind:
    """What one kind of session starts after Xvfb and the bus, and what it offers."""
    name: str
    wayland: bool          # the program runs on the compositor's Wayland socket
    tray: str              # "xembed", "sni" or "" (no notification area)
    desktop: tuple         # start steps, in order, each called with the session
    compositor: str = ""   # on Wayland, who is asked where windows are: "sway", "gnome-shell" or "kwin"
    windows: bool = False  # the program is the Windows build's, run by Wine (wine.py)


KINDS = {k.name: k for k in (
    Kind("xembed", wayland=False, tray="xembed", desktop=(start_openbox, start_trayer)),
    Kind("sni", wayland=False, tray="sni", desktop=(start_openbox, start_xfce4_panel, start_sni_host)),
    Kind("sway", wayland=True, tray="sni", desktop=(start_sway, start_sni_host), compositor="sway"),
    Kind("bare-sway", wayland=True, tray="", desktop=(start_sway,), compositor="sway"),
    Kind("gnome", wayland=True, tray="sni", desktop=(start_gnome_shell, start_sni_host), compositor="gnome-shell"),
    Kind("bare-gnome", wayland=True, tray="", desktop=(start_gnome_shell,), compositor="gnome-shell"),
    Kind("plasma", wayland=True, tray="sni", desktop=(start_kwin, start_plasmashell), compositor="kwin"),
    Kind("wine", wayland=False, tray="xembed", desktop=(start_openbox, start_reserving_trayer, start_wine),
         windows=True),
)}
