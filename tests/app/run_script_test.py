#!/usr/bin/env python3
"""./run as a newcomer meets it. A wrong option or date: one line on stderr and a non-zero
status, before anything is installed, built or started. No display: ./run brings up a
virtual desktop, names the screenshot it writes, writes one that shows the window within
a few seconds, and takes the whole session down on Ctrl-C (SIGINT to its process group, as
a terminal sends it) or on SIGTERM to the script alone.

Usage: run_script_test.py BUILD_DIR Options|NoDisplay
"""
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "e2e"))

from processes import MARKER, session_processes  # noqa: E402
from xwin import parse_ppm  # noqa: E402

RUN = os.path.join(SOURCE, "run")
BUILD = None
MAIN_TITLE = "time until zindlefest"
SCREEN = (1024, 768)
CAPTION_ROWS = 16         # the window's caption strip, in pixels: its text and buttons never change
SCREENSHOT_WITHIN = 10.0  # seconds from ./run's word to a screenshot that shows the window
# What the session must not inherit from the caller's desktop.
DROPPED = ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "LD_PRELOAD",
           "FAKETIME", "QT_QPA_PLATFORM")


def command_name(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return None


class Options(unittest.TestCase):
    def test_a_wrong_option_or_date_gets_one_line_and_a_non_zero_status(self):
        cases = [
            ("--at without a date", ["--at"], "--at needs a date and time"),
            ("--at with an empty date", ["--at", ""], "--at needs a date and time"),
            ("a date without a time", ["--at", "2013-04-03"], "is not of the form"),
            ("no leading zeros", ["--at", "2013-4-3 14:25:07"], "is not of the form"),
            ("words", ["--at", "next friday"], "is not of the form"),
            ("no 30 February", ["--at", "2013-02-30 10:00:00"], "is not a real local date and time"),
            ("no hour 24", ["--at", "2013-04-03 24:00:00"], "is not a real local date and time"),
            ("no second 60", ["--at=2013-04-03 23:59:60"], "is not a real local date and time"),
            ("an unknown option", ["--help"], "unknown option '--help'"),
            ("an argument after the date", ["--at", "2013-04-03 14:25:07", "now"], "unexpected argument 'now'"),
        ]
        for what, args, says in cases:
            with self.subTest(what):
                started = time.monotonic()
                done = subprocess.run([RUN, *args], capture_output=True, text=True, timeout=30,
                                      stdin=subprocess.DEVNULL)
                took = time.monotonic() - started
                self.assertEqual(done.returncode, 2, done.stderr)
                lines = done.stderr.splitlines()
                self.assertEqual(len(lines), 1, done.stderr)
                self.assertTrue(lines[0].startswith("./run: "), lines[0])
                self.assertIn(says, lines[0])
                self.assertIn("usage: ./run [--at 'YYYY-MM-DD HH:MM:SS']", lines[0])
                self.assertEqual(done.stdout, "", "it went on to install or build")
                self.assertLess(took, 5.0, "it went on to install or build")


class NoDisplay(unittest.TestCase):
    def start(self, args):
        """./run in a process group of its own, as from a terminal, with no display; returns it
        and the marker its whole session carries in the environment."""
        scratch = tempfile.TemporaryDirectory(prefix="velmora-run-test.")
        self.addCleanup(scratch.cleanup)
        marker = scratch.name
        env = {k: v for k, v in os.environ.items() if k not in DROPPED and not k.startswith("QT_")}
        env.update({MARKER: marker, "VELMORA_BUILD_DIR": BUILD})
        self.stderr = os.path.join(marker, "stderr")
        with open(self.stderr, "w") as err:
            run = subprocess.Popen([RUN, *args], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=err, start_new_session=True)
        self.addCleanup(self.end_everything, run, marker)
        return run, marker

    def said_on_stderr(self):
        with open(self.stderr, errors="replace") as f:
            return f.read()

    def end_everything(self, run, marker):
        """After a failure: nothing of the session may outlive the test."""
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(run.pid, sig)
            except ProcessLookupError:
                pass
            for pid in session_processes(marker):
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            try:
                run.wait(3)
                break
            except subprocess.TimeoutExpired:
                continue
        run.stdout.close()

    def read_until(self, run, pattern, timeout):
        """./run's standard output up to the first match of pattern; fails if it ends first."""
        out = b""
        fd = run.stdout.fileno()
        deadline = time.monotonic() + timeout
        while not re.search(pattern, out.decode(errors="replace")):
            left = deadline - time.monotonic()
            if left <= 0:
                self.fail(f"./run did not say {pattern!r} within {timeout:.0f} s; it said:\n{out.decode()}")
            if select.select([fd], [], [], min(left, 0.5))[0]:
                chunk = os.read(fd, 4096)
                if not chunk:
                    self.fail(f"./run ended (status {run.wait()}) before saying {pattern!r}:\n{out.decode()}"
                              f"{self.said_on_stderr()}")
                out += chunk
        return out.decode()

    def x(self, display, *argv, text=True, check=True):
        done = subprocess.run(argv, env={"DISPLAY": display, "PATH": os.environ["PATH"]}, capture_output=True,
                              text=text, timeout=20)
        if check:
            self.assertEqual(done.returncode, 0, f"{' '.join(argv)}: {done.stderr}")
        return done.stdout if done.returncode == 0 else None

    def window(self, display):
        """The main window's place on the screen and its caption strip as it is drawn now;
        None while it is not there."""
        info = self.x(display, "xwininfo", "-name", MAIN_TITLE, check=False)
        if info is None or "IsViewable" not in info:
            return None
        number = {k: int(re.search(rf"{k}:\s+(-?\d+)", info).group(1))
                  for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width")}
        window_id = re.search(r"Window id: (0x[0-9a-f]+)", info).group(1)
        strip = self.x(display, "import", "-window", window_id, "-crop", f"{number['Width']}x{CAPTION_ROWS}+0+0",
                       "+repage", "-depth", "8", "ppm:-", text=False)
        return number["Absolute upper-left X"], number["Absolute upper-left Y"], parse_ppm(strip)

    def screenshot_shows(self, path, display):
        """Whether the file is a whole PNG of the screen whose pixels where the window lies are
        the window's caption strip."""
        try:
            with open(path, "rb") as f:
                head = f.read(24)
        except FileNotFoundError:
            return False
        self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG")
        self.assertEqual((int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")), SCREEN)
        window = self.window(display)
        if window is None:
            return False
        x, y, strip = window
        shown = parse_ppm(self.x(display, "convert", f"png:{path}", "-crop", f"{strip.width}x{strip.height}+{x}+{y}",
                                 "+repage", "-depth", "8", "ppm:-", text=False))
        return shown.pixels == strip.pixels

    def test_without_a_display_the_screenshot_shows_the_window_and_a_signal_ends_the_session(self):
        cases = [
            ("Ctrl-C, clock moved", ["--at", "2013-04-03 14:25:07"], signal.SIGINT, True),
            ("SIGTERM to the script", [], signal.SIGTERM, False),
        ]
        for what, args, sig, to_group in cases:
            with self.subTest(what):
                run, marker = self.start(args)
                said = self.read_until(run, r"Press Ctrl-C", timeout=60)
                display = re.search(r"virtual desktop \((:\d+),", said).group(1)
                path = re.search(r"at the screenshot (/\S+/screen\.png),", said).group(1)
                told = time.monotonic()
                while not self.screenshot_shows(path, display):
                    if run.poll() is not None:
                        self.fail(f"./run ended with {run.poll()}: {self.said_on_stderr()}")
                    self.assertLess(time.monotonic() - told, SCREENSHOT_WITHIN,
                                    f"no screenshot of the window at {path} {SCREENSHOT_WITHIN:.0f} s after "
                                    f"./run named it")
                    time.sleep(0.2)
                took = time.monotonic() - told
                helpers = session_processes(marker)
                names = {command_name(pid) for pid in helpers}
                self.assertLessEqual({"Xvfb", "dbus-daemon", "openbox", "trayer", "velmora3-c"}, names)
                (os.killpg if to_group else os.kill)(run.pid, sig)
                try:
                    status = run.wait(10)
                except subprocess.TimeoutExpired:
                    self.fail(f"./run still runs 10 s after {sig.name}")
                self.assertEqual(status, 130, f"./run ended with {status} on {sig.name}")
                deadline = time.monotonic() + 3
                while session_processes(marker) and time.monotonic() < deadline:
                    time.sleep(0.05)
                self.assertEqual(session_processes(marker), [], "processes of the session outlive ./run")
                self.assertFalse(os.path.exists(os.path.dirname(path)), "the session's folder is left behind")
                print(f"{what}: the window in {path} {took:.1f} s after ./run named it; {len(helpers)} processes, "
                      f"none left after {sig.name}")


if __name__ == "__main__":
    if len(sys.argv) < 2 or not os.path.isdir(sys.argv[1]):
        sys.exit(f"usage: {sys.argv[0]} BUILD_DIR [TEST...]")
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
