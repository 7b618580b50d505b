#!/usr/bin/python3
"""measure_wine.wine_processes against a made-up /proc: it must pick this prefix's Windows
processes and server by name, and nothing of another prefix, nor a zombie."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                                "bench", "process"))
import measure_wine  # noqa: E402

PREFIX = "/work/build/windows/wine-prefix-bench-session"
OTHER = "/work/other/wine-prefix-session"

# One row per process: pid, its WINEPREFIX (None: none set), state, argv.
# clang-format off
PROCESSES = [
    (101, PREFIX, "S", ["/work/build/windows/app/Velmora3-C.exe"]),
    (102, PREFIX, "S", ["C:\\windows\\system32\\explorer.exe", "/desktop"]),
    (103, PREFIX, "S", ["/usr/lib/wine/wineserver64", "-p0"]),
    (104, OTHER, "S", ["/usr/lib/wine/wineserver64", "-p0"]),             # another person's prefix
    (105, PREFIX + "-old", "S", ["C:\\bench\\velmora_floor_win32.exe"]),  # a prefix sharing the start
    (106, PREFIX, "Z", ["C:\\windows\\system32\\winedevice.exe"]),         # ended, not yet reaped
    (107, None, "S", ["/usr/bin/Xvfb", ":1"]),
    (108, PREFIX, "R", ["C:\\bench\\velmora_floor_win32.exe"]),
]
# clang-format on
EXPECTED = {101: "Velmora3-C.exe", 102: "explorer.exe", 103: "wineserver64", 108: "velmora_floor_win32.exe"}


class WineProcesses(unittest.TestCase):
    def setUp(self):
        self.proc = tempfile.mkdtemp()
        for pid, prefix, state, argv in PROCESSES:
            d = os.path.join(self.proc, str(pid))
            os.mkdir(d)
            env = ["HOME=/root"] + ([f"WINEPREFIX={prefix}"] if prefix else []) + ["DISPLAY=:1"]
            with open(f"{d}/environ", "wb") as f:
                f.write(b"\0".join(e.encode() for e in env) + b"\0")
            with open(f"{d}/stat", "w") as f:
                f.write(f"{pid} (some (odd) name) {state} 1 1 1\n")
            with open(f"{d}/cmdline", "wb") as f:
                f.write(b"\0".join(a.encode() for a in argv) + b"\0")
        os.mkdir(os.path.join(self.proc, "self"))  # not a pid

    def test_lists_this_prefix_live_processes_by_program_name(self):
        self.assertEqual(measure_wine.wine_processes(PREFIX, self.proc), EXPECTED)

    def test_a_process_gone_while_listing_is_skipped(self):
        os.remove(os.path.join(self.proc, "101", "cmdline"))
        want = {pid: name for pid, name in EXPECTED.items() if pid != 101}
        self.assertEqual(measure_wine.wine_processes(PREFIX, self.proc), want)


if __name__ == "__main__":
    unittest.main()
