#!/usr/bin/python3
"""Whole-process cost of the countdown on a real X server, beside two yardsticks.

On one private session (Xvfb, openbox, trayer) it runs side by side
  - the program (velmora3-c),
  - the floor (velmora_floor: the same empty window and two idle 100 ms timers),
  - the peer (xclock -update 1, a small clock that redraws once a second),
  - with --yardstick, the floor showing one changing digit in the sentence's face (floor --digit),
all three on one wall clock moved to --date by our own preload (bench/clockshift: a constant
added to the realtime clock, no system call, no lock), so the program has its whole work to
do every tick. It times each one's start to its window being mapped and first drawn, then,
after a warm-up, reads over a window of --seconds: CPU time of every thread
(/proc/PID/task/*/schedstat, first field), VmRSS and VmHWM (/proc/PID/status), and the
repaints of each window and the area they covered, counted from outside through the X Damage
extension. It does so with the program shown, then again after "T" has sent it to the tray,
and finally clicks the tray icon to bring it back.

Prints a table, then the ratios program/floor and the other figures with their targets. It
exits 1 when nothing can be measured (no X session, the program ended, no window, "T" or the
tray icon did nothing), and with --check also when resident memory reaches 40 MiB; CPU figures
are printed, never judged, since they are noise on a busy machine.
"""

import argparse
import calendar
import os
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "e2e"))
import rig  # noqa: E402
import xwin  # noqa: E402
from procstat import SyscallCounter, cpu_ns, thread_rates, threads  # noqa: E402
from processes import memory_kib  # noqa: E402
from checks import RigFailure  # noqa: E402

TITLE = "time until zindlefest"
FLOOR_TITLE = "velmora floor"
YARDSTICK_TITLE = "velmora yardstick"
PEER_TITLE = "xclock"
TRAY_BUTTON = (229, 10)  # "T", in window pixels
RSS_LIMIT_KIB = 40 * 1024
# A day on which the countdown does its whole work every tick (in December of a year other
# than 2012 and 2013 every run stops at the December rule and the sentence never changes).
COUNTING_DAY = "2013-04-03 14:25:07"
MAP_TIMEOUT_S = 20  # a loaded machine can take seconds to start one

# What the program should cost; printed beside the figures.
TARGETS = {
    "shown/floor": 1.2,
    "shown/peer": 3.0,
    "tray/floor": 1.05,
    "rss_over_floor_mib": 4,
    "repaints_shown": 60,  # per minute
    "repaints_tray": 0,
    "map_ms": 300,
}
# The sentence's glyphs that change in a second: the last digit of the seconds, and once in ten
# seconds the one before it (the minutes' digits once a minute). A digit of the 26.25-point
# face is at most 24 x 40 pixels at 96 dpi, with a pixel of overhang each side; averaged over
# a minute that is 1.2 digits a second.
CHANGED_GLYPHS_PX_PER_S = 1.2 * 26 * 40


class Regression(Exception):
    pass


class Sampler:
    """A short-lived helper of ours in the session, stopped by its pid if it outlives us."""

    def __init__(self, session, argv):
        self.proc = subprocess.Popen(argv, env=session.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)

    def __enter__(self):
        return self.proc

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.proc.stdout.close()


class Watched:
    def __init__(self, name, title, program):
        self.name, self.title, self.program = name, title, program
        self.pid = program.pid
        self.window = None
        self.map_ms = self.paint_ms = None
        self.phases = {}  # phase -> {cpu, rss, hwm, notifies, frames, minutes}
        self.threads = {}  # phase -> {tid: (name, cpu µs/s, wakeups/s, voluntary switches/s, syscalls/s)}

    def alive(self):
        return self.program.running()

    def status(self):
        return self.program.popen.returncode


# -- the steps -------------------------------------------------------------------------------
def start_timed(session, xwatch, name, title, argv, env=None):
    """Starts argv and times it to its window's map and first drawing."""
    with Sampler(session, [xwatch, "map", title, str(MAP_TIMEOUT_S)]) as watcher:
        if watcher.stdout.readline().strip() != b"ready":
            raise Regression(f"the X watcher did not start for {name}")
        t0 = time.monotonic_ns()
        w = Watched(name, title, session.launch(argv, name=name, env=env))
        for line in watcher.stdout:
            what, window, ns = line.decode().split()
            w.window = int(window, 16)
            setattr(w, "map_ms" if what == "mapped" else "paint_ms", (int(ns) - t0) / 1e6)
    if w.window is None or w.map_ms is None:
        raise Regression(f"{name}: no window titled {title!r} was mapped within {MAP_TIMEOUT_S} s"
                         + ("" if w.alive() else f" (it ended with status {w.status()})"))
    return w


def measure_phase(session, xwatch, phase, watched, seconds, wakeups=False):
    with Sampler(session, [xwatch, "damage", str(seconds)] + [hex(w.window) for w in watched]) as damage:
        time.sleep(0.1)  # the watcher's own settling time, before the CPU window opens
        counters = {w.name: SyscallCounter(w.pid, seconds) for w in watched} if wakeups else {}
        t0 = time.monotonic()
        start = {w.name: cpu_ns(w.pid) for w in watched}
        per_thread = {w.name: threads(w.pid) for w in watched} if wakeups else {}
        time.sleep(seconds)
        wall = time.monotonic() - t0
        for w in watched:
            if wakeups and w.alive():
                syscalls = counters[w.name].result()
                rates = thread_rates(per_thread[w.name], threads(w.pid), wall)
                w.threads[phase] = {tid: r + (None if syscalls is None else syscalls.get(tid, 0) / seconds,)
                                    for tid, r in rates.items()}
        for w in watched:
            if not w.alive():
                raise Regression(f"{w.name} ended during the {phase} window, status {w.status()}")
            rss, hwm = memory_kib(w.pid)
            w.phases[phase] = {"cpu": (cpu_ns(w.pid) - start[w.name]) / 1e6 / wall, "rss": rss, "hwm": hwm}
        out, _ = damage.communicate(timeout=10)
    # "0xID notifies N frames M area A largest L"
    counts = {int(parts[0], 16): tuple(map(int, parts[2::2])) for parts in map(str.split, out.decode().splitlines())}
    for w in watched:
        notifies, frames, area, largest = counts.get(w.window, (None,) * 4)
        w.phases[phase].update(notifies=notifies, frames=frames, area=area, largest=largest, minutes=seconds / 60)


def wait_map_state(session, window, state, timeout=5):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        g = xwin.geometry(session, window)
        if g is not None and g.map_state == state:
            return True
        time.sleep(0.05)
    return False


# -- the table -------------------------------------------------------------------------------
def verdict(ok):
    return "ok" if ok else "MISSED"


def print_threads(watched):
    """Per thread and phase: CPU, wakeups, voluntary switches and system calls per second."""
    print()
    print(f"{'process':<12}{'phase':<7}{'thread':<18}{'CPU us/s':>9}{'wakeups/s':>10}{'vol.sw/s':>9}"
          f"{'syscalls/s':>11}")
    for w in watched:
        for phase, rows in w.threads.items():
            total = [0.0, 0.0, 0.0, 0.0]
            for tid, (name, cpu, wake, vol, sys_) in sorted(rows.items()):
                sc = "-" if sys_ is None else f"{sys_:.1f}"
                print(f"{w.name:<12}{phase:<7}{name[:17]:<18}{cpu:>9.0f}{wake:>10.1f}{vol:>9.1f}{sc:>11}")
                total = [t + (v or 0) for t, v in zip(total, (cpu, wake, vol, sys_))]
            print(f"{w.name:<12}{phase:<7}{'(all)':<18}{total[0]:>9.0f}{total[1]:>10.1f}{total[2]:>9.1f}"
                  f"{total[3]:>11.1f}")


def print_table(program, floor, peer, xvfb_cpu, yardstick=None):
    mib = lambda kib: f"{kib / 1024:.1f}"  # noqa: E731
    print()
    print(f"{'process':<12}{'phase':<7}{'CPU ms/s':>9}{'RSS MiB':>9}{'HWM MiB':>9}{'repaints/min':>14}"
          f"{'notifies/min':>14}{'px/s':>8}{'largest px':>12}")
    for w in (program, floor, peer) + ((yardstick,) if yardstick else ()):
        for phase, p in w.phases.items():
            rep = "-" if p["frames"] is None else f"{p['frames'] / p['minutes']:.0f}"
            notes = "-" if p["notifies"] is None else f"{p['notifies'] / p['minutes']:.0f}"
            area = "-" if p["area"] is None else f"{p['area'] / p['minutes'] / 60:.0f}"
            largest = "-" if p["largest"] is None else f"{p['largest']}"
            print(f"{w.name:<12}{phase:<7}{p['cpu']:>9.2f}{mib(p['rss']):>9}{mib(p['hwm']):>9}{rep:>14}{notes:>14}"
                  f"{area:>8}{largest:>12}")
    for phase, cpu in xvfb_cpu.items():
        print(f"{'Xvfb':<12}{phase:<7}{cpu:>9.2f}   (the X server, for all its clients)")
    print()
    def start_figures(map_ms, paint_ms):
        return "".join(f"{w.name}: {map_ms(w):.0f} / {paint_ms(w):.0f} ms   " if paint_ms(w) is not None else
                       f"{w.name}: {map_ms(w):.0f} ms   " for w in (program, floor, peer))
    print(f"{'time to map / first drawing':<30}" + start_figures(lambda w: w.map_ms, lambda w: w.paint_ms))
    print()
    shown, tray = program.phases["shown"], program.phases.get("tray")
    lines = [
        ("CPU shown / floor", shown["cpu"] / floor.phases["shown"]["cpu"], TARGETS["shown/floor"]),
        ("CPU shown / peer", shown["cpu"] / peer.phases["shown"]["cpu"], TARGETS["shown/peer"]),
    ]
    if tray:
        lines.append(("CPU in tray / floor", tray["cpu"] / floor.phases["tray"]["cpu"], TARGETS["tray/floor"]))
    for label, value, target in lines:
        print(f"{label:<30}{value:>7.2f}   target <= {target:<5} {verdict(value <= target)}")
    if yardstick:
        # The least a Widgets program pays to show one changing digit, against the floor: over
        # the shown target's 1.2, that target is out of reach of any Widgets program.
        ys = yardstick.phases["shown"]["cpu"]
        print(f"{'CPU yardstick / floor':<30}{ys / floor.phases['shown']['cpu']:>7.2f}   "
              f"(the least for one changing digit)")
        print(f"{'CPU shown / yardstick':<30}{shown['cpu'] / ys:>7.2f}")
        if "tray" in yardstick.phases:
            print(f"{'CPU yardstick / floor, tray':<30}"
                  f"{yardstick.phases['tray']['cpu'] / floor.phases['tray']['cpu']:>7.2f}   (both shown)")
    rep_shown = shown["frames"] / shown["minutes"]
    print(f"{'repaints/min shown':<30}{rep_shown:>7.0f}   target <= {TARGETS['repaints_shown']:<5} "
          f"{verdict(rep_shown <= TARGETS['repaints_shown'])}")
    if tray:
        rep_tray = tray["frames"] / tray["minutes"]
        print(f"{'repaints/min in tray':<30}{rep_tray:>7.0f}   target == 0     {verdict(rep_tray == 0)}")
    area = shown["area"] / shown["minutes"] / 60
    print(f"{'area repainted px/s shown':<30}{area:>7.0f}   target <= {CHANGED_GLYPHS_PX_PER_S:<5.0f} "
          f"{verdict(area <= CHANGED_GLYPHS_PX_PER_S)}")
    rss = max(p["rss"] for p in program.phases.values())
    floor_rss = max(p["rss"] for p in floor.phases.values())
    over = (rss - floor_rss) / 1024
    print(f"{'RSS MiB over the floor':<30}{over:>7.1f}   target <= {TARGETS['rss_over_floor_mib']:<5} "
          f"{verdict(over <= TARGETS['rss_over_floor_mib'])}")
    print(f"{'RSS MiB (largest)':<30}{rss / 1024:>7.1f}   target < 40    {verdict(rss < RSS_LIMIT_KIB)}")
    print(f"{'time to map ms':<30}{program.map_ms:>7.0f}   target < 300   {verdict(program.map_ms < 300)}")


# -- main ------------------------------------------------------------------------------------
def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--program", required=True, help="the velmora3-c executable")
    ap.add_argument("--floor", required=True, help="the velmora_floor executable")
    ap.add_argument("--xwatch", required=True, help="the velmora_xwatch executable")
    ap.add_argument("--clockshift", required=True, help="the libvelmora_clockshift.so preload")
    ap.add_argument("--seconds", type=float, default=60, help="length of each measuring window (60)")
    ap.add_argument("--warmup", type=float, default=5, help="seconds before the first window (5)")
    ap.add_argument("--date", default=COUNTING_DAY,
                    help=f'the clock\'s start, local time ("{COUNTING_DAY}"), or "now" for the real clock')
    ap.add_argument("--check", action="store_true", help="exit 1 on a gross regression")
    ap.add_argument("--yardstick", action="store_true",
                    help="also run the floor with --digit (one changing digit in the sentence's face) beside the others")
    ap.add_argument("--wakeups", action="store_true",
                    help="also print, per thread: wakeups, voluntary switches and system calls per second "
                         "(the last counted by perf stat, when perf is there)")
    ap.add_argument("--artifacts", help="folder for the session's logs (a fresh temporary one)")
    args = ap.parse_args()
    for name in ("program", "floor", "xwatch", "clockshift"):  # the session's programs start in a folder of their own
        setattr(args, name, os.path.abspath(getattr(args, name)))

    artifacts = args.artifacts or tempfile.mkdtemp(prefix="velmora-measure-")
    try:
        with rig.Session("measure", artifacts) as session:
            try:
                return measure(session, args)
            except Regression as e:
                print(f"measure.py: {e}", file=sys.stderr)
                print(session.report(), file=sys.stderr)
                return 1
    except RigFailure as e:
        print(f"measure.py: {e}", file=sys.stderr)
        return 1


def clock_env(date, clockshift):
    """All three processes run on one wall clock, moved from now to `date` (UTC, the session's
    time zone) by a constant, at real speed; "now" leaves the clock alone."""
    if date == "now":
        return {}
    if not os.path.exists(clockshift):
        raise Regression(f"{clockshift} is missing (build the target velmora_clockshift)")
    at = calendar.timegm(time.strptime(date, "%Y-%m-%d %H:%M:%S"))
    return {"LD_PRELOAD": clockshift, "VELMORA_CLOCK_OFFSET": str(round(at - time.time()))}


def measure(session, args):
    env = clock_env(args.date, args.clockshift)
    launches = [("velmora3-c", TITLE, [args.program]), ("floor", FLOOR_TITLE, [args.floor]),
                ("xclock", PEER_TITLE, ["xclock", "-update", "1"])]
    if args.yardstick:
        launches.append(("yardstick", YARDSTICK_TITLE, [args.floor, "--digit"]))
    watched = [start_timed(session, args.xwatch, name, title, argv, env) for name, title, argv in launches]
    program, floor, peer = watched[:3]
    yardstick = watched[3] if args.yardstick else None
    xvfb_pid = session.started[0][1].pid
    xvfb_cpu = {}

    time.sleep(args.warmup)
    icons = xwin.tray_icons(session, "velmora3-c")
    if len(icons) != 1:
        raise Regression(f"the program has {len(icons)} icons in the tray, not one")
    for phase in ("shown", "tray"):
        if phase == "tray":
            xwin.activate(session, program.window)  # above the others, so "T" gets the click
            xwin.click(session, program.window, *TRAY_BUTTON)
            if not wait_map_state(session, program.window, "IsUnMapped"):
                raise Regression('"T" did not send the window to the tray (it is still mapped)')
            time.sleep(min(args.warmup, 2))
        x0, t0 = cpu_ns(xvfb_pid), time.monotonic()
        measure_phase(session, args.xwatch, phase, watched, args.seconds, args.wakeups)
        xvfb_cpu[phase] = (cpu_ns(xvfb_pid) - x0) / 1e6 / (time.monotonic() - t0)

    # Back from the tray with a click on the program's icon.
    xwin.click(session, icons[0].window, 10, 10)
    if not wait_map_state(session, program.window, "IsViewable"):
        raise Regression("a click on the tray icon did not bring the window back")

    print_table(program, floor, peer, xvfb_cpu, yardstick)
    if args.wakeups:
        print_threads(watched)
    if not program.alive():
        raise Regression(f"the program ended, status {program.status()}")
    rss = max(p["rss"] for p in program.phases.values())
    if args.check and rss >= RSS_LIMIT_KIB:
        raise Regression(f"resident memory {rss / 1024:.1f} MiB, over 40 MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
