"""One private desktop session per end-to-end test.

A Session is of one kind (KINDS): each starts Xvfb on a free display and a private D-Bus
session bus, then its desktop:

    xembed     openbox and the XEmbed tray host trayer
    sni        openbox and xfce4-panel, whose systray plugin is a StatusNotifierItem host
    sway       the Wayland compositor sway, nested in the Xvfb screen, with swaybar as SNI host
    bare-sway  sway without any bar: no tray at all

and, when asked, the AT-SPI accessibility bus. A session at scale 2 runs the program with
QT_SCALE_FACTOR=2 on X11, and sway with `output * scale 2`. Every program it launches finds a
fake `xdg-open` (also named by BROWSER) first on PATH, which writes each address handed to the
desktop into the session's capture file instead of opening it.

Everything started is stopped by process id, in reverse order, when the session ends: on
success, on a failed check, on Ctrl-C, on SIGTERM and on the rig's own deadline. Helpers die
with the rig even when it is killed outright (PR_SET_PDEATHSIG), and a last sweep ends any
process that still carries this session's marker in its environment.

If Xvfb or a helper cannot start, the session raises RigFailure: the test fails, loudly.

Whatever a program writes to standard error is kept; a report of AddressSanitizer,
LeakSanitizer or UndefinedBehaviorSanitizer in it fails the case and is printed. With
--sanitized (the program built with the sanitizers) every program still running when a case
has passed is ended as a person would end it (the test file's `finish`), so that the leak
check at its exit runs too.
"""

import ctypes
import glob
import json
import os
import pwd
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass

SCREEN = "1024x768x24"
TRAY_GEOMETRY = ["--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                 "--heighttype", "pixel", "--height", "24"]
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
AT_SPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
MARKER = "VELMORA_E2E_SESSION"
# A line that starts a sanitizer's report on standard error.
SANITIZER_REPORT = re.compile(r"ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:")
REPORT_LINES = 400          # at most this many lines of a report are printed
START_TIMEOUT = float(os.environ.get("VELMORA_E2E_START_TIMEOUT", "10"))   # seconds per helper
# sway refuses to run as root; a root rig runs it (and swaybar) as this user.
COMPOSITOR_USER = "nobody"


@dataclass(frozen=True)
class Kind:
    """What one kind of session starts after Xvfb and the bus, and what it offers."""
    name: str
    wayland: bool          # the program runs on the compositor's Wayland socket
    tray: str              # "xembed", "sni" or "" (no notification area)
    desktop: tuple         # start steps, in order (Session._start_<step>)


KINDS = {k.name: k for k in (
    Kind("xembed", wayland=False, tray="xembed", desktop=("openbox", "trayer")),
    Kind("sni", wayland=False, tray="sni", desktop=("openbox", "xfce4_panel", "sni_host")),
    Kind("sway", wayland=True, tray="sni", desktop=("sway", "sni_host")),
    Kind("bare-sway", wayland=True, tray="", desktop=("sway",)),
)}

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

# The session bus lets every user in: on a Wayland kind the compositor runs as another user
# than the program and the tests.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="*"/></policy>
</busconfig>
"""

SWAY_CONFIG = """# The rig's sway: one output, no wallpaper, no idle, the program's own defaults otherwise.
output * scale {scale}
focus_follows_mouse no
xwayland disable
{bar}
"""
SWAY_BAR = "bar {\n    position top\n    tray_output *\n}"

# Qt's desktop services on a generic X11 session look for xdg-open on PATH first and fall back
# to $BROWSER (then DEFAULT_BROWSER and a few browser names); mailto: goes the same way. This
# stand-in appends one line per call: its arguments, separated by tabs.
FAKE_XDG_OPEN = """#!/bin/sh
# Stands in for the desktop's opener: records what the program hands over, opens nothing.
printf '%s' "$1" >> "$VELMORA_E2E_CAPTURE"
shift
for arg in "$@"; do printf '\\t%s' "$arg" >> "$VELMORA_E2E_CAPTURE"; done
printf '\\n' >> "$VELMORA_E2E_CAPTURE"
"""


class RigFailure(AssertionError):
    """A check failed or the rig could not do its part; the message says which."""


class Interrupted(BaseException):
    """The rig was told to stop (a signal or its own deadline)."""


def wait_for(what, probe, timeout=5.0, step=0.05):
    """Polls probe() until it returns something true, and returns that; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise RigFailure(f"gave up after {timeout:.1f} s waiting for {what}")
        time.sleep(step)


def holds_for(what, probe, duration, step=0.05):
    """Fails as soon as probe() turns false during the next `duration` seconds."""
    deadline = time.monotonic() + duration
    while time.monotonic() < deadline:
        if not probe():
            raise RigFailure(f"{what} no longer held")
        time.sleep(step)


def check(condition, message):
    if not condition:
        raise RigFailure(message)


_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_rig():
    # Runs in the child between fork and exec: end with the rig, and lead a process group of
    # its own so that the helper's own children are stopped together with it.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)
    os.setpgid(0, 0)


def _tool(name):
    path = shutil.which(name)
    if path is None:
        raise RigFailure(f"cannot start the session: {name} is not installed (see packaging/deps.sh)")
    return path


def _read_line(fd, proc, what, log, timeout=START_TIMEOUT):
    """Reads one line that a starting helper writes to fd; fails if it dies or stays silent."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0:
            raise RigFailure(f"{what} did not report ready within {timeout:.0f} s; its log:\n{_tail(log)}")
        ready, _, _ = select.select([fd], [], [], min(left, 0.1))
        if ready:
            chunk = os.read(fd, 256)
            if not chunk:
                break
            data += chunk
        elif proc.poll() is not None:
            break
    if not data.strip():
        try:
            status = proc.wait(1.0)
        except subprocess.TimeoutExpired:
            status = "unknown: it closed its end and runs on"
        raise RigFailure(f"{what} exited (status {status}) before it was ready; its log:\n{_tail(log)}")
    return data.decode().strip()


def _tail(path, lines=40):
    try:
        with open(path, errors="replace") as f:
            text = f.read().splitlines()
    except OSError:
        return "(no log)"
    return "\n".join(text[-lines:]) or "(empty)"


class _X11:
    """The few Xlib calls the rig needs without spawning a tool: who owns a selection."""

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XGetSelectionOwner.restype = ctypes.c_ulong
        self.lib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.lib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.lib.XCreateSimpleWindow.restype = ctypes.c_ulong
        self.lib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                                 ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                                 ctypes.c_ulong]
        self.lib.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = self.lib.XOpenDisplay(display.encode())
        if not self.display:
            raise RigFailure(f"cannot connect to the X server on {display}")

    def selection_owner(self, name):
        atom = self.lib.XInternAtom(self.display, name.encode(), 0)
        return self.lib.XGetSelectionOwner(self.display, atom)

    def map_probe_window(self):
        """Maps a small, nameless top-level window and returns its id."""
        window = self.lib.XCreateSimpleWindow(self.display, self.lib.XDefaultRootWindow(self.display),
                                              0, 0, 8, 8, 0, 0, 0)
        self.lib.XMapWindow(self.display, window)
        self.lib.XSync(self.display, 0)
        return window

    def destroy_window(self, window):
        self.lib.XDestroyWindow(self.display, window)
        self.lib.XSync(self.display, 0)

    def close(self):
        if self.display:
            self.lib.XCloseDisplay(self.display)
            self.display = None


class Program:
    """A program launched into the session, with its output kept in the artifacts folder."""

    def __init__(self, name, popen, stdout_path, stderr_path):
        self.name = name
        self.popen = popen
        self.pid = popen.pid
        self.stdout_path = stdout_path
        self.stderr_path = stderr_path

    def running(self):
        return self.popen.poll() is None

    def stop(self):
        """SIGTERM, and SIGKILL after a grace period."""
        _stop(self.popen)

    def wait_exit(self, timeout=5.0):
        """Returns the exit status; fails if the program is still running after timeout."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise RigFailure(f"{self.name} (pid {self.pid}) still runs {timeout:.1f} s later") from None

    def stderr(self):
        return _tail(self.stderr_path, 200)

    def stdout(self):
        return _tail(self.stdout_path, 200)

    def sanitizer_report(self):
        """The sanitizers' report on the program's standard error, or None."""
        return sanitizer_report(self.stderr_path)


def sanitizer_report(path):
    """The text of the sanitizer reports in an output file, from the first report line on
    (with the line of '=' above it), or None when there is none."""
    try:
        with open(path, errors="replace") as f:
            lines = f.read().splitlines()
    except OSError:
        return None
    first = next((i for i, line in enumerate(lines) if SANITIZER_REPORT.search(line)), None)
    if first is None:
        return None
    if first > 0 and lines[first - 1].startswith("====="):
        first -= 1
    shown = lines[first:first + REPORT_LINES]
    if len(lines) - first > REPORT_LINES:
        shown.append(f"... ({len(lines) - first - REPORT_LINES} more lines in {path})")
    return "\n".join(shown)


class Session:
    """A desktop session for one test; use it as a context manager."""

    def __init__(self, name, artifacts, accessibility=False, kind="xembed", scale=1, sanitized=False):
        if kind not in KINDS:
            raise RigFailure(f"no session kind {kind!r}; the kinds are {', '.join(KINDS)}")
        self.name = name
        self.sanitized = sanitized
        self.artifacts = os.path.abspath(artifacts)
        self.accessibility = accessibility
        self.kind = KINDS[kind]
        self.scale = scale
        self.started = []        # (what, Popen), in start order
        self.programs = []
        self.display = None
        self.env = None
        self.dir = None
        self.x11 = None
        self.compositor_dir = None   # the compositor's runtime folder, owned by its user
        self.wayland_socket = None

    # -- start -----------------------------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, kind, value, tb):
        self.stop()
        return False

    def start(self):
        os.makedirs(self.artifacts, exist_ok=True)
        self.dir = tempfile.mkdtemp(prefix="velmora-e2e-")   # mode 0700
        runtime = self._folder("runtime")
        home = self._folder("home")
        bin_dir = self._folder("bin")
        self.capture = os.path.join(self.artifacts, "handed-to-desktop.txt")
        open(self.capture, "w").close()
        opener = os.path.join(bin_dir, "xdg-open")
        with open(opener, "w") as f:
            f.write(FAKE_XDG_OPEN)
        os.chmod(opener, 0o755)

        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("XDG_", "DBUS_", "QT_", "WAYLAND", "GTK_", "DESKTOP", "GNOME",
                                    "KDE", "SESSION", "AT_SPI", "LD_PRELOAD", "FAKETIME"))
               and k not in ("DISPLAY", "BROWSER", "DEFAULT_BROWSER", "XAUTHORITY", "NO_AT_BRIDGE")}
        env.update({
            MARKER: self.dir,
            "VELMORA_E2E_CAPTURE": self.capture,
            "PATH": bin_dir + os.pathsep + env.get("PATH", "/usr/bin:/bin"),
            "BROWSER": opener,
            "HOME": home,
            "XDG_RUNTIME_DIR": runtime,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
            "TZ": "UTC",
            "QT_QPA_PLATFORM": "xcb",
        })
        self.env = env
        self._start_xvfb()
        self._start_dbus()
        for step in self.kind.desktop:
            getattr(self, f"_start_{step}")()
        if self.accessibility:
            self._start_at_spi()

    def _folder(self, name):
        path = os.path.join(self.dir, name)
        os.mkdir(path, 0o700)
        return path

    def _spawn(self, what, argv, env=None, **kwargs):
        log = os.path.join(self.artifacts, f"{what}.log")
        with open(log, "w") as out:
            proc = subprocess.Popen(argv, env=env or self.env, stdin=subprocess.DEVNULL,
                                    stdout=kwargs.pop("stdout", out), stderr=out,
                                    preexec_fn=_die_with_rig, cwd=self.dir, **kwargs)
        self.started.append((what, proc))
        return proc, log

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        try:
            proc, log = self._spawn("xvfb", [_tool("Xvfb"), "-displayfd", str(write_end), "-screen", "0",
                                             SCREEN, "-nolisten", "tcp", "-noreset"],
                                    pass_fds=(write_end,))
            os.close(write_end)
            write_end = None
            number = _read_line(read_end, proc, "Xvfb", log)
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        self.display = f":{number}"
        self.env["DISPLAY"] = self.display
        self.x11 = _X11(self.display)

    def _start_dbus(self):
        # The daemon itself rather than dbus-launch, so that the rig holds its pid.
        config = os.path.join(self.dir, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG)
        read_end, write_end = os.pipe()
        try:
            proc, log = self._spawn("dbus", [_tool("dbus-daemon"), f"--config-file={config}", "--nofork",
                                             "--nopidfile", f"--print-address={write_end}"],
                                    pass_fds=(write_end,))
            os.close(write_end)
            write_end = None
            self.env["DBUS_SESSION_BUS_ADDRESS"] = _read_line(read_end, proc, "dbus-daemon", log)
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)

    def client_list(self):
        """The top-level windows that the window manager manages (_NET_CLIENT_LIST)."""
        text = self.xtool("xprop", "-root", "_NET_CLIENT_LIST")
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", text)]

    def _start_openbox(self):
        proc, log = self._spawn("openbox", [_tool("openbox")])
        self._wait_helper("openbox to own the window manager selection", proc, log,
                          lambda: self.x11.selection_owner("WM_S0"))
        # Owning the selection is not yet managing: a window mapped in openbox's first tens of
        # milliseconds can stay unmanaged for good. Ready is when a window mapped now gets
        # managed; a fresh probe window every half second until one is.
        probes = []

        def managing():
            if not probes or time.monotonic() - probes[-1][1] > 0.5:
                probes.append((self.x11.map_probe_window(), time.monotonic()))
            managed = set(self.client_list())
            return any(window in managed for window, _ in probes)
        try:
            self._wait_helper("openbox to manage a new window", proc, log, managing)
        finally:
            for window, _ in probes:
                self.x11.destroy_window(window)

    def _start_trayer(self):
        env = dict(self.env, NO_AT_BRIDGE="1")
        proc, log = self._spawn("trayer", [_tool("trayer"), *TRAY_GEOMETRY], env=env)
        self._wait_helper("trayer to own the tray selection", proc, log,
                          lambda: self.x11.selection_owner("_NET_SYSTEM_TRAY_S0"))
        self._wait_helper("openbox to manage trayer's panel", proc, log,
                          lambda: self.trayer_panel() in self.client_list())

    def trayer_panel(self):
        return next((w for w in map(int, self.xtool("xdotool", "search", "--class", "^trayer$").split())
                     if "panel" in self.xtool("xprop", "-id", str(w), "WM_CLASS")), None)

    def _start_xfce4_panel(self):
        channel = os.path.join(self.env["XDG_CONFIG_HOME"], "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(channel)
        with open(os.path.join(channel, "xfce4-panel.xml"), "w") as f:
            f.write(XFCE_PANEL_CHANNEL)
        proc, log = self._spawn("xfce4-panel", [_tool("xfce4-panel"), "--disable-wm-check"],
                                env=dict(self.env, NO_AT_BRIDGE="1"))
        self._wait_helper("xfce4-panel to own the StatusNotifierWatcher", proc, log,
                          lambda: self.bus_name_owned("org.kde.StatusNotifierWatcher"))

    def _start_sni_host(self):
        # Qt looks for a host once, when the program starts: without one it falls back to
        # XEmbed (or to no tray at all on Wayland).
        what, proc = self.started[-1]
        self._wait_helper(f"{what} to register a StatusNotifierHost", proc,
                          os.path.join(self.artifacts, f"{what}.log"), self.sni_host_registered)

    def bus_name_owned(self, name):
        reply = self.xtool("dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                           "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{name}")
        return "boolean true" in reply

    def sni_host_registered(self):
        reply = self.xtool("dbus-send", "--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
                           "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
                           "string:org.kde.StatusNotifierWatcher", "string:IsStatusNotifierHostRegistered")
        return "boolean true" in reply

    def _start_sway(self):
        user = None
        if os.geteuid() == 0:
            user = pwd.getpwnam(COMPOSITOR_USER)
        # A runtime folder of the compositor's own (sway wants to own it), outside the
        # session folder, which only the rig's user may enter.
        self.compositor_dir = tempfile.mkdtemp(prefix="velmora-e2e-sway-")
        config = os.path.join(self.compositor_dir, "config")
        with open(config, "w") as f:
            f.write(SWAY_CONFIG.format(scale=self.scale, bar=SWAY_BAR if self.kind.tray else ""))
        if user:
            for path in (self.compositor_dir, config):
                os.chown(path, user.pw_uid, user.pw_gid)
        env = dict(self.env, XDG_RUNTIME_DIR=self.compositor_dir, HOME=self.compositor_dir,
                   XDG_CONFIG_HOME=self.compositor_dir, WLR_BACKENDS="x11", WLR_RENDERER="pixman",
                   WLR_X11_OUTPUTS="1", NO_AT_BRIDGE="1")
        argv = [_tool("sway"), "--config", config]
        if user:
            argv = [_tool("setpriv"), f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups"] + argv
        proc, log = self._spawn("sway", argv, env=env)

        def sockets():
            ipc = glob.glob(os.path.join(self.compositor_dir, "sway-ipc.*.sock"))
            wayland = [p for p in glob.glob(os.path.join(self.compositor_dir, "wayland-*"))
                       if not p.endswith(".lock")]
            return (ipc[0], wayland[0]) if ipc and wayland else None
        self._wait_helper("sway to open its sockets", proc, log, sockets)
        self.env["SWAYSOCK"], self.wayland_socket = sockets()
        self._wait_helper("sway to light its output", proc, log,
                          lambda: any(o.get("active") for o in self.sway("get_outputs", check=False) or []))
        if self.kind.tray:
            self._wait_helper("swaybar to start", proc, log,
                              lambda: self.bus_name_owned("org.kde.StatusNotifierWatcher"))

    def sway(self, what, *command, check=True):
        """swaymsg's answer, as JSON (None when it could not answer and check is off)."""
        text = self.xtool("swaymsg", "-r", "-t", what, *command, check=check)
        return json.loads(text) if text.strip() else None

    def sway_scale(self):
        outputs = [o for o in self.sway("get_outputs") if o.get("active")]
        check(len(outputs) == 1, f"expected one active output of sway, found {len(outputs)}")
        return outputs[0]["scale"]

    def _start_at_spi(self):
        proc, log = self._spawn("at-spi", [AT_SPI_LAUNCHER, "--launch-immediately"])

        def bus_ready():
            reply = self.xtool("dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                               "/org/a11y/bus", "org.a11y.Bus.GetAddress")
            return "unix:" in reply
        self._wait_helper("the AT-SPI bus", proc, log, bus_ready)

    def _wait_helper(self, what, proc, log, probe):
        deadline = time.monotonic() + START_TIMEOUT
        while not probe():
            if proc.poll() is not None:
                raise RigFailure(f"{what}: the helper exited with status {proc.poll()}; its log:\n{_tail(log)}")
            if time.monotonic() > deadline:
                raise RigFailure(f"{what}: not ready after {START_TIMEOUT:.0f} s; its log:\n{_tail(log)}")
            time.sleep(0.05)

    # -- programs and tools ----------------------------------------------------------------

    def launch(self, argv, name=None, fake_time=None, env=None):
        """Starts a program in the session. fake_time is libfaketime's FAKETIME text:
        '@2013-04-12 09:00:00' starts the clock there and lets it run, '2013-04-03 14:25:07'
        freezes it. Timers keep real time either way (the monotonic clock is not faked)."""
        name = name or os.path.basename(argv[0])
        program_env = dict(self.env)
        if self.kind.wayland:
            program_env.update(QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=self.wayland_socket)
            program_env.pop("DISPLAY", None)      # no way back to X11 behind the test's back
        elif self.scale != 1:
            program_env["QT_SCALE_FACTOR"] = str(self.scale)
        program_env.update(env or {})
        if self.accessibility:
            program_env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        if fake_time is not None:
            if not os.path.exists(FAKETIME_LIBRARY):
                raise RigFailure(f"cannot fake the time: {FAKETIME_LIBRARY} is missing (package faketime)")
            program_env.update(LD_PRELOAD=FAKETIME_LIBRARY, FAKETIME=fake_time,
                               FAKETIME_DONT_FAKE_MONOTONIC="1", FAKETIME_NO_CACHE="1")
            if self.sanitized:
                # AddressSanitizer wants its runtime first in the library list; libfaketime,
                # preloaded, comes before it and does not allocate on its own.
                program_env["ASAN_OPTIONS"] = program_env["ASAN_OPTIONS"] + ":verify_asan_link_order=0"
        index = len(self.programs)
        stdout_path = os.path.join(self.artifacts, f"{name}-{index}.stdout")
        stderr_path = os.path.join(self.artifacts, f"{name}-{index}.stderr")
        with open(stdout_path, "w") as out, open(stderr_path, "w") as err:
            popen = subprocess.Popen(argv, env=program_env, stdin=subprocess.DEVNULL, stdout=out,
                                     stderr=err, preexec_fn=_die_with_rig, cwd=self.dir)
        program = Program(name, popen, stdout_path, stderr_path)
        self.programs.append(program)
        return program

    def xtool(self, *argv, timeout=5.0, check=False, env=None):
        """Runs a command-line tool against the session and returns its output ('' on failure
        unless check is set)."""
        try:
            done = subprocess.run(argv, env=env or self.env, capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise RigFailure(f"{' '.join(argv)} did not finish within {timeout:.0f} s") from None
        if check and done.returncode != 0:
            raise RigFailure(f"{' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()}")
        return done.stdout if done.returncode == 0 else ""

    def handed_to_desktop(self):
        """Every call of the fake opener so far, as lists of arguments."""
        with open(self.capture) as f:
            return [line.rstrip("\n").split("\t") for line in f if line.strip()]

    # -- report and stop -------------------------------------------------------------------

    def report(self):
        """What the rig saw, for a failed test."""
        parts = []
        if self.display and self.started and self.started[0][1].poll() is None:
            parts.append(("windows (wmctrl -l -G -p -x)", self.xtool("wmctrl", "-l", "-G", "-p", "-x")))
            parts.append(("window tree (xwininfo -root -tree)", self.xtool("xwininfo", "-root", "-tree")))
        if self.env and self.env.get("SWAYSOCK") and self.started and self.started[0][1].poll() is None:
            parts.append(("sway's tree (swaymsg -t get_tree)", self.xtool("swaymsg", "-t", "get_tree")))
        if self.display and self.started and self.started[0][1].poll() is None:
            # What the screen showed: sway's own picture of its output, or the X screen's.
            shot = os.path.join(self.artifacts, "screen.png")
            if self.wayland_socket:
                self.xtool("grim", shot, env=dict(self.env, WAYLAND_DISPLAY=self.wayland_socket))
            else:
                self.xtool("import", "-window", "root", shot)
            parts.append(("screen", shot if os.path.exists(shot) else "(no picture)"))
        try:
            parts.append(("handed to the desktop", "".join(open(self.capture).readlines()) or "(nothing)"))
        except (OSError, AttributeError):
            pass
        for program in self.programs:
            state = "running" if program.running() else f"exited with status {program.popen.returncode}"
            parts.append((f"{program.name} (pid {program.pid}, {state}) stderr", program.stderr()))
            parts.append((f"{program.name} stdout", program.stdout()))
        for what, _ in self.started:
            parts.append((f"{what} log", _tail(os.path.join(self.artifacts, f"{what}.log"), 15)))
        return "\n".join(f"--- {title} ---\n{text.rstrip()}" for title, text in parts)

    def stop(self):
        """Stops programs, then helpers in reverse start order; each by its pid (and the
        process group it leads), SIGTERM first, SIGKILL after a grace period."""
        previous = {s: signal.signal(s, signal.SIG_IGN) for s in (signal.SIGINT, signal.SIGTERM)}
        try:
            for program in reversed(self.programs):
                program.stop()
            if self.x11:
                self.x11.close()
                self.x11 = None
            for _, proc in reversed(self.started):
                _stop(proc)
            self.leftovers = self._sweep()
            for folder in (self.dir, self.compositor_dir):
                if folder:
                    shutil.rmtree(folder, ignore_errors=True)
        finally:
            for s, handler in previous.items():
                signal.signal(s, handler)

    def _sweep(self):
        """Ends processes that still carry this session's marker (say, a service that the bus
        started for a program), and returns what it found."""
        if not self.dir:
            return []
        found = []
        for pid in session_processes(self.dir):
            found.append(pid)
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        return found

    def pids(self):
        return [p.pid for _, p in self.started] + [p.pid for p in self.programs]


def session_processes(marker_value):
    """Pids of processes whose environment holds MARKER=marker_value."""
    needle = f"{MARKER}={marker_value}".encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in f.read() + b"\0":
                    found.append(int(entry))
        except OSError:
            continue
    return found


def _stop(proc, grace=3.0):
    if proc.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, grace)):
        for target in (lambda: os.killpg(proc.pid, sig), lambda: os.kill(proc.pid, sig)):
            try:
                target()
            except (ProcessLookupError, PermissionError):
                pass
        try:
            proc.wait(wait)
            break
        except subprocess.TimeoutExpired:
            continue
    # The helper's own children in its group follow it.
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass


def _raise_interrupted(signum, frame):
    raise Interrupted(f"stopped by signal {signal.Signals(signum).name}")


def run_cases(cases, argv=None, finish=None):
    """Command-line entry of a test file: `<file> CASE [--program PATH] [--sanitized]
    [--artifacts DIR] [--budget SECONDS]`. Runs one case, prints what the rig saw when it
    fails, and exits 0 only when the case passed. finish(session) ends the programs still
    running in a session whose case passed, when the program is the sanitizer build."""
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(cases))
    parser.add_argument("--program")
    parser.add_argument("--sanitized", action="store_true",
                        help="the program is built with ASan and UBSan: end it cleanly after each case so "
                             "that the leak check runs")
    parser.add_argument("--artifacts", default=None)
    parser.add_argument("--budget", type=float, default=50.0,
                        help="the case's own deadline in seconds, below CTest's TIMEOUT")
    parser.add_argument("--kind", choices=sorted(KINDS), default="xembed", help="the kind of session")
    parser.add_argument("--scale", type=int, default=1, help="the desktop's scale factor")
    args = parser.parse_args(argv)
    artifacts = args.artifacts or os.path.join(tempfile.gettempdir(), "velmora-e2e-artifacts", args.case)
    shutil.rmtree(artifacts, ignore_errors=True)
    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGALRM):
        signal.signal(s, _raise_interrupted)
    signal.setitimer(signal.ITIMER_REAL, args.budget)
    context = CaseContext(args.program, artifacts, args.kind, args.scale, args.sanitized, finish)
    started = time.monotonic()
    try:
        if args.sanitized:
            check_sanitized(args.program)
        cases[args.case](context)
    except (RigFailure, Interrupted) as failure:
        signal.setitimer(signal.ITIMER_REAL, 0)
        print(f"FAIL {args.case}: {failure}", file=sys.stderr)
        if context.last_report:
            print(context.last_report, file=sys.stderr)
        print(f"(artifacts: {artifacts})", file=sys.stderr)
        return 1
    signal.setitimer(signal.ITIMER_REAL, 0)
    print(f"PASS {args.case} in {time.monotonic() - started:.1f} s")
    return 0


def check_sanitized(program):
    """A sanitized run of a program built without the sanitizers, or without their options,
    would pass on nothing: refuse it."""
    for name, wanted in (("ASAN_OPTIONS", "detect_leaks=1"), ("LSAN_OPTIONS", "suppressions="),
                         ("UBSAN_OPTIONS", "halt_on_error=1")):
        check(wanted in os.environ.get(name, ""),
              f"--sanitized needs {wanted} in {name} (ctest sets the options of the root CMakeLists.txt)")
    try:
        with open(program, "rb") as f:
            binary = f.read()
    except (OSError, TypeError) as error:
        raise RigFailure(f"no sanitized program to test: {error}") from None
    for symbol in (b"__asan_init", b"__ubsan_handle_"):
        check(symbol in binary, f"{program} is not built with the sanitizers (no {symbol.decode()})")


class CaseContext:
    """Handed to each case: the program under test and a way to open sessions that report
    what they saw when the case fails inside them."""

    def __init__(self, program, artifacts, kind="xembed", scale=1, sanitized=False, finish=None):
        self.program = program
        self.artifacts = artifacts
        self.kind = kind
        self.scale = scale
        self.sanitized = sanitized
        self.finish = finish
        self.last_report = None

    def session(self, accessibility=False, name="session", kind=None, scale=None):
        return _ReportingSession(self, name, os.path.join(self.artifacts, name), accessibility,
                                 kind or self.kind, scale or self.scale)


class _ReportingSession(Session):
    def __init__(self, context, name, artifacts, accessibility, kind, scale):
        super().__init__(name, artifacts, accessibility, kind, scale, sanitized=context.sanitized)
        self.context = context

    def __exit__(self, kind, value, tb):
        ended = None
        if kind is None and self.sanitized and self.context.finish:
            # The leak check runs when a program ends by itself: end each one as a person would.
            try:
                if any(p.running() for p in self.programs):
                    self.context.finish(self)
            except (RigFailure, Interrupted) as failure:
                ended = failure
        if kind is not None or ended is not None:
            try:
                self.context.last_report = self.report()
            except BaseException as failure:  # the report must never hide the failure itself
                self.context.last_report = f"(could not collect the report: {failure})"
        super().__exit__(kind, value, tb)
        reports = [(p, p.sanitizer_report()) for p in self.programs]
        reports = [f"--- {p.name} (pid {p.pid}) ---\n{text}" for p, text in reports if text]
        if reports:
            found = RigFailure("the sanitizers reported on standard error:\n" + "\n".join(reports))
            if kind is not None:    # already failing: the report goes first in what is printed
                self.context.last_report = f"{found}\n{self.context.last_report or ''}"
            else:
                raise found
        if ended is not None:
            raise ended
        return False
