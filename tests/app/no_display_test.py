#!/usr/bin/env python3
"""The real program started where no display can be opened: one line on stderr naming the
display, a non-zero status and no abort; a platform chosen by hand still starts.

Usage: no_display_test.py PROGRAM
"""
import os
import signal
import subprocess
import sys
import tempfile
import unittest

PROGRAM = None
NO_SOCKET = "velmora-no-such-socket"
# Kept from the caller: the sanitizer build reads its options from these.
PASSED_ON = ("PATH", "HOME", "LANG", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS")


def unused_display():
    """An X display number that no server holds on this machine."""
    for n in range(91, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    raise RuntimeError("every X display number from :91 to :199 is taken")


class NoDisplay(unittest.TestCase):
    def start(self, env, args=()):
        scratch = tempfile.TemporaryDirectory(prefix="velmora-nodisplay.")
        self.addCleanup(scratch.cleanup)
        runtime = os.path.join(scratch.name, "runtime")
        os.mkdir(runtime, 0o700)
        full = {k: os.environ[k] for k in PASSED_ON if k in os.environ}
        full.update(XDG_RUNTIME_DIR=runtime, **env)
        proc = subprocess.Popen([PROGRAM, *args], env=full, cwd=scratch.name, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        return proc, scratch.name

    def test_without_a_display_it_says_so_in_one_line_and_fails(self):
        display = unused_display()
        cases = [
            ("neither DISPLAY nor WAYLAND_DISPLAY", {}, "(DISPLAY not set, WAYLAND_DISPLAY not set)"),
            ("an X display no server holds", {"DISPLAY": display}, f"(DISPLAY={display}, WAYLAND_DISPLAY not set)"),
            ("a Wayland socket that is not there", {"WAYLAND_DISPLAY": NO_SOCKET},
             f"(DISPLAY not set, WAYLAND_DISPLAY={NO_SOCKET})"),
            ("Wayland chosen by hand, no compositor", {"WAYLAND_DISPLAY": NO_SOCKET, "QT_QPA_PLATFORM": "wayland"},
             f"(DISPLAY not set, WAYLAND_DISPLAY={NO_SOCKET}, QT_QPA_PLATFORM=wayland)"),
        ]
        for what, env, names in cases:
            with self.subTest(what):
                proc, folder = self.start(env)
                try:
                    out, err = proc.communicate(timeout=60)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.communicate()
                    self.fail("still running after 60 s without a display")
                if proc.returncode < 0:
                    self.fail(f"ended by {signal.Signals(-proc.returncode).name}: {err}")
                self.assertNotEqual(proc.returncode, 0, err)
                lines = err.splitlines()
                self.assertEqual(len(lines), 1, f"stderr has {len(lines)} lines:\n{err}")
                self.assertTrue(lines[0].startswith(f"velmora3-c: cannot open a display {names}: "), lines[0])
                self.assertEqual(out, "")
                self.assertEqual([f for f in os.listdir(folder) if f.startswith("core")], [])

    def test_a_platform_chosen_by_hand_still_starts(self):
        display = unused_display()
        cases = [
            ("QT_QPA_PLATFORM=offscreen", {"DISPLAY": display, "QT_QPA_PLATFORM": "offscreen"}, ()),
            ("-platform offscreen", {"DISPLAY": display}, ("-platform", "offscreen")),
        ]
        for what, env, args in cases:
            with self.subTest(what):
                proc, _ = self.start(env, args)
                try:
                    out, err = proc.communicate(timeout=3)
                    self.fail(f"ended with status {proc.returncode} instead of running on:\n{err}")
                except subprocess.TimeoutExpired:
                    proc.terminate()
                    out, err = proc.communicate()
                self.assertNotIn("cannot open a display", err)


if __name__ == "__main__":
    if len(sys.argv) != 2 or not os.access(sys.argv[1], os.X_OK):
        sys.exit(f"usage: {sys.argv[0]} PROGRAM (an executable velmora3-c)")
    PROGRAM = sys.argv.pop(1)
    unittest.main(verbosity=2)
