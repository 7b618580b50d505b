#!/usr/bin/python3
"""Tests of the rig itself: a session comes up whole, records what is handed to the desktop,
goes away without a trace on every path (done, failed, interrupted, killed, out of time), and
fails loudly when its X server or a helper cannot start.

    test_rig.py CASE [--artifacts DIR]
"""

import json
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import desktop  # noqa: E402
import wine     # noqa: E402
import xwin     # noqa: E402
from checks import RigFailure, check, wait_for   # noqa: E402
from processes import session_processes          # noqa: E402
from runner import run_cases                     # noqa: E402

HERE = os.path.abspath(__file__)
TOKEN = "VELMORA_E2E_RIG_TEST_TOKEN"


# -- helpers ---------------------------------------------------------------------------------

def alive(pid):
    """True while the process exists and is not a zombie."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def processes_with(name, value):
    needle = f"{name}={value}".encode()
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in f.read().split(b"\0") and alive(int(entry)):
                    found.append(int(entry))
        except OSError:
            pass
    return found


def child(case, artifacts, env=None, budget=30, kind="xembed", args=()):
    """Starts this file's hidden case in a process of its own, tagged with a fresh token that
    every process of its session inherits."""
    token = uuid.uuid4().hex
    child_env = dict(os.environ, **(env or {}), **{TOKEN: token})
    proc = subprocess.Popen(["/usr/bin/python3", HERE, case, "--artifacts", artifacts, "--budget", str(budget),
                             "--kind", kind, *args],
                            env=child_env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    return proc, token


def read_session_line(proc):
    """The JSON line that _hold_session prints once its session is up."""
    line = proc.stdout.readline()
    if not line.startswith("{"):
        proc.wait(30)
        raise RigFailure(f"the held session did not come up: {line!r}\n{proc.stderr.read()}")
    return json.loads(line)


def no_trace_of(session_info, token, within=5.0):
    wait_for("every process of the session to end",
             lambda: not any(alive(pid) for pid in session_info["pids"]) and not processes_with(TOKEN, token),
             timeout=within)
    socket = f"/tmp/.X11-unix/X{session_info['display'].lstrip(':')}"
    wait_for(f"the X server's socket {socket} to go", lambda: not os.path.exists(socket), timeout=within)
    for folder in (session_info["dir"], session_info.get("compositor_dir")):
        check(not folder or not os.path.exists(folder), f"the session folder {folder} is still there")


def fake_tools(folder, **scripts):
    """A folder of stand-in tools (name=shell text), to go first on PATH."""
    os.makedirs(folder, exist_ok=True)
    for name, body in scripts.items():
        path = os.path.join(folder, name)
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body + "\n")
        os.chmod(path, 0o755)
    return folder


# -- hidden cases, run in a child process by the cases below -----------------------------------

def _hold_session(context):
    """Starts a session, says so on stdout, and holds it until stopped."""
    with context.session() as session:
        info = {"pids": session.pids(), "display": session.display, "dir": session.dir,
                "compositor_dir": session.compositor_dir}
        print(json.dumps(info), flush=True)
        while True:
            time.sleep(0.1)


def _start_session(context):
    with context.session():
        pass


def _run_program(context):
    """Starts the program in a session and leaves it running when the case is done."""
    with context.session() as session:
        session.launch([context.program], name="fake")
        time.sleep(0.3)


def _end_on_usr1(session):
    """This file's way of ending a program as a person would: SIGUSR1."""
    for program in session.programs:
        program.popen.send_signal(signal.SIGUSR1)
        status = program.wait_exit(5.0)
        check(status == 0, f"the program ended with status {status}")


# -- cases -----------------------------------------------------------------------------------

def _xembed_desktop(session):
    check(session.trayer_panel() in session.client_list(), "openbox does not manage trayer's panel")
    check(session.x11.selection_owner("_NET_SYSTEM_TRAY_S0"), "nobody owns the tray selection")
    check(not session.bus_name_owned("org.kde.StatusNotifierWatcher"), "an SNI watcher runs beside trayer")
    check(len(xwin.tray_icons(session, "velmora3-c")) == 0, "the fresh tray holds an icon")


def _sni_desktop(session):
    check(session.x11.selection_owner("WM_S0"), "no window manager owns WM_S0")
    check(session.sni_host_registered(), "no StatusNotifierHost is registered")
    check(desktop.SniItem(session).items() == [], "the fresh watcher lists items")


def _sway_desktop(session):
    check(os.path.exists(session.wayland_socket), f"no Wayland socket at {session.wayland_socket}")
    check(session.sway_scale() == session.scale, f"sway's output runs at scale {session.sway_scale()}")
    outputs = [o for o in session.sway("get_outputs") if o["active"]]
    mode = outputs[0]["current_mode"]
    check((mode["width"], mode["height"]) == (1024, 768), f"sway's output is {mode}, not the Xvfb screen")
    bars = session.sway("get_bar_config")
    if session.kind.tray:
        check(len(bars) == 1, f"expected one bar, sway has {bars}")
        check(session.sni_host_registered(), "swaybar registered no StatusNotifierHost")
        check(desktop.SniItem(session).items() == [], "the fresh watcher lists items")
    else:
        check(bars == [], f"a bare sway has bars: {bars}")
        check(not session.bus_name_owned("org.kde.StatusNotifierWatcher"), "a bare sway has an SNI watcher")


def _plasma_desktop(session):
    check(os.path.exists(session.wayland_socket), f"no Wayland socket at {session.wayland_socket}")
    screen = session.kwin_script("return [workspace.virtualScreenSize.width, workspace.virtualScreenSize.height];")
    check(screen == [1024, 768], f"KWin's screen is {screen}, not 1024 x 768 logical pixels")
    check(session.sni_host_registered(), "plasmashell registered no StatusNotifierHost")
    check(desktop.SniItem(session).items() == [], "the fresh watcher lists items")
    # The rig's hand reaches the compositor: a pointer move is taken.
    session.kwin_hand("move 10 10")
    where = session.kwin_script("return [workspace.cursorPos.x, workspace.cursorPos.y];")
    check(where == [10, 10], f"the fake pointer moved to {where}, not (10, 10)")


def _wine_desktop(session):
    """The X11 desktop with trayer, the prefix's wineserver serving it, and a Windows program
    of Wine's own mapping a window (which brings up Wine's services and explorer, for the
    stop to end)."""
    _xembed_desktop(session)
    check(session.wine_prefix and wine.listening(wine.server_socket(session.wine_prefix)),
          f"no wineserver listens for the prefix {session.wine_prefix}")
    session.launch(["notepad.exe"], name="notepad")
    wait_for("Wine's notepad to map its window",
             lambda: xwin.windows_named(session, "Untitled - Notepad", only_visible=True), timeout=20.0)


DESKTOP_CHECKS = {"xembed": _xembed_desktop, "sni": _sni_desktop, "sway": _sway_desktop, "bare-sway": _sway_desktop,
                  "plasma": _plasma_desktop, "wine": _wine_desktop}


def session_starts_and_stops_cleanly(context):
    """Inside: an X server, the kind's desktop (window manager or compositor, tray host or
    none; Wine's server), a private bus and runtime folder, the fake opener first on PATH.
    After: no process, socket or folder is left, and no wineserver serves the prefix."""
    with context.session() as session:
        info = {"pids": session.pids(), "display": session.display, "dir": session.dir,
                "compositor_dir": session.compositor_dir, "prefix": session.wine_prefix}
        check(session.xtool("xdpyinfo").find("1024x768 pixels") >= 0, "the screen is not 1024 x 768")
        DESKTOP_CHECKS[session.kind.name](session)
        info["pids"] = session.pids()
        check("org.freedesktop.DBus" in session.xtool("dbus-send", "--session", "--print-reply",
                                                       "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                       "org.freedesktop.DBus.ListNames"),
              "the session bus does not answer")
        check(session.env["DBUS_SESSION_BUS_ADDRESS"] != os.environ.get("DBUS_SESSION_BUS_ADDRESS"),
              "the session uses the outer bus")
        runtime = os.stat(session.env["XDG_RUNTIME_DIR"])
        check(stat.S_IMODE(runtime.st_mode) == 0o700 and runtime.st_uid == os.getuid(),
              f"XDG_RUNTIME_DIR has mode {oct(runtime.st_mode)}")
        opener = shutil.which("xdg-open", path=session.env["PATH"])
        check(opener and opener.startswith(session.dir), f"the first xdg-open on PATH is {opener}")
        check(session.env["BROWSER"] == opener, "BROWSER does not name the fake opener")
    token_free = [pid for pid in info["pids"] if alive(pid)]
    check(not token_free, f"still running after the session: {token_free}")
    check(not session_processes(info["dir"]), "processes with the session's marker are left")
    for folder in (info["dir"], info["compositor_dir"]):
        check(not folder or not os.path.exists(folder), f"the session folder {folder} is left")
    check(not os.path.exists(f"/tmp/.X11-unix/X{info['display'].lstrip(':')}"), "the X socket is left")
    check(not info["prefix"] or not wine.listening(wine.server_socket(info["prefix"])),
          f"a wineserver still serves the prefix {info['prefix']}")


def fake_opener_records_addresses(context):
    """What a program hands to xdg-open or $BROWSER lands in the capture, one call a line,
    arguments intact; nothing is opened."""
    with context.session() as session:
        calls = [
            ["xdg-open", "https://www.facebook.com/VelmoraFest"],
            ["xdg-open", "mailto:someone@example.org?subject=a b"],
            [session.env["BROWSER"], "http://example.org", "--new-window"],
        ]
        for argv in calls:
            done = subprocess.run(argv, env=session.env, timeout=5)
            check(done.returncode == 0, f"{argv} exited with {done.returncode}")
        expected = [argv[1:] for argv in calls]
        check(session.handed_to_desktop() == expected,
              f"captured {session.handed_to_desktop()}, expected {expected}")


def interrupt_stops_everything(context):
    """SIGINT, SIGTERM and the case's own deadline stop the session in order; SIGKILL of the
    rig takes its helpers with it."""
    for how in ("SIGINT", "SIGTERM", "deadline", "SIGKILL"):
        proc, token = child("_hold_session", os.path.join(context.artifacts, how),
                            budget=4 if how == "deadline" else 30, kind=context.kind)
        try:
            info = read_session_line(proc)
            dead = [pid for pid in info["pids"] if not alive(pid)]
            check(not dead, f"{how}: helpers {dead} of {info['pids']} died on their own")
            if how != "deadline":
                proc.send_signal(getattr(signal, how))
            _, stderr = proc.communicate(timeout=15)
            status = proc.returncode
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        check(status != 0, f"{how}: the interrupted rig reported success")
        if how in ("SIGINT", "SIGTERM", "deadline"):
            check("FAIL _hold_session: stopped by signal" in stderr,
                  f"{how}: the rig did not say why it stopped")
            no_trace_of(info, token)
        else:
            # Nothing of the rig ran after SIGKILL: the helpers end by their death signal; the
            # session folder stays behind in /tmp, so only the processes are checked.
            wait_for("the killed rig's helpers to end",
                     lambda: not any(alive(pid) for pid in info["pids"]) and not processes_with(TOKEN, token))
            for folder in (info["dir"], info["compositor_dir"]):
                if folder:
                    shutil.rmtree(folder, ignore_errors=True)


def broken_helpers_fail_loudly(context):
    """A missing or failing X server, a window manager that dies at start, or a Wine that
    cannot serve, makes the test fail with a message that names it, and leaves nothing running."""
    tools = tempfile.mkdtemp(prefix="velmora-e2e-tools-")
    try:
        empty = fake_tools(os.path.join(tools, "empty"))
        failing_x = fake_tools(os.path.join(tools, "failing-x"), Xvfb="echo 'cannot open display' >&2; exit 1")
        silent_x = fake_tools(os.path.join(tools, "silent-x"), Xvfb="exec sleep 60")
        failing_wm = fake_tools(os.path.join(tools, "failing-wm"), openbox="echo 'openbox: no theme' >&2; exit 3")
        silent_panel = fake_tools(os.path.join(tools, "silent-panel"), **{"xfce4-panel": "exec sleep 60"})
        failing_sway = fake_tools(os.path.join(tools, "failing-sway"), sway="echo 'sway: no backend' >&2; exit 1")
        failing_wineserver = fake_tools(os.path.join(tools, "failing-wineserver"),
                                        wineserver="echo 'wineserver: bad prefix' >&2; exit 1")
        # A Windows build tree whose prefix is made, as far as the rig can tell.
        windows_build = os.path.join(tools, "windows-build")
        os.makedirs(os.path.join(windows_build, "wine-prefix-e2e"))
        open(os.path.join(windows_build, "wine-prefix-e2e", ".velmora-e2e-ready"), "w").close()
        # The tools folder is the rig user's; a compositor run as another user finds its stand-in
        # all the same.
        os.chmod(tools, 0o755)
        cases = [
            ("no Xvfb at all", "xembed", empty, "Xvfb is not installed"),
            ("Xvfb exits at once", "xembed", failing_x, "Xvfb exited (status 1) before it was ready"),
            ("Xvfb never reports a display", "xembed", silent_x, "Xvfb did not report ready within 2 s"),
            ("openbox exits at start", "xembed", failing_wm,
             "openbox to own the window manager selection: the helper exited"),
            ("xfce4-panel never hosts", "sni", silent_panel,
             "xfce4-panel to own the StatusNotifierWatcher: not ready after 2 s"),
            ("sway exits at start", "sway", failing_sway, "sway to open its sockets: the helper exited"),
            ("no Windows build named", "wine", failing_wineserver, "VELMORA_WINDOWS_BUILD names no Windows build",
             {"VELMORA_WINDOWS_BUILD": ""}),
            ("wineserver exits at start", "wine", failing_wineserver, "the wineserver to listen: the helper exited",
             {"VELMORA_WINDOWS_BUILD": windows_build}),
        ]
        for what, kind, folder, message, *env in cases:
            path = folder if folder is empty else folder + os.pathsep + os.environ["PATH"]
            proc, token = child("_start_session", os.path.join(context.artifacts, what.replace(" ", "-")),
                                env={"PATH": path, "VELMORA_E2E_START_TIMEOUT": "2", **(env[0] if env else {})},
                                kind=kind)
            try:
                _, stderr = proc.communicate(timeout=30)
            except subprocess.TimeoutExpired:
                proc.kill()
                raise RigFailure(f"{what}: the rig hung instead of failing") from None
            check(proc.returncode == 1, f"{what}: the rig exited with {proc.returncode}, not 1")
            check(message in stderr, f"{what}: expected {message!r} in the failure, got:\n{stderr}")
            wait_for(f"{what}: no process of the session left", lambda: not processes_with(TOKEN, token))
    finally:
        shutil.rmtree(tools, ignore_errors=True)


# The opening line of each sanitizer's report, as the program writes it to standard error.
LEAK = "==7==ERROR: LeakSanitizer: detected memory leaks\n\nDirect leak of 7 byte(s) in 1 object(s)\n" \
       "SUMMARY: AddressSanitizer: 7 byte(s) leaked in 1 allocation(s)."
BAD_READ = "=================================================================\n" \
           "==7==ERROR: AddressSanitizer: heap-buffer-overflow on address 0x602000000014\nREAD of size 4"
OVERFLOW = "main.cpp:3:5: runtime error: signed integer overflow: 2147483647 + 1"
NOTE = "velmora3-c: countdown run stopped: the clock could not be read"


def sanitizer_reports_fail_the_case(context):
    """A sanitizer's report on the program's standard error fails the case and is printed,
    whether the program goes on, ends by itself or ends at the rig's request (--sanitized:
    the report comes at exit, after the case); a run whose output holds none passes; a
    sanitized run of a program built without the sanitizers, or without their options, fails."""
    options = {"ASAN_OPTIONS": "detect_leaks=1", "LSAN_OPTIONS": "suppressions=/dev/null",
               "UBSAN_OPTIONS": "halt_on_error=1"}
    # what, what the program writes before SIGUSR1, at SIGUSR1 (then it ends with 0),
    # sanitized run, its options, what the rig must print (None: the case passes)
    table = [
        ("clean", NOTE, "", True, options, None),
        ("leak at exit", NOTE, LEAK, True, options, "Direct leak of 7 byte(s)"),
        ("undefined behaviour survived", OVERFLOW, "", True, options, "signed integer overflow: 2147483647 + 1"),
        ("bad read, ordinary run", BAD_READ, "", False, {}, "READ of size 4"),
        ("clean, ordinary run, left running", NOTE, LEAK, False, {}, None),
        ("no sanitizer options", NOTE, "", True, {}, "--sanitized needs detect_leaks=1 in ASAN_OPTIONS"),
        ("not a sanitizer build", NOTE, "", True, options, "is not built with the sanitizers"),
    ]
    folder = tempfile.mkdtemp(prefix="velmora-e2e-fake-")
    try:
        for what, before, at_end, sanitized, env, printed in table:
            program = os.path.join(folder, what.replace(" ", "-").replace(",", ""))
            with open(program, "w") as f:
                if what != "not a sanitizer build":
                    f.write("#!/bin/sh\n# stands in for a program linked with __asan_init and __ubsan_handle_*\n")
                else:
                    f.write("#!/bin/sh\n")
                f.write(f"trap 'printf \"%s\\n\" \"$END\" >&2; exit 0' USR1\n"
                        f"printf '%s\\n' \"$BEFORE\" >&2\nwhile :; do sleep 0.05; done\n")
            os.chmod(program, 0o755)
            end = at_end if at_end else "(ends)"
            args = ["--program", program] + (["--sanitized"] if sanitized else [])
            proc, _ = child("_run_program", os.path.join(context.artifacts, os.path.basename(program)),
                            env=dict(env, BEFORE=before, END=end), args=args)
            out, err = proc.communicate(timeout=30)
            if printed is None:
                check(proc.returncode == 0, f"{what}: the case failed:\n{err}")
            else:
                check(proc.returncode == 1, f"{what}: the case exited with {proc.returncode}, not 1:\n{out}{err}")
                check(printed in err, f"{what}: {printed!r} is not in what the rig printed:\n{err}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def window_tree_is_parsed(context):
    """Names with blanks, quotes and colons, classes, nesting and negative positions come out
    of xwininfo's tree text as they went in."""
    text = '''
xwininfo: Window id: 0x50d (the root window) (has no name)

  Root window id: 0x50d (the root window) (has no name)
  Parent window id: 0x0 (none)
     3 children:
     0x60001f "trayer": ()  10x10+-100+-100  +-100+-100
     0x400261 (has no name): ()  120x24+904+0  +904+0
        1 child:
        0x600003 "panel": ("panel" "trayer")  120x24+0+0  +904+0
           1 child:
           0x600026 (has no name): ()  22x22+97+1  +1001+1
              1 child:
              0x800006 "velmora3-c": ("velmora3-c" "velmora3-c")  22x22+0+0  +1001+1
     0x80000e "a "quoted": name": ("probe" "Probe")  257x145+0+0  +323+311
'''
    root = xwin.parse_tree(text)
    top = [(n.window, n.name, n.wm_class) for n in root.children]
    check(top == [(0x60001f, "trayer", ()), (0x400261, "", ()), (0x80000e, 'a "quoted": name', ("probe", "Probe"))],
          f"top level read as {top}")
    check(root.children[0].x == -100 and root.children[2].y == 311, "positions misread")
    chain = [n.window for n in root.children[1].walk()]
    check(chain == [0x400261, 0x600003, 0x600026, 0x800006], f"nesting read as {[hex(w) for w in chain]}")
    icon = root.children[1].children[0].children[0].children[0]
    check((icon.width, icon.height, icon.x, icon.y) == (22, 22, 1001, 1), f"icon geometry read as {icon}")


def images_are_read(context):
    """A PPM with a comment and odd widths reads back pixel by pixel; bad ones are refused."""
    pixels = bytes(range(3 * 3 * 2))
    image = xwin.parse_ppm(b"P6\n# made by hand\n3 2\n255\n" + pixels)
    check((image.width, image.height) == (3, 2), f"size read as {image.width} x {image.height}")
    check(image.at(0, 0) == (0, 1, 2) and image.at(2, 1) == (15, 16, 17), "pixels misplaced")
    check(abs(image.share(0, 0, 3, 2, lambda r, g, b: r >= 9) - 0.5) < 1e-9, "share miscounted")
    for bad in (b"P5\n3 2\n255\n" + pixels, b"P6\n3 2\n65535\n" + pixels, b"P6\n3 2\n255\n" + pixels[:-1]):
        try:
            xwin.parse_ppm(bad)
        except RigFailure:
            continue
        raise RigFailure(f"accepted a bad image {bad[:12]!r}")


CASES = {f.__name__: f for f in (
    session_starts_and_stops_cleanly, fake_opener_records_addresses, interrupt_stops_everything,
    broken_helpers_fail_loudly, sanitizer_reports_fail_the_case, window_tree_is_parsed, images_are_read,
    _hold_session, _start_session, _run_program)}

if __name__ == "__main__":
    sys.exit(run_cases(CASES, finish=_end_on_usr1))
