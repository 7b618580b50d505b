#!/usr/bin/env python3
"""fresh.py's judgement on made-up screens (ImageMagick draws them from the reference picture)
and its reading of the README's Windows steps: no root, no session, a second or two."""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import fresh  # noqa: E402

REFERENCE = os.path.join(os.path.dirname(os.path.dirname(HERE)), "e2e", "reference", "main-window.png")


class Judge(unittest.TestCase):
    def screen(self, *draw, at="+300+200", size="1024x768", picture=REFERENCE):
        """A screen of that size with the picture at that place, then drawn over (x, y of the
        picture's own corner)."""
        path = os.path.join(self.scratch.name, f"screen{len(os.listdir(self.scratch.name))}.png")
        x, y = (int(v) for v in at[1:].split("+"))
        argv = ["convert", "-size", size, "xc:#303030", picture, "-geometry", at, "-composite"]
        for colour, (x0, y0, x1, y1) in draw:
            argv += ["-fill", colour, "-draw", f"rectangle {x + x0},{y + y0} {x + x1 - 1},{y + y1 - 1}"]
        subprocess.run(argv + [f"png:{path}"], check=True)
        return path

    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.reference = fresh.read_picture(REFERENCE)

    def tearDown(self):
        self.scratch.cleanup()

    def test_main_counting_passes_and_anything_else_fails(self):
        cases = [
            # what, screen, None when it passes or a word of what the judge must say
            ("Main as the reference", self.screen(), None),
            ("Main at the screen's corner", self.screen(at="+0+0"), None),
            ("other seconds", self.screen(("white", (120, 68, 250, 92))), None),
            ("the title a shade off in a few pixels", self.screen(("#d0d0d0", (60, 4, 62, 12))), None),
            ("no window", self.screen(at="+2000+2000"), "no window"),
            ("a smaller screen", self.screen(size="800x600"), "not the screen's"),
            ("another first line", self.screen(("white", (10, 28, 60, 55))), "differ"),
            ("another day count", self.screen(("black", (60, 28, 80, 55))), "differ"),
            ("no \"Until Velmora Fest\"", self.screen(("black", (10, 108, 180, 129))), "differ"),
            ("\"Minutes, and\" missing", self.screen(("black", (10, 68, 110, 92))), "differ"),
        ]
        for what, path, says in cases:
            with self.subTest(what):
                verdict = fresh.judge(path, self.reference)
                if says is None:
                    self.assertIsNone(verdict)
                else:
                    self.assertIsNotNone(verdict)
                    self.assertIn(says, verdict)

    def test_a_file_being_written_is_no_picture_yet(self):
        path = os.path.join(self.scratch.name, "half.png")
        with open(REFERENCE, "rb") as whole, open(path, "wb") as half:
            half.write(whole.read(100))
        self.assertEqual(fresh.judge(path, self.reference), "no whole picture yet")


class RemoveRoot(unittest.TestCase):
    def test_what_is_bound_into_a_root_outlives_its_removal(self):
        self.assertEqual(os.geteuid(), 0, "mounting needs root, as the fresh tests do")
        with tempfile.TemporaryDirectory() as scratch:
            host = os.path.join(scratch, "host")
            os.makedirs(os.path.join(host, "inner"))
            canary = os.path.join(host, "inner", "canary")
            with open(canary, "w") as f:
                f.write("the host's\n")
            root = os.path.join(scratch, "root")
            for folder in ("dev", "sys", "var/cache"):
                os.makedirs(os.path.join(root, folder))
            mounts = [["--bind", root, root], ["--rbind", host, f"{root}/dev"], ["--bind", host, f"{root}/var/cache"],
                      ["-t", "tmpfs", "tmpfs", f"{root}/dev/inner"]]
            try:
                for argv in mounts:
                    subprocess.run(["mount", *argv], check=True)
                self.assertEqual(len(fresh.mounts_under(root)), 4)
                fresh.remove_root(root)
                self.assertEqual(fresh.mounts_under(root), [])
                self.assertFalse(os.path.exists(root))
                with open(canary) as f:
                    self.assertEqual(f.read(), "the host's\n")
            finally:
                subprocess.run(["umount", "-R", "--lazy", root], capture_output=True)


class RootSources(unittest.TestCase):
    def test_the_hosts_suites_become_the_roots(self):
        cases = [  # host's source, host, root's release, the root's source
            ("Suites: bookworm bookworm-updates\nSuites: bookworm-security\n", "bookworm", "trixie",
             "Suites: trixie trixie-updates\nSuites: trixie-security\n"),
            ("Suites: trixie trixie-updates", "trixie", "bookworm", "Suites: bookworm bookworm-updates"),
            ("# snapshot/bookworm/20250520\nURIs: http://deb.debian.org/debian\nSuites: bookworm\n", "bookworm",
             "trixie", "# snapshot/bookworm/20250520\nURIs: http://deb.debian.org/debian\nSuites: trixie\n"),
        ]
        for host_sources, host, release, expected in cases:
            with self.subTest(f"{host} to {release}"):
                self.assertEqual(fresh.sources_for(host_sources, host, release), expected)


class WindowsSteps(unittest.TestCase):
    def steps_of(self, text):
        with tempfile.TemporaryDirectory() as tree:
            with open(os.path.join(tree, "README.md"), "w") as f:
                f.write(text)
            return fresh.windows_steps(tree)

    def test_the_block_after_the_mark(self):
        mark = fresh.WINDOWS_MARK + " -->\n"
        cases = [
            ("the block, continued lines kept",
             f"Intro\n\n{mark}\n    a \\\n        b\n    c\n\nAfter\n\n    d\n", "a \\\n    b\nc"),
            ("the block ends at the text", f"{mark}\n    a\nText\n", "a"),
            ("no mark", "    a\n", "not one"),
            ("two marks", f"{mark}\n    a\n{mark}\n    b\n", "not one"),
            ("text before any block", f"{mark}\nText\n\n    a\n", "no indented block"),
        ]
        for what, text, expected in cases:
            with self.subTest(what):
                if "\n" in expected or len(expected) == 1:
                    self.assertEqual(self.steps_of(text), expected)
                else:
                    with self.assertRaises(fresh.Failure) as failed:
                        self.steps_of(text)
                    self.assertIn(expected, str(failed.exception))

    def test_this_readme_installs_the_windows_list_and_makes_the_packages(self):
        steps = fresh.windows_steps(os.path.dirname(os.path.dirname(HERE)))
        self.assertIn('ensure_packages "${WINDOWS_PACKAGES[@]}"', steps)
        self.assertIn("--target package", steps)


if __name__ == "__main__":
    unittest.main(verbosity=2)
