"""The kinds of session, and the desktop helpers each starts once Xvfb and the bus run:

    xembed     openbox and the XEmbed tray host trayer
    sni        openbox and xfce4-panel, whose systray plugin is a StatusNotifierItem host
    sway       the Wayland compositor sway, nested in the Xvfb screen, with swaybar as SNI host
    bare-sway  sway without any bar: no tray at all

and the AT-SPI accessibility bus, which a session of any kind starts when asked. Each start
step waits until its helper does its part (owns its selection, manages a window, registers
on the bus) and fails, with the helper's log, when it dies or takes too long.
"""

import glob
import os
import pwd
import tempfile
import time
from dataclasses import dataclass

from processes import tool

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


def start_trayer(session):
    env = dict(session.env, NO_AT_BRIDGE="1")
    proc, log = session.spawn("trayer", [tool("trayer"), *TRAY_GEOMETRY], env=env)
    session.wait_ready("trayer to own the tray selection", proc, log,
                       lambda: session.x11.selection_owner("_NET_SYSTEM_TRAY_S0"))
    session.wait_ready("openbox to manage trayer's panel", proc, log,
                       lambda: session.trayer_panel() in session.client_list())


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
        argv = [tool("setpriv"), f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups"] + argv
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


KINDS = {k.name: k for k in (
    Kind("xembed", wayland=False, tray="xembed", desktop=(start_openbox, start_trayer)),
    Kind("sni", wayland=False, tray="sni", desktop=(start_openbox, start_xfce4_panel, start_sni_host)),
    Kind("sway", wayland=True, tray="sni", desktop=(start_sway, start_sni_host)),
    Kind("bare-sway", wayland=True, tray="", desktop=(start_sway,)),
)}
