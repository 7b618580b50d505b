"""The countdown program as a person meets it on a desktop: its windows' titles, where its
buttons are, and the moves every case makes with it (start it, find a window, open the menu
panel, send the window to the tray and back, end it by "X")."""

import json
import os
import re
import time

import desktop
import wine
import xwin
from checks import check, holds_for, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))

MAIN_TITLE = "time until zindlefest"
ABOUT_TITLE = "About Velmora Fest Countdown"
ARRIVAL_TITLE = "YEAH!"
FAREWELL_TITLE = "Just so you know..."
WM_CLASS = "velmora3-c"
WIDTH, HEIGHT = 257, 145
TRAY_TIP = "Time until Tarnwick 11"
WAYLAND_SETTLE = 0.5          # seconds

# Where things are in the main window's client area, in pixels (twips / 15).
MENU = (200, 10)
T_BUTTON = (229, 10)
X_BUTTON = (246, 10)
CAPTION = (40, 10)
FESTIVAL_BUTTON = (150, 35)
MAKER_BUTTON = (150, 55)
ABOUT_BUTTON = (150, 75)
PANEL_BUTTONS = {            # inner parts of the three panel buttons, x0, y0, x1, y1
    "Velmora fest facebook": (86, 30, 211, 41),
    "the maker's host": (86, 50, 211, 61),
    "About this program": (86, 70, 211, 81),
}
ARRIVAL_BUTTON = (400 + 81 // 2, 312 + 25 // 2)     # Command1 of the arrival window, its middle
ABOUT_MAIL_BUTTON = (216 + 161 // 2, 104 + 41 // 2)  # Command1 of the About box, its middle
ABOUT_OK_BUTTON = (296 + 84 // 2, 176 + 23 // 2)     # cmdOK of the About box, its middle
ABOUT_PLATFORM_LINE = (16 + 329 // 2, 232 + 17 // 2)  # Label6 of the About box, its middle
APP_TITLE = "Velmora Fest Countdown"                 # the title of the program's message boxes

SENTENCE = re.compile(r"^It is -?\d+ Days, -?\d+ Hours, -?\d+ Minutes, and -?\d+ Seconds$")
FESTIVAL_DAY = "@2013-04-12 09:00:00"
SANITIZED_START = 15.0        # seconds the sanitizer build may take to map its window
WINE_START = 10.0             # seconds Wine may take to map the window, its services' start included
SANITIZED_EXIT = 15.0         # seconds it may take to end, its leak check included


def start(context, session, fake_time=None, within=5.0, env=None, path=None):
    """Launches the program (env: more of its environment; path: a copy of it elsewhere);
    returns it with its main window (a desktop handle) once that is viewable, and the seconds
    that took."""
    path = path or context.program
    check(path and os.access(path, os.X_OK),
          f"no program to test: {path!r} is not an executable (build velmora3-c first)")
    if context.sanitized:
        within = max(within, SANITIZED_START)
    if session.kind.windows:
        within = max(within, WINE_START)
    launched = time.monotonic()
    program = session.launch([path], name="velmora3-c", fake_time=fake_time, env=env)

    def mapped():
        check(program.running(), f"the program ended with status {program.popen.returncode} before "
                                 f"its window appeared")
        return [w for w in desktop.main_windows(session, MAIN_TITLE, WM_CLASS) if w.viewable()]
    windows = wait_for(f"a viewable window titled {MAIN_TITLE!r}", mapped, timeout=within, step=0.02)
    took = time.monotonic() - launched
    check(len(windows) == 1, f"expected one main window, found {len(windows)}: {windows}")
    if session.kind.windows:
        # Wine passes clicks on once the program answers and knows where the window is: on a
        # loaded machine a click right after the map was seen lost ("T" did nothing).
        wine.wait_settled(session, windows[0], MAIN_TITLE)
    if session.kind.wayland:
        # sway passes no button to a window in the first tenth of a second or so after it maps
        # it (seen with WAYLAND_DEBUG: the pointer enters, the press never comes; 0.15 s later
        # it does), wherever the pointer was; no hand is that quick.
        time.sleep(WAYLAND_SETTLE)
    return program, windows[0], took


def read_sentence(session, timeout=10.0):
    """The countdown sentence as a screen reader reads it (over AT-SPI, in a session started
    with accessibility): the one label of the program that has the sentence's form."""
    dump = os.path.join(HERE, "atspi_dump.py")

    def sentence():
        text = session.xtool("/usr/bin/python3", dump, "velmora3-c", timeout=20)
        found = [o["name"] for o in (json.loads(text) if text.strip() else [])
                 if o["role"] == "label" and SENTENCE.match(o["name"])]
        check(len(found) <= 1, f"more than one sentence on the AT-SPI bus: {found}")
        return found[0] if found else None
    return wait_for("the countdown sentence on the AT-SPI bus", sentence, timeout=timeout, step=0.2)


def main_sentence(session):
    """The countdown sentence as a screen reader reads it now: over AT-SPI (a session with
    accessibility) or, under Wine, through the accessibility client; None while the program
    shows none."""
    if not session.kind.windows:
        return read_sentence(session)
    found = [o["name"] for o in wine.accessible_objects(session, MAIN_TITLE) or []
             if o["role"] == "static text" and SENTENCE.match(o["name"])]
    check(len(found) <= 1, f"more than one sentence read from the window: {found}")
    return found[0] if found else None


def one_window(session, title, timeout=5.0):
    """Waits for exactly one viewable window with that title and returns it."""
    windows = wait_for(f"a viewable window titled {title!r}",
                       lambda: [w for w in xwin.windows_named(session, title) if xwin.viewable(session, w)],
                       timeout=timeout)
    check(len(windows) == 1, f"expected one window titled {title!r}, found {len(windows)}")
    return windows[0]


def count_windows(session, title):
    if session.kind.wayland:
        return len(shown_windows(session, title))
    return len([w for w in xwin.windows_named(session, title) if xwin.viewable(session, w)])


def shown_windows(session, title):
    """The program's viewable windows with that title, as desktop handles, on any kind."""
    return [w for w in desktop.main_windows(session, title, WM_CLASS, framed=title != MAIN_TITLE) if w.viewable()]


def one_shown_window(session, title, timeout=5.0):
    """Waits for exactly one viewable window with that title and returns its desktop handle."""
    windows = wait_for(f"a viewable window titled {title!r}", lambda: shown_windows(session, title), timeout=timeout)
    check(len(windows) == 1, f"expected one window titled {title!r}, found {len(windows)}")
    return windows[0]


def tray_icon(session):
    icon = desktop.tray(session, WM_CLASS)
    icon.wait()
    return icon


def _button_face(r, g, b):
    return min(r, g, b) > 170 and max(r, g, b) - min(r, g, b) < 24


def _panel_share(window):
    image = window.capture()
    s = window.scale
    return [image.share(x0 * s, y0 * s, x1 * s, y1 * s, _button_face) for x0, y0, x1, y1 in PANEL_BUTTONS.values()]


def panel_shown(window):
    """True when all three panel buttons are drawn: their insides are mostly button face."""
    return all(share > 0.5 for share in _panel_share(window))


def panel_hidden(window):
    return all(share < 0.1 for share in _panel_share(window))


def open_panel(window):
    window.activate()     # another window of the program may lie over it
    window.click(*MENU)
    wait_for("the menu panel with its three buttons", lambda: panel_shown(window))


def hidden_but_alive(program, window):
    g = window.geometry()
    check(program.running(), f"the program ended (status {program.popen.returncode}) instead of hiding")
    return g is None or not g.viewable


def send_to_tray_and_back(session, program, window, icon):
    """"T" hides the window and the program runs on; the icon brings it back."""
    window.click(*T_BUTTON)
    wait_for('the window to hide after "T"', lambda: hidden_but_alive(program, window))
    holds_for("the hidden window with its program running", lambda: hidden_but_alive(program, window), 1.0)
    icon.activate()
    wait_for("the window to come back from the tray", window.viewable)


def exit_timeout(context):
    """Seconds a program may take to end once told to."""
    return SANITIZED_EXIT if context.sanitized else 5.0


def end_by_x(session):
    """Ends the program as a person would at the end of a case: a message box of the program
    still open is answered with Esc, then "X" on the main window. The exit waits for the
    sanitizers' leak check."""
    for program in session.programs:
        if not program.running():
            continue
        if not session.kind.wayland:
            for box in xwin.windows_named(session, FAREWELL_TITLE):
                xwin.key(session, box, "Escape")
            wait_for("the program's message box to close", lambda: count_windows(session, FAREWELL_TITLE) == 0)
        windows = wait_for("the program's main window, viewable",
                           lambda: [w for w in desktop.main_windows(session, MAIN_TITLE, WM_CLASS) if w.viewable()])
        check(len(windows) == 1, f"expected one main window, found {len(windows)}")
        if session.kind.wayland:
            time.sleep(WAYLAND_SETTLE)       # a window just mapped again takes no click yet
        windows[0].activate()
        windows[0].click(*X_BUTTON)
        status = program.wait_exit(SANITIZED_EXIT)
        check(status == 0, f'"X" ended the program with status {status} at the end of the case')
