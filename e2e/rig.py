"""One private desktop session per end-to-end test.

A Session is of one kind (kinds.KINDS: X11 with trayer, X11 with xfce4-panel, sway with
swaybar, sway without a bar): each starts Xvfb on a free display and a private D-Bus session
bus, then its desktop, and, when asked, the AT-SPI accessibility bus. A session at scale 2
runs the program with QT_SCALE_FACTOR=2 on X11, and sway with `output * scale 2`. Every
program it launches finds a fake `xdg-open` (also named by BROWSER) first on PATH, which
writes each address handed to the desktop into the session's capture file instead of
opening it.

Everything started is stopped by process id, in reverse order, when the session ends: on
success, on a failed check, on Ctrl-C, on SIGTERM and on the rig's own deadline. Helpers die
with the rig even when it is killed outright, and a last sweep ends any process that still
carries this session's marker in its environment (processes.py).

If Xvfb or a helper cannot start, the session raises RigFailure: the test fails, loudly.
Whatever a program writes to standard error is kept (processes.Program); runner.py runs a
test file's cases in sessions and fails a case on a sanitizer's report.
"""

import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

from checks import RigFailure, check
from kinds import KINDS, release, start_at_spi
from processes import (MARKER, START_TIMEOUT, Program, die_with_rig, read_line, run_tool, session_processes,
                       stop_process, tail, tool)
import wine
from x11 import X11

SCREEN = "1024x768x24"
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"

# The session bus lets every user in: on a Wayland kind the compositor runs as another user
# than the program and the tests.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="*"/></policy>
</busconfig>
"""

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
        self._bus = None             # the rig's own connection to the session bus
        self.kwin_log = None         # kwin's standard error, where its scripts print
        self.kwin_input = None       # the rig's fake-input client on KWin (kwin_input.c)
        self.wine_booted = False     # the prefix's Windows session booted (wine.boot)
        self._kwin_scripts = 0
        self.on_stop = []            # steps of the desktop to undo first when the session stops
        self.wine_prefix = None      # on a wine session: its Wine prefix

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
            step(self)
        if self.accessibility:
            start_at_spi(self)

    def _folder(self, name):
        path = os.path.join(self.dir, name)
        os.mkdir(path, 0o700)
        return path

    def spawn(self, what, argv, env=None, **kwargs):
        """Starts a helper of the session, its output in the artifacts as WHAT.log; returns
        its Popen and that log."""
        log = os.path.join(self.artifacts, f"{what}.log")
        with open(log, "w") as out:
            proc = subprocess.Popen(argv, env=env or self.env, stdin=kwargs.pop("stdin", subprocess.DEVNULL),
                                    stdout=kwargs.pop("stdout", out), stderr=out,
                                    preexec_fn=die_with_rig, cwd=self.dir, **kwargs)
        self.started.append((what, proc))
        return proc, log

    def start_reporting(self, what, name, argv):
        """Starts a helper that says it is ready by writing a line to a pipe whose descriptor
        argv(fd) hands it, and returns that line; `name` is the helper's in a failure."""
        read_end, write_end = os.pipe()
        try:
            proc, log = self.spawn(what, argv(write_end), pass_fds=(write_end,))
            os.close(write_end)
            write_end = None
            return read_line(read_end, proc, name, log)
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)

    def start_bus(self, what, config):
        """A dbus-daemon of the session's own with that configuration (the daemon itself rather
        than dbus-launch, so that the rig holds its pid); returns its address."""
        path = os.path.join(self.dir, f"{what}.conf")
        with open(path, "w") as f:
            f.write(config)
        return self.start_reporting(what, f"dbus-daemon ({what})", lambda fd: [
            tool("dbus-daemon"), f"--config-file={path}", "--nofork", "--nopidfile", f"--print-address={fd}"])

    def _start_xvfb(self):
        number = self.start_reporting("xvfb", "Xvfb", lambda fd: [
            tool("Xvfb"), "-displayfd", str(fd), "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset"])
        self.display = f":{number}"
        self.env["DISPLAY"] = self.display
        self.x11 = X11(self.display)

    def _start_dbus(self):
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.start_bus("dbus", BUS_CONFIG)

    # -- what the desktop offers -----------------------------------------------------------

    def client_list(self):
        """The top-level windows that the window manager manages (_NET_CLIENT_LIST)."""
        text = self.xtool("xprop", "-root", "_NET_CLIENT_LIST")
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", text)]

    def trayer_panel(self):
        return next((w for w in map(int, self.xtool("xdotool", "search", "--class", "^trayer$").split())
                     if "panel" in self.xtool("xprop", "-id", str(w), "WM_CLASS")), None)

    def bus_name_owned(self, name):
        reply = self.xtool("dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                           "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{name}")
        return "boolean true" in reply

    def sni_host_registered(self):
        # A watcher still busy starting (kded5 loads its modules first) is not ready yet.
        try:
            reply = self.xtool("dbus-send", "--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
                               "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
                               "string:org.kde.StatusNotifierWatcher", "string:IsStatusNotifierHostRegistered")
        except RigFailure:
            return False
        return "boolean true" in reply

    def bus(self):
        """The rig's own connection to the session's bus (Gio), made on first use."""
        from gi.repository import Gio
        if self._bus is None:
            flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
            self._bus = Gio.DBusConnection.new_for_address_sync(self.env["DBUS_SESSION_BUS_ADDRESS"], flags, None, None)
        return self._bus

    def shell_eval(self, script, check=True):
        """What GNOME Shell's org.gnome.Shell.Eval makes of a JavaScript expression, from JSON
        (None when it could not answer and check is off)."""
        from gi.repository import GLib
        try:
            ok, text = self.bus().call_sync("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                                            GLib.Variant("(s)", (script,)), None, 0, 5000, None).unpack()
        except GLib.Error as failure:
            if check:
                raise RigFailure(f"org.gnome.Shell.Eval: {failure.message}") from None
            return None
        if not ok:
            if check:
                raise RigFailure(f"org.gnome.Shell.Eval of {script!r}: {text}")
            return None
        return json.loads(text) if text else None

    def kwin_script(self, body, check=True):
        """What a KWin script makes of `body` (the body of a JavaScript function that returns a
        value), from JSON: the script prints it on kwin's log after a mark of its own (None
        when kwin could not run it and check is off)."""
        from gi.repository import GLib
        self._kwin_scripts += 1
        mark = f"velmora-rig-{self._kwin_scripts}"
        path = os.path.join(self.dir, f"{mark}.js")
        with open(path, "w") as f:
            f.write(f'print("{mark} " + JSON.stringify((function () {{ {body} }})()));\n')

        def call(path, interface, method, args=None):
            return self.bus().call_sync("org.kde.KWin", path, interface, method, args, None, 0, 5000, None).unpack()
        try:
            (number,) = call("/Scripting", "org.kde.kwin.Scripting", "loadScript", GLib.Variant("(ss)", (path, mark)))
            try:
                call(release("kwin_script").format(number), "org.kde.kwin.Script", "run")
                deadline = time.monotonic() + 5.0
                while time.monotonic() < deadline:
                    with open(self.kwin_log, errors="replace") as log:
                        for line in log:
                            if f"{mark} " in line:
                                return json.loads(line.split(f"{mark} ", 1)[1])
                            if f"{path}:" in line and "error" in line:
                                raise RigFailure(f"KWin's script {mark} failed: {line.strip()}")
                    time.sleep(0.02)
                raise RigFailure(f"KWin ran the script {mark} but printed nothing within 5 s")
            finally:
                call("/Scripting", "org.kde.kwin.Scripting", "unloadScript", GLib.Variant("(s)", (mark,)))
        except GLib.Error as failure:
            if check:
                raise RigFailure(f"KWin's scripting: {failure.message}") from None
            return None

    def spawn_kwin_input(self, env):
        """Starts the rig's fake-input client on the compositor (kwin_input.c)."""
        path = os.environ.get("VELMORA_KWIN_INPUT", "")
        if not os.access(path, os.X_OK):
            raise RigFailure(f"cannot drive KWin: VELMORA_KWIN_INPUT names no program ({path!r}); "
                             "the e2e tests get it from CMake (target velmora_kwin_input)")
        proc, _log = self.spawn("kwin-input", [path], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        return proc

    def kwin_hand(self, *commands):
        """Pointer and key commands for the fake-input client, each taken by KWin before the
        next: "move X Y", "press 272", "release 272", "key 28"."""
        import select
        proc = self.kwin_input
        check(proc is not None and proc.poll() is None, "the rig's fake-input client on KWin is not running")
        for command in commands:
            proc.stdin.write(f"{command}\n".encode())
            proc.stdin.flush()
            ready, _, _ = select.select([proc.stdout], [], [], 5.0)
            answer = proc.stdout.readline().decode().strip() if ready else "(no answer within 5 s)"
            check(answer == "ok", f"KWin's fake input refused {command!r}: {answer}")

    def sway(self, what, *command, check=True):
        """swaymsg's answer, as JSON (None when it could not answer and check is off)."""
        text = self.xtool("swaymsg", "-r", "-t", what, *command, check=check)
        return json.loads(text) if text.strip() else None

    def sway_scale(self):
        outputs = [o for o in self.sway("get_outputs") if o.get("active")]
        check(len(outputs) == 1, f"expected one active output of sway, found {len(outputs)}")
        return outputs[0]["scale"]

    def wait_ready(self, what, proc, log, probe, timeout=START_TIMEOUT):
        """Waits until probe() holds; fails, with the helper's log, if the helper exits first
        or the timeout (START_TIMEOUT unless told) passes."""
        deadline = time.monotonic() + timeout
        while not probe():
            if proc.poll() is not None:
                raise RigFailure(f"{what}: the helper exited with status {proc.poll()}; its log:\n{tail(log)}")
            if time.monotonic() > deadline:
                raise RigFailure(f"{what}: not ready after {timeout:.0f} s; its log:\n{tail(log)}")
            time.sleep(0.05)

    # -- programs and tools ----------------------------------------------------------------

    def launch(self, argv, name=None, fake_time=None, env=None):
        """Starts a program in the session. fake_time is libfaketime's FAKETIME text:
        '@2013-04-12 09:00:00' starts the clock there and lets it run, '2013-04-03 14:25:07'
        freezes it. Timers keep real time either way (the monotonic clock is not faked)."""
        name = name or os.path.basename(argv[0])
        if self.kind.windows and argv[0].lower().endswith(".exe"):
            if fake_time is not None:
                wine.boot(self)
            argv = wine.program_argv(self, argv[0]) + list(argv[1:])
        program_env = dict(self.env)
        if self.kind.wayland:
            program_env.update(QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=self.wayland_socket)
            program_env.pop("DISPLAY", None)      # no way back to X11 behind the test's back
        elif self.scale != 1 and not self.kind.windows:   # Wine's scale is its prefix's LogPixels
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
                                     stderr=err, preexec_fn=die_with_rig, cwd=self.dir)
        program = Program(name, popen, stdout_path, stderr_path)
        self.programs.append(program)
        return program

    def xtool(self, *argv, timeout=5.0, check=False, env=None):
        """Runs a command-line tool against the session and returns its output ('' on failure
        unless check is set)."""
        return run_tool(argv, env or self.env, timeout, check)

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
            if self.kind.compositor == "kwin":
                self._kwin_screen(shot)
            elif self.wayland_socket:
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
            parts.append((f"{what} log", tail(os.path.join(self.artifacts, f"{what}.log"), 15)))
        return "\n".join(f"--- {title} ---\n{text.rstrip()}" for title, text in parts)

    def _kwin_screen(self, path):
        """KWin's picture of its whole screen as a PNG, for the report; nothing when it cannot."""
        import desktop
        try:
            desktop.capture_area(self, 0, 0, 1024 * self.scale, 768 * self.scale).save_png(path)
        except RigFailure:
            pass

    def stop(self):
        """Stops programs, then helpers in reverse start order; each by its pid (and the
        process group it leads), SIGTERM first, SIGKILL after a grace period."""
        previous = {s: signal.signal(s, signal.SIG_IGN) for s in (signal.SIGINT, signal.SIGTERM)}
        try:
            while self.on_stop:
                self.on_stop.pop()()
            for program in reversed(self.programs):
                program.stop()
            if self.x11:
                self.x11.close()
                self.x11 = None
            for _, proc in reversed(self.started):
                stop_process(proc)
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

