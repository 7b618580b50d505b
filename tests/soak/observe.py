"""Watching the running countdown from outside, as a screen reader and a desktop would.

Main's fields are labels, most of them outside the visible area; a screen reader still lists
each with its text as its name. Which label is which follows from its place in the window,
taken from Main's model (main_window/main_model.cpp), so nothing here is told by the program
itself. Windows are seen through the window manager's client list (wmctrl -l).
"""

import os
import re
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MAIN_MODEL = os.path.join(REPO, "main_window", "main_model.cpp")
TWIPS_PER_PIXEL = 15
MAIN_TITLE = "time until zindlefest"

CLOCK_FIELDS = ("CurYear", "CurMon", "CurDay", "CurHour", "CurMin", "CurSec", "MonName", "CurYearVal")
COUNTDOWN_FIELDS = ("EndMon", "EndDay", "EndDays", "EndHour", "EndMinute", "EndSecond", "Final")
FIELDS = CLOCK_FIELDS + COUNTDOWN_FIELDS


class ObserveError(AssertionError):
    pass


def label_places(model_path=MAIN_MODEL, wanted=FIELDS):
    """{(left, top) in pixels: name} for the wanted labels of Main, which all lie on the window
    itself (not in a frame)."""
    with open(model_path) as f:
        text = f.read()
    places = {}
    for row in text.split("{.name = ")[1:]:
        name = re.match(r'"(\w+)"', row).group(1)
        if name not in wanted:
            continue
        # row runs to the next control's name: this control's settings and nothing else.
        if ".kind = Kind::Label" not in row:
            raise ObserveError(f"{name} is not a label in {model_path}")
        rect = re.search(r"\.rect = \{(\d+), (\d+), \d+, \d+\}", row)
        if not rect or ".container" in row:
            raise ObserveError(f"cannot place {name} from {model_path}")
        place = (int(rect.group(1)) // TWIPS_PER_PIXEL, int(rect.group(2)) // TWIPS_PER_PIXEL)
        if place in places:
            raise ObserveError(f"{name} and {places[place]} share the place {place}")
        places[place] = name
    missing = set(wanted) - set(places.values())
    if missing:
        raise ObserveError(f"{model_path} has no labels {sorted(missing)}")
    return places


class Fields:
    """Reads Main's fields through AT-SPI. The session bus must be the program's: the
    environment is taken from the session before pyatspi is first imported."""

    def __init__(self, session_env, pid, title=MAIN_TITLE):
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            os.environ[key] = session_env[key]
        import pyatspi  # noqa: E402  (needs the session's bus in the environment)
        self.pyatspi = pyatspi
        self.pid = pid
        self.title = title
        self.places = label_places()
        self.labels = None  # {name: accessible}, found once

    def _window(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is None or app.get_process_id() != self.pid:
                continue
            for j in range(app.childCount):
                window = app.getChildAtIndex(j)
                if window is not None and window.name == self.title:
                    return window
        return None

    def _find_labels(self):
        window = self._window()
        if window is None:
            return None
        origin = window.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        found = {}
        for i in range(window.childCount):
            child = window.getChildAtIndex(i)
            if child is None or child.getRole() != self.pyatspi.ROLE_LABEL:
                continue
            box = child.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
            name = self.places.get((box.x - origin.x, box.y - origin.y))
            if name:
                found[name] = child
        missing = set(FIELDS) - set(found)
        if missing:
            raise ObserveError(f"the window's labels do not include {sorted(missing)} at their places")
        return found

    def wait_ready(self, timeout=15):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.labels = self._find_labels()
            if self.labels:
                return
            time.sleep(0.2)
        raise ObserveError(f"no accessible window titled {self.title!r} of pid {self.pid} within {timeout} s")

    def wait_first_clock_run(self, timeout=10):
        """Until the first clock run has written the seconds: before it every field holds its
        design text, which is no reading of the clock."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.labels["CurSec"].name.strip().isdigit():
                return
            time.sleep(0.05)
        raise ObserveError(f"no clock run wrote CurSec within {timeout} s (it holds "
                           f"{self.labels['CurSec'].name!r})")

    def read(self):
        """One reading of every field, label after label."""
        return {name: self.labels[name].name for name in FIELDS}

    def snapshot(self, tries=20):
        """A reading that no tick changed: two back-to-back readings that agree. The two
        timers tick ten times a second, so a few tries find a quiet moment."""
        previous = self.read()
        for _ in range(tries):
            current = self.read()
            if current == previous:
                return current
            previous = current
        raise ObserveError(f"the fields never held still for two readings in {tries} tries")


def client_titles(session):
    """Titles of the windows that the window manager manages, one entry per window."""
    out = session.xtool("wmctrl", "-l")
    titles = []
    for line in out.splitlines():
        parts = line.split(None, 3)
        titles.append(parts[3] if len(parts) == 4 else "")
    return titles
