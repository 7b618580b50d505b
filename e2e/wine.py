"""The Windows program in a session of kind "wine": Wine's prefix, its server and its tools.

The prefix lives in the Windows build tree (VELMORA_WINDOWS_BUILD, which CMake hands the wine
rows) and is made once, before any clock is faked, by `wineboot -i`; one at scale 1 and one
whose LogPixels is 192 for scale 2. A session holds its prefix's lock for its whole life, so two
sessions never share one wineserver; it starts that wineserver itself (persistent, by pid,
unfaked, so a program under faketime joins a server on the real clock) and ends the prefix's
Windows processes with `wineserver -k` however the session ends.

The accessibility client msaa_dump.exe (tests/windows/) runs in the same prefix: it reads a
window's client object from outside, as a screen reader does, one JSON line per element.
"""

import fcntl
import json
import os
import socket
import subprocess
import time

from checks import RigFailure, check, scale_factor, wait_for
from processes import tool

# The prefixes' LogPixels by scale: 250 % and 300 % are where Main is wider than 514 pixels.
LOG_PIXELS = {1: 96, 2: 192, 2.5: 240, 3: 288}
# No Mono or Gecko installer dialog at the prefix's birth; no debug chatter.
WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
BOOT_TIMEOUT = 120.0          # seconds wineboot may take to make a prefix on a loaded machine
CLIENT_TIMEOUT = 20.0         # seconds one run of the accessibility client may take

# msaa_dump.exe's exit statuses (tests/windows/msaa_dump.cpp).
NO_WINDOW = 3


def windows_build():
    """The Windows build tree whose Velmora3-C.exe and tools the wine rows run."""
    folder = os.environ.get("VELMORA_WINDOWS_BUILD", "")
    if not folder or not os.path.isdir(folder):
        raise RigFailure("cannot start a wine session: VELMORA_WINDOWS_BUILD names no Windows build tree "
                         f"({folder!r}); configure the Linux build with -DVELMORA_WINDOWS_BUILD=...")
    return os.path.abspath(folder)


def windows_tool(name):
    path = os.path.join(windows_build(), "tests", "windows", name)
    if not os.path.isfile(path):
        raise RigFailure(f"cannot start a wine session: {path} is missing (build the target "
                         f"{os.path.splitext(name)[0]} in the Windows build)")
    return path


def prefix_for(scale):
    check(scale in LOG_PIXELS, f"no Wine prefix for scale {scale}; there are {sorted(LOG_PIXELS)}")
    return os.path.join(windows_build(), "wine-prefix-e2e" if scale == 1 else f"wine-prefix-e2e-x{scale}")


def _run(argv, env, what, timeout):
    try:
        done = subprocess.run(argv, env=env, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise RigFailure(f"{what}: {' '.join(argv)} did not finish within {timeout:.0f} s") from None
    if done.returncode != 0:
        raise RigFailure(f"{what}: {' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()[-2000:]}")
    return done.stdout


def make_prefix(prefix, scale, env):
    """Makes the prefix once (the caller holds its lock): wineboot with no display, the DPI of
    the scale, and no refresh later. Under faketime libfaketime fakes the files' times too, so
    Wine would take wine.inf for newer than the prefix and refresh it in the middle of a case;
    "disable" in .update-timestamp is Wine's own way to say never."""
    done = os.path.join(prefix, ".velmora-e2e-ready")
    if os.path.exists(done):
        return
    os.makedirs(prefix, exist_ok=True)
    boot_env = {k: v for k, v in env.items() if k not in ("DISPLAY", "LD_PRELOAD", "FAKETIME")}
    wine = tool("wine")
    _run([tool("wineboot"), "-i"], boot_env, "making the Wine prefix", BOOT_TIMEOUT)
    _run([wine, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
          "/d", str(LOG_PIXELS[scale]), "/f"], boot_env, "setting the prefix's LogPixels", BOOT_TIMEOUT)
    _run([tool("wineserver"), "-w"], boot_env, "waiting for the new prefix's processes", BOOT_TIMEOUT)
    with open(os.path.join(prefix, ".update-timestamp"), "w") as f:
        f.write("disable\n")
    open(done, "w").close()


def hold(prefix):
    """The prefix's lock, held (an open file; closing it lets the next holder in)."""
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    lock = open(prefix + ".lock", "w")
    deadline = time.monotonic() + BOOT_TIMEOUT
    while True:
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            return lock
        except BlockingIOError:
            if time.monotonic() > deadline:
                lock.close()
                raise RigFailure(f"the Wine prefix {prefix} stays locked by another session") from None
            time.sleep(0.2)


def make_prefixes(scales):
    """Makes the prefixes of the scales before any session needs them (CTest's fixture
    e2e.wine_prefixes), so that no case spends its time on wineboot. Wine links the prefix's
    user folders into HOME: a folder beside the prefix stands in for it."""
    for scale in scales:
        prefix = prefix_for(scale)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(WINE_ENV, WINEPREFIX=prefix, HOME=prefix + "-home")
        os.makedirs(env["HOME"], exist_ok=True)
        with hold(prefix):
            started = time.monotonic()
            make_prefix(prefix, scale, env)
            print(f"Wine prefix for scale {scale} ready in {time.monotonic() - started:.1f} s: {prefix}")


def server_socket(prefix):
    """Where the prefix's wineserver listens: TMP/server-DEV-INODE/socket, where TMP is
    /tmp/.wine-UID upstream; Debian's Wine picks a private folder under /tmp and names it in
    the prefix's file "wineserver"."""
    st = os.stat(prefix)
    folder = f"/tmp/.wine-{os.getuid()}"
    try:
        with open(os.path.join(prefix, "wineserver")) as f:
            folder = os.path.join("/tmp", f.read().strip())
    except OSError:
        pass
    return os.path.join(folder, f"server-{st.st_dev:x}-{st.st_ino:x}", "socket")


def start_wine(session):
    """The session's Wine: its prefix (made once, then locked for this session), the
    environment every program of the session gets, and a persistent wineserver of its own."""
    prefix = prefix_for(session.scale)
    lock = hold(prefix)
    session.on_stop.append(lock.close)          # closing the file lets the next session in
    session.env.update(WINE_ENV, WINEPREFIX=prefix, NO_FAKE_STAT="1")
    make_prefix(prefix, session.scale, session.env)
    # A server left over by a run that was killed outright goes first; then, when the session
    # stops, this one goes before the helpers: the prefix's Windows processes (the program,
    # explorer's tray, the services) with it.
    end_prefix(session)
    session.on_stop.append(lambda: end_prefix(session))
    proc, log = session.spawn("wineserver", [tool("wineserver"), "--foreground", "--persistent"])
    session.wait_ready("the wineserver to listen", proc, log, lambda: listening(server_socket(prefix)))
    session.wine_prefix = prefix


def boot(session):
    """Boots the prefix's Windows session (wineboot) on the real clock, once: a program that
    would start it under a frozen faked clock takes Wine 10's wineboot down with a division by
    zero. Only for such a program: the services it starts outlive a rig killed outright by more
    than the rig's own check allows (rig.interrupt_stops_everything)."""
    if session.wine_booted:
        return
    # The services it starts keep its output open: that goes to a log, not to a pipe.
    with open(os.path.join(session.artifacts, "wineboot.log"), "w") as out:
        try:
            done = subprocess.run([tool("wineboot")], env=session.env, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=out, timeout=BOOT_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise RigFailure(f"wineboot did not boot the prefix's session within {BOOT_TIMEOUT:.0f} s") from None
    check(done.returncode == 0, f"wineboot failed to boot the prefix's session ({done.returncode}); see wineboot.log")
    session.wine_booted = True


def listening(path):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
        try:
            probe.connect(path)
            return True
        except OSError:
            return False


def end_prefix(session):
    """Ends every process of the session's prefix and its wineserver (`wineserver -k`)."""
    try:
        subprocess.run([tool("wineserver"), "-k"], env=session.env, capture_output=True, timeout=15)
    except subprocess.TimeoutExpired:
        pass   # the helpers' own stop by pid follows


def program_argv(session, exe):
    """How the session starts a Windows program: through wine, in the session's prefix."""
    return [tool("wine"), exe]


def child_windows(session, title):
    """What a screen reader reads of a window made of child windows (a message box): a dict
    per child window (class, name, shown, icon, x, y, width, height), in the system's order;
    None while no window has that title."""
    objects = _client(session, ["--windows", title])
    return None if objects is None else objects[1:]


def accessible_objects(session, title):
    """What a screen reader reads of the top-level window titled so: its client object
    (index 0) and every child, as dicts (role, name, state, invisible, focusable, x, y, width,
    height); None while no window has that title."""
    return _client(session, [title])


def _client(session, args, timeout=CLIENT_TIMEOUT):
    """msaa_dump.exe's JSON lines for its arguments; None when it finds no such window."""
    env = {k: v for k, v in session.env.items() if k not in ("LD_PRELOAD", "FAKETIME")}
    argv = [tool("wine"), windows_tool("msaa_dump.exe"), *args]
    try:
        done = subprocess.run(argv, env=env, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise RigFailure(f"the accessibility client did not answer within {timeout:.0f} s") from None
    if done.returncode == NO_WINDOW:
        return None
    if done.returncode != 0:
        raise RigFailure(f"msaa_dump.exe {' '.join(args)!r} failed ({done.returncode}): "
                         f"{done.stderr.decode(errors='replace').strip()}")
    return [json.loads(line) for line in done.stdout.decode("utf-8").splitlines() if line.strip()]


def wait_settled(session, window, title, timeout=10.0):
    """Waits until the program answers a screen reader and Wine puts the window's client
    object where the X server has the window (a borderless one: the same rectangle)."""
    last = {}

    def agrees():
        g = window.geometry()
        objects = accessible_objects(session, title)
        if not g or not objects:
            return False
        o = objects[0]
        last.update(x=g.x, y=g.y, wine=(o["x"], o["y"], o["width"], o["height"]), invisible=o["invisible"])
        return not o["invisible"] and (o["x"], o["y"], o["width"], o["height"]) == (g.x, g.y, g.width, g.height)
    try:
        wait_for("Wine to place the window where the X server has it", agrees, timeout=timeout, step=0.1)
    except RigFailure:
        raise RigFailure(f"Wine never agreed with the X server on the window {title!r}: {last}") from None


def name_changes(session, title, seconds):
    """The name changes the window titled so raises while a reader's WinEvent hook, in a
    process of its own, listens for the given seconds: dicts (object, child, name); None
    while no window has that title."""
    return _client(session, ["--name-changes", title, str(seconds)], timeout=seconds + CLIENT_TIMEOUT)


def tooltips(session):
    """The tooltips shown on the screen now, as dicts (text, x, y, width, height)."""
    return _client(session, ["--tooltips"])


def end_session(session):
    """Ends the prefix's Windows session as a log-off does (`wineboot --end-session`): every
    program is asked whether it may end and told that it does (WM_QUERYENDSESSION,
    WM_ENDSESSION), then ended."""
    env = {k: v for k, v in session.env.items() if k not in ("LD_PRELOAD", "FAKETIME")}
    _run([tool("wineboot"), "--end-session"], env, "ending the Wine session", BOOT_TIMEOUT)


def work_area(session):
    """The desktop's work area (x, y, width, height) as the window manager publishes it
    (_NET_WORKAREA, desktop 0): where Wine puts a new window that the system places."""
    text = session.xtool("xprop", "-root", "_NET_WORKAREA", check=True)
    values = [int(v) for v in text.split("=", 1)[1].replace(",", " ").split()]
    check(len(values) >= 4, f"_NET_WORKAREA reads {text!r}")
    return tuple(values[:4])


if __name__ == "__main__":
    import sys
    if len(sys.argv) < 3 or sys.argv[1] != "--make-prefixes":
        sys.exit("usage: wine.py --make-prefixes SCALE...")
    try:
        make_prefixes([scale_factor(a) for a in sys.argv[2:]])
    except RigFailure as failure:
        sys.exit(f"FAIL {failure}")
