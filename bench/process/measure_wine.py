#!/usr/bin/python3
"""Whole-process cost of Velmora3-C.exe under Wine, beside the Windows floor.

Runs inside `tests/windows/wine_run.sh --session PREFIX --`: one private X session (Xvfb,
openbox, trayer) and one private Wine prefix (WINEPREFIX). Side by side it runs
  - the program (Velmora3-C.exe),
  - the floor (velmora_floor_win32.exe: Main's empty window and two idle 100 ms timers),
both on one wall clock set to --date by libfaketime (the realtime clock only: Wine's timers
run on the monotonic clock, left alone), so the program has its whole work to do every tick.
Each is timed from its start to its window's map and first drawing by the X watcher
(velmora_xwatch map, through the X server alone). Each Windows process is one Linux process;
after a warm-up it reads over a window of
--seconds the CPU time of every thread (/proc/PID/task/*/schedstat) and the working set
(VmRSS, VmHWM) of each, and of the prefix's wineserver, which serves both. It does so with
the program shown, then after "T" has sent it to the tray with the pointer left resting where
"T" was ("rest"), then again with the pointer moved away ("tray"), and finally clicks its tray
icon to bring it back.

With --paint-floor it runs the paint floor beside them too (the floor's window painting two
digits once a second, velmora_paint_floor_win32.exe): what a window whose text changes once a
second costs Wine at the least, printed as its ratio to the floor, reported and not judged.

Prints a table, the size of each exe (give --program the exe that ships: stripped, as the
packages carry it) and the ratios program/floor shown and in the tray with their targets. Exits 1
when nothing can be measured (no session, a program ended, no window, "T" did nothing, no tray
icon), and with --check also when the program's working set is more than 40 MiB over the
floor's; CPU figures are printed, never judged, since they are noise on a busy machine.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "e2e"))
sys.path.insert(0, HERE)
import xwin  # noqa: E402
from checks import RigFailure  # noqa: E402
from measure import (COUNTING_DAY, FLOOR_TITLE, TARGETS, TITLE, TRAY_BUTTON, Sampler, verdict,  # noqa: E402
                     wait_map_state)
from procstat import cpu_ns  # noqa: E402
from processes import memory_kib, run_tool  # noqa: E402

FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
MAP_TIMEOUT_S = 30  # a first start in a prefix can take Wine seconds
OVER_FLOOR_LIMIT_KIB = 40 * 1024
REST_OVER_TRAY = 1.05
PAINT_FLOOR_TITLE = "velmora paint floor"  # bench/floor_win32 built with VELMORA_FLOOR_PAINTS


class Regression(Exception):
    pass


class Display:
    """The session wine_run.sh made, as the e2e window helpers (xwin) drive one."""

    def __init__(self, env):
        self.env = env

    def xtool(self, *argv, timeout=5.0, check=False, env=None):
        return run_tool(argv, env or self.env, timeout, check)


def wine_processes(prefix, proc="/proc"):
    """{pid: program name} of the live processes of this Wine prefix: those whose WINEPREFIX is
    prefix, named by the last part of their first argument (Windows processes show their exe's
    Windows path there, the server its own name). Other prefixes' processes and zombies are not
    listed."""
    found = {}
    want = b"WINEPREFIX=" + os.fsencode(os.path.abspath(prefix))
    for entry in os.listdir(proc):
        if not entry.isdigit():
            continue
        try:
            with open(f"{proc}/{entry}/environ", "rb") as f:
                if want not in f.read().split(b"\0"):
                    continue
            with open(f"{proc}/{entry}/stat") as f:
                if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                    continue
            with open(f"{proc}/{entry}/cmdline", "rb") as f:
                first = f.read().split(b"\0")[0].decode(errors="replace")
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            continue  # ended while we looked, or not ours to read
        if first:
            found[int(entry)] = first.replace("\\", "/").rsplit("/", 1)[-1]
    return found


def pid_named(prefix, name):
    """The one live process of the prefix whose program is name (case as Windows ignores it)."""
    pids = [pid for pid, n in wine_processes(prefix).items() if n.lower() == name.lower()]
    if len(pids) != 1:
        raise Regression(f"{len(pids)} processes {name} in {prefix}, not one")
    return pids[0]


class Watched:
    def __init__(self, name, exe, title, popen, pid, window, map_ms, paint_ms, size):
        self.name, self.exe, self.title = name, exe, title
        self.popen, self.pid, self.window, self.map_ms = popen, pid, window, map_ms
        self.paint_ms, self.size = paint_ms, size
        self.phases = {}  # phase -> {cpu ms/s, rss, hwm}

    def alive(self):
        with open(f"/proc/{self.pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"


def clock_env(date):
    if date == "now":
        return {}
    if not os.path.exists(FAKETIME):
        raise Regression(f"{FAKETIME} is missing (apt-get install faketime)")
    return {"LD_PRELOAD": FAKETIME, "FAKETIME": f"@{date}", "FAKETIME_DONT_FAKE_MONOTONIC": "1"}


def start(display, prefix, name, exe_path, title, env, logs, xwatch):
    """Starts the program and times it to its window's map and first drawing, as the X server
    sees them. Its output goes to a file, never to a pipe: the Wine processes it starts in turn
    (explorer.exe, which hosts the tray) write to the same stream for as long as the session
    lasts, and a pipe nobody reads could fill and stop them."""
    log_path = os.path.join(logs, f"{name}.log")
    times = {}
    with Sampler(display, [xwatch, "map", title, str(MAP_TIMEOUT_S)]) as watcher:
        if watcher.stdout.readline().strip() != b"ready":
            raise Regression(f"the X watcher did not start for {name}")
        t0 = time.monotonic_ns()
        with open(log_path, "wb") as log:
            popen = subprocess.Popen(["wine", exe_path], env={**display.env, **env}, stdin=subprocess.DEVNULL,
                                     stdout=log, stderr=subprocess.STDOUT)
        # "mapped 0xID NS", then "painted 0xID NS"; the watcher ends after the second or at
        # its time limit.
        for line in watcher.stdout:
            what, _, ns = line.decode().split()
            times[what] = (int(ns) - t0) / 1e6
    if "mapped" not in times or popen.poll() is not None:
        with open(log_path, errors="replace") as log:
            status = "still runs" if popen.poll() is None else f"ended with status {popen.returncode}"
            raise Regression(f'{name}: no window "{title}" mapped within {MAP_TIMEOUT_S} s; it {status}: '
                             f"{log.read()[-2000:]}")
    windows = xwin.windows_named(display, title, only_visible=True)
    if not windows:
        raise Regression(f'{name}: the window "{title}" was mapped and is not shown')
    exe = os.path.basename(exe_path)
    return Watched(name, exe, title, popen, pid_named(prefix, exe), windows[0], times["mapped"],
                   times.get("painted"), os.path.getsize(exe_path))


def measure_phase(phase, watched, server, seconds):
    t0 = time.monotonic()
    begin = {w.name: cpu_ns(w.pid) for w in watched}
    server_begin = cpu_ns(server)
    time.sleep(seconds)
    wall = time.monotonic() - t0
    for w in watched:
        if not w.alive():
            raise Regression(f"{w.name} ended during the {phase} window")
        rss, hwm = memory_kib(w.pid)
        w.phases[phase] = {"cpu": (cpu_ns(w.pid) - begin[w.name]) / 1e6 / wall, "rss": rss, "hwm": hwm}
    return (cpu_ns(server) - server_begin) / 1e6 / wall


def bring_back(display, icon, window, tries=3):
    """Clicks the tray icon until the window is shown again; returns the clicks it took, or None
    when it stayed hidden. The pointer rests on the icon a moment first: Wine's tray can lose a
    press that comes with the pointer's arrival. Only a window still hidden a few seconds after
    a click is clicked again."""
    for attempt in range(1, tries + 1):
        display.xtool("xdotool", "mousemove", "--window", str(icon), "10", "10", check=True)
        time.sleep(0.3)
        display.xtool("xdotool", "click", "1", check=True)
        if wait_map_state(display, window, "IsViewable", timeout=3):
            return attempt
    return None


def ratios(program, floor):
    """(label, program/floor, target) for CPU shown and in the tray; the floor stays shown."""
    rows = [("CPU shown / floor", program.phases["shown"]["cpu"] / floor.phases["shown"]["cpu"],
             TARGETS["shown/floor"])]
    if "tray" in program.phases:
        rows.append(("CPU in tray / floor", program.phases["tray"]["cpu"] / floor.phases["tray"]["cpu"],
                     TARGETS["tray/floor"]))
    if "rest" in program.phases and "tray" in program.phases:
        # The pointer left where "T" was costs the program nothing more than the tray.
        rows.append(("CPU pointer at rest / tray", program.phases["rest"]["cpu"] / program.phases["tray"]["cpu"],
                     REST_OVER_TRAY))
    return rows


def print_table(program, floor, server_cpu, paint_floor=None):
    mib = lambda kib: f"{kib / 1024:.1f}"  # noqa: E731
    print()
    print(f"{'process':<25}{'phase':<7}{'CPU ms/s':>9}{'WS MiB':>9}{'peak MiB':>9}")
    for w in (program, floor) + ((paint_floor,) if paint_floor else ()):
        for phase, p in w.phases.items():
            print(f"{w.exe:<25}{phase:<7}{p['cpu']:>9.2f}{mib(p['rss']):>9}{mib(p['hwm']):>9}")
    for phase, cpu in server_cpu.items():
        print(f"{'wineserver':<25}{phase:<7}{cpu:>9.2f}   (the prefix's server, for both)")
    print()
    ms = lambda w: "never" if w.paint_ms is None else f"{w.paint_ms:.0f}"  # noqa: E731
    print(f"{'time to window ms':<30}{program.exe}: {program.map_ms:.0f}   {floor.exe}: {floor.map_ms:.0f}")
    print(f"{'time to first paint ms':<30}{program.exe}: {ms(program)}   {floor.exe}: {ms(floor)}")
    print(f"{'exe size KiB':<30}{program.exe}: {program.size / 1024:.0f}   {floor.exe}: {floor.size / 1024:.0f}")
    for label, value, target in ratios(program, floor):
        print(f"{label:<30}{value:>7.2f}   target <= {target:<5} {verdict(value <= target)}")
    if paint_floor:
        # What Wine's paint of one changed second costs a window that does nothing else.
        value = paint_floor.phases["shown"]["cpu"] / floor.phases["shown"]["cpu"]
        print(f"{'paint floor shown / floor':<30}{value:>7.2f}   (reported: Wine's cost of one paint a second)")
    over = (max(p["rss"] for p in program.phases.values()) - max(p["rss"] for p in floor.phases.values())) / 1024
    print(f"{'working set MiB over floor':<30}{over:>7.1f}   target <= {TARGETS['rss_over_floor_mib']:<5} "
          f"{verdict(over <= TARGETS['rss_over_floor_mib'])}")
    return over


def measure(display, prefix, args):
    env = clock_env(args.date)
    # The prefix's server and desktop process start on the real clock, before the programs.
    subprocess.run(["wineserver", "-p"], env=display.env)  # fails only when it already runs
    # The prefix brought up to date and its services started before anything is timed, so the
    # programs start as in a session that is up: a first Wine program of a session otherwise
    # waits seconds for that.
    subprocess.run(["wineboot"], env=display.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=MAP_TIMEOUT_S * 4)
    watched = []
    try:
        program = start(display, prefix, "program", args.program, TITLE, env, args.logs, args.xwatch)
        watched.append(program)
        floor = start(display, prefix, "floor", args.floor, FLOOR_TITLE, env, args.logs, args.xwatch)
        watched.append(floor)
        paint_floor = None
        if args.paint_floor:
            paint_floor = start(display, prefix, "paint floor", args.paint_floor, PAINT_FLOOR_TITLE, env, args.logs,
                                args.xwatch)
            watched.append(paint_floor)
        servers = [pid for pid, n in wine_processes(prefix).items() if n.startswith("wineserver")]
        if len(servers) != 1:
            raise Regression(f"{len(servers)} wineservers for {prefix}, not one")
        server = servers[0]
        time.sleep(args.warmup)
        icons = xwin.tray_icons(display, "explorer.exe")
        if len(icons) != 1:
            raise Regression(f"{len(icons)} icons in the tray, not the program's one")
        server_cpu = {}
        for phase in ("shown", "rest", "tray"):
            if phase == "rest":
                xwin.activate(display, program.window)  # above the floor, so "T" gets the click
                xwin.click(display, program.window, *TRAY_BUTTON)
                if not wait_map_state(display, program.window, "IsUnMapped"):
                    raise Regression('"T" did not send the window to the tray (it is still mapped)')
                # First with the pointer left resting where "T" was, over the hidden window.
                time.sleep(min(args.warmup, 2))
            if phase == "tray":
                # Then the pointer moves on, as a person's does.
                xwin.park_pointer(display)
                time.sleep(min(args.warmup, 2))
            server_cpu[phase] = measure_phase(phase, watched, server, args.seconds)
        clicks = bring_back(display, icons[0].window, program.window)
        over = print_table(program, floor, server_cpu, paint_floor)
        # Reported, not judged: beside the floor, Wine's tray mostly stops bringing the window
        # back after "T" (the end-to-end tray rows own that behaviour); the figures above stand
        # either way.
        print(f"{'tray icon clicks to bring back':<30}{'-' if clicks is None else clicks:>7}   target 1       "
              f"{verdict(clicks == 1)}")
        print(f"the programs' output: {args.logs}")
        if args.check and over * 1024 > OVER_FLOOR_LIMIT_KIB:
            raise Regression(f"the program's working set is {over:.1f} MiB over the floor's, over 40 MiB")
        if program.paint_ms is None:
            raise Regression("the program's window was never drawn")
        return 0
    finally:
        for w in watched:
            if w.popen.poll() is None:
                w.popen.kill()  # the Windows process is the one wine was started as
            w.popen.wait()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--program", required=True, help="Velmora3-C.exe")
    ap.add_argument("--floor", required=True, help="velmora_floor_win32.exe")
    ap.add_argument("--paint-floor", help="velmora_paint_floor_win32.exe, run beside them (optional)")
    ap.add_argument("--xwatch", required=True, help="the velmora_xwatch executable of the Linux build")
    ap.add_argument("--seconds", type=float, default=60, help="length of each measuring window (60)")
    ap.add_argument("--warmup", type=float, default=5, help="seconds before the first window (5)")
    ap.add_argument("--date", default=COUNTING_DAY,
                    help=f'the clock\'s start, local time ("{COUNTING_DAY}"), or "now" for the real clock')
    ap.add_argument("--check", action="store_true", help="exit 1 on a gross regression")
    ap.add_argument("--logs", help="folder for the programs' output (a fresh temporary one)")
    args = ap.parse_args()
    args.logs = args.logs or tempfile.mkdtemp(prefix="velmora-measure-wine-")
    os.makedirs(args.logs, exist_ok=True)
    prefix = os.environ.get("WINEPREFIX")
    if not prefix or not os.environ.get("DISPLAY"):
        print("measure_wine.py: no session; run it under tests/windows/wine_run.sh --session PREFIX --",
              file=sys.stderr)
        return 1
    args.program, args.floor = os.path.abspath(args.program), os.path.abspath(args.floor)
    args.xwatch = os.path.abspath(args.xwatch)
    if args.paint_floor:
        args.paint_floor = os.path.abspath(args.paint_floor)
    try:
        return measure(Display(dict(os.environ)), prefix, args)
    except (Regression, RigFailure) as e:
        print(f"measure_wine.py: {e}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
