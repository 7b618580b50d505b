#!/usr/bin/python3
"""End-to-end tests of the countdown program on a real X server, driven from outside as a
user would: each case starts its own session (rig.Session), the program in it, and clicks,
drags, types and looks with the X tools.

    test_program.py CASE --program PATH [--sanitized] [--artifacts DIR]

With --sanitized the program is the sanitizer build: it starts slower, and when a case has
passed with the program still running, the rig has it end by "X" so that the leak check at
its exit runs; a sanitizer report fails the case.
"""

import json
import os
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import desktop  # noqa: E402
import xwin     # noqa: E402
from checks import RigFailure, check, holds_for, wait_for   # noqa: E402
from kinds import KINDS   # noqa: E402
from runner import run_cases   # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "reference", "main-window.png")
README_SCREENSHOT = os.path.join(HERE, "..", "docs", "screenshot.png")
ICONS = os.path.join(HERE, "..", "packaging", "icons", "hicolor")

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
ABOUT_BUTTON = (150, 75)
PANEL_BUTTONS = {            # inner parts of the three panel buttons, x0, y0, x1, y1
    "Velmora fest facebook": (86, 30, 211, 41),
    "the maker's host": (86, 50, 211, 61),
    "About this program": (86, 70, 211, 81),
}
ARRIVAL_BUTTON = (400 + 81 // 2, 312 + 25 // 2)     # Command1 of the arrival window, its middle
ABOUT_MAIL_BUTTON = (216 + 161 // 2, 104 + 41 // 2)  # Command1 of the About box, its middle

SENTENCE = re.compile(r"^It is -?\d+ Days, -?\d+ Hours, -?\d+ Minutes, and -?\d+ Seconds$")
FROZEN_INSTANT = "2013-04-03 14:25:07"       # the countdown reads 9 days, 10 h, 35 min, 53 s
FESTIVAL_DAY = "@2013-04-12 09:00:00"
COUNTING_DAY = "@2013-03-20 18:00:00"          # March: the countdown writes its sentence
REFERENCE_TOLERANCE = 150                     # pixels, of 257 × 145, beyond a 10 % colour fuzz
SANITIZED_START = 15.0        # seconds the sanitizer build may take to map its window
SANITIZED_EXIT = 15.0         # seconds it may take to end, its leak check included


# -- helpers ---------------------------------------------------------------------------------

def start(context, session, fake_time=None, within=5.0):
    """Launches the program; returns it with its main window (a desktop handle) once that is
    viewable, and the seconds that took."""
    check(context.program and os.access(context.program, os.X_OK),
          f"no program to test: {context.program!r} is not an executable (build velmora3-c first)")
    if context.sanitized:
        within = max(within, SANITIZED_START)
    launched = time.monotonic()
    program = session.launch([context.program], name="velmora3-c", fake_time=fake_time)

    def mapped():
        check(program.running(), f"the program ended with status {program.popen.returncode} before "
                                 f"its window appeared")
        return [w for w in desktop.main_windows(session, MAIN_TITLE, WM_CLASS) if w.viewable()]
    windows = wait_for(f"a viewable window titled {MAIN_TITLE!r}", mapped, timeout=within, step=0.02)
    took = time.monotonic() - launched
    check(len(windows) == 1, f"expected one main window, found {len(windows)}: {windows}")
    if session.kind.wayland:
        # sway passes no button to a window in the first tenth of a second or so after it maps
        # it (seen with WAYLAND_DEBUG: the pointer enters, the press never comes; 0.15 s later
        # it does), wherever the pointer was; no hand is that quick.
        time.sleep(WAYLAND_SETTLE)
    return program, windows[0], took


def one_window(session, title, timeout=5.0):
    """Waits for exactly one viewable window with that title and returns it."""
    windows = wait_for(f"a viewable window titled {title!r}",
                       lambda: [w for w in xwin.windows_named(session, title) if xwin.viewable(session, w)],
                       timeout=timeout)
    check(len(windows) == 1, f"expected one window titled {title!r}, found {len(windows)}")
    return windows[0]


def count_windows(session, title):
    return len([w for w in xwin.windows_named(session, title) if xwin.viewable(session, w)])


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


def addresses(session, prefix):
    return [call for call in session.handed_to_desktop() if call and call[0].startswith(prefix)]


def hidden_but_alive(program, window):
    g = window.geometry()
    check(program.running(), f"the program ended (status {program.popen.returncode}) instead of hiding")
    return g is None or not g.viewable


def same_place(window, where):
    g = window.geometry()
    return g is not None and g.viewable and abs(g.x - where.x) <= 2 and abs(g.y - where.y) <= 2


def send_to_tray_and_back(session, program, window, icon):
    """"T" hides the window and the program runs on; the icon brings it back."""
    window.click(*T_BUTTON)
    wait_for('the window to hide after "T"', lambda: hidden_but_alive(program, window))
    holds_for("the hidden window with its program running", lambda: hidden_but_alive(program, window), 1.0)
    icon.activate()
    wait_for("the window to come back from the tray", window.viewable)


def program_icons():
    """The program's icon at each size it is installed at, as RGBA bytes."""
    return {size: desktop.icon_rgba(os.path.join(ICONS, f"{size}x{size}", "apps", "velmora3-c.png"))
            for size in desktop.ICON_SIZES}


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


# -- cases -----------------------------------------------------------------------------------

def window_maps(context):
    """The window maps within 2 s of start (on the X11 tray of old; 5 s elsewhere), has no
    decoration of the window manager or compositor, and is 257 × 145 times the scale."""
    with context.session() as session:
        quick = session.kind.name == "xembed" and session.scale == 1
        program, window, took = start(context, session, within=2.0 if quick else 5.0)
        g = window.geometry()
        size = (WIDTH * session.scale, HEIGHT * session.scale)
        check((g.width, g.height) == size, f"window is {g.width} x {g.height}, not {size[0]} x {size[1]}")
        if session.kind.wayland:
            node = window.node()
            check(session.sway_scale() == session.scale, f"sway's output runs at {session.sway_scale()}")
            check(node["type"] == "floating_con", f"sway tiles the window ({node['type']})")
            check(node["border"] in ("none", "csd"), f"sway draws a {node['border']!r} border around it")
            check(node["deco_rect"]["height"] == 0, f"sway gives it a title bar {node['deco_rect']}")
            inner = node["window_rect"]
            check((inner["width"], inner["height"]) == (WIDTH, HEIGHT),
                  f"its surface is {inner['width']} x {inner['height']} logical pixels")
            extents = node["border"]
        else:
            extents = wait_for("_NET_FRAME_EXTENTS on the window",
                               lambda: xwin.frame_extents(session, window.window))
            check(extents == (0, 0, 0, 0), f"the window manager decorates the window: frame extents {extents}")
            frame = xwin.geometry(session, xwin.parent(session, window.window))
            check((frame.x, frame.y, frame.width, frame.height) == (g.x, g.y, g.width, g.height),
                  f"the window's frame {frame} is not the window itself {g}")
            if session.scale > 1:
                # A crisp icon at scale 2 needs pictures at least twice the 32-pixel size.
                icons = {int(n) for n in re.findall(r"Icon \((\d+) x \1\)",
                                                    session.xtool("xprop", "-id", str(window.window), "_NET_WM_ICON"))}
                check(icons and max(icons) >= 64, f"_NET_WM_ICON holds only {sorted(icons)}-pixel images")
        check(program.running(), "the program ended right after its window appeared")
        print(f"window viewable {took:.2f} s after start, {g.width} x {g.height} at ({g.x}, {g.y}), "
              f"decoration {extents}")


def tray_icon_toggles_window(context):
    """The tray holds one icon with the tooltip and the program's own picture (what an SNI
    host reads); a click on it (a real one where the host draws it, then on SNI Activate as
    the host sends it) hides the window with the program running on, another brings it back."""
    with context.session() as session:
        program, window, _ = start(context, session)
        icon = tray_icon(session)
        if session.kind.tray == "sni":
            check(icon.tooltip() == TRAY_TIP, f"the item's tooltip is {icon.tooltip()!r}")
            pixmaps = icon.pixmaps()
            check(pixmaps, "the item offers no IconPixmap")
            ours = program_icons()
            for width, height, rgba in pixmaps:
                check(width == height and width in ours, f"the item offers a {width} x {height} picture")
                worst = desktop.rgba_difference(rgba, ours[width])
                check(worst <= 2, f"its {width} px picture differs from the program's icon by {worst} in a channel")
            print(f"item tooltip {icon.tooltip()!r}, pictures {sorted(w for w, _, _ in pixmaps)} px")
        # A real click where the host draws the icon first, then what such a host sends.
        for round_, press in ((1, icon.click), (2, icon.activate)):
            press()
            wait_for(f"the window to hide after tray click {2 * round_ - 1}",
                     lambda: hidden_but_alive(program, window))
            holds_for("the hidden window with its program running",
                      lambda: hidden_but_alive(program, window), 0.5)
            check(not icon.gone(), "the tray icon went away with the window")
            press()
            wait_for(f"the window to come back after tray click {2 * round_}", window.viewable)
        g = window.geometry()
        size = (WIDTH * session.scale, HEIGHT * session.scale)
        check((g.width, g.height) == size, f"the window came back as {g.width} x {g.height}")


def tray_menu_show_and_close(context):
    """The icon's menu, as the tray host shows it, offers "Show" and "Close": "Show" brings a
    window back from the tray (and leaves a shown one as it is), "Close" ends the program and
    takes the icon with it."""
    with context.session() as session:
        program, window, _ = start(context, session)
        icon = tray_icon(session)
        labels = ["Show", "Close"]
        if icon.menu_labels() is not None:
            check(icon.menu_labels() == labels, f"the menu offers {icon.menu_labels()}, not {labels}")
        icon.choose("Show", labels)
        holds_for('the shown window after "Show"', window.viewable, 0.5)
        window.click(*T_BUTTON)
        wait_for('the window to hide after "T"', lambda: hidden_but_alive(program, window))
        icon.choose("Show", labels)
        wait_for('the window to come back on "Show"', window.viewable)
        icon.choose("Close", labels)
        status = program.wait_exit(exit_timeout(context))
        check(status == 0, f'"Close" ended the program with status {status}')
        wait_for("no icon of the program left in the tray", icon.gone)


def t_button_sends_window_to_tray(context):
    """"T" hides the window and the program runs on; the tray icon brings it back, and "T"
    works again after that. Without a tray (bare sway) "T" leaves the window where a person
    can reach it: still shown, its menu still opens, and "T" again changes nothing."""
    with context.session() as session:
        program, window, _ = start(context, session)
        if not session.kind.tray:
            for _ in range(2):
                window.click(*T_BUTTON)
                holds_for('the window reachable after "T"', lambda: program.running() and window.viewable(), 1.0)
            open_panel(window)
            return
        icon = tray_icon(session)
        for _ in range(2):
            send_to_tray_and_back(session, program, window, icon)


def drag_moves_window_and_hides_panel(context):
    """A drag on the caption strip moves the window by the pointer's travel and hides the
    open menu panel; sent to the tray and back, the window comes back where it was left."""
    with context.session() as session:
        program, window, _ = start(context, session)
        before = window.geometry()
        open_panel(window)
        start_at, end_at = window.drag(*CAPTION, 100, 100)
        travel = (end_at[0] - start_at[0], end_at[1] - start_at[1])
        check(travel == (100, 100), f"the pointer travelled {travel}, not (100, 100)")

        def moved():
            g = window.geometry()
            return abs(g.x - before.x - travel[0]) <= 2 and abs(g.y - before.y - travel[1]) <= 2
        try:
            wait_for("the window to follow the pointer", moved)
        except RigFailure:
            g = window.geometry()
            raise RigFailure(f"the window moved by ({g.x - before.x}, {g.y - before.y}) from "
                             f"({before.x}, {before.y}); the pointer by {travel}") from None
        wait_for("the menu panel to be hidden after the drag", lambda: panel_hidden(window))
        # Where the festival button was, a click now reaches the sentence and opens nothing.
        window.click(*FESTIVAL_BUTTON)
        holds_for("nothing handed to the desktop", lambda: not session.handed_to_desktop(), 0.5)
        check(program.running(), "the program ended during the drag")
        if session.kind.tray:
            left = window.geometry()
            send_to_tray_and_back(session, program, window, tray_icon(session))
            try:
                wait_for("the window back where it was left", lambda: same_place(window, left), timeout=2.0)
            except RigFailure:
                g = window.geometry()
                raise RigFailure(f"the window came back from the tray at ({g.x}, {g.y}), "
                                 f"not at ({left.x}, {left.y}) where it was left") from None


def menu_opens_festival_page(context):
    """"Menu" shows the panel; "Velmora fest facebook" hands the festival page to the desktop
    and hides the panel."""
    with context.session() as session:
        _, window, _ = start(context, session)
        check(panel_hidden(window), "the menu panel is shown right after start")
        open_panel(window)
        window.click(*FESTIVAL_BUTTON)
        calls = wait_for("an https address handed to the desktop", lambda: addresses(session, "https://"))
        check(len(calls) == 1 and len(calls[0]) == 1, f"expected one call with one address, got {calls}")
        check(calls[0][0].endswith("/VelmoraFest"), f"the address {calls[0][0]!r} does not end in /VelmoraFest")
        wait_for("the menu panel to hide after the click", lambda: panel_hidden(window))
        holds_for("exactly one address handed over", lambda: len(session.handed_to_desktop()) == 1, 0.5)
        print(f"handed to the desktop: {calls[0][0]}")


def close_button_ends_program(context):
    """"X" ends the program with status 0 and leaves no icon (or item) in the tray."""
    with context.session() as session:
        program, window, _ = start(context, session)
        icon = tray_icon(session)
        window.click(*X_BUTTON)
        status = program.wait_exit(exit_timeout(context))
        check(status == 0, f'"X" ended the program with status {status}')
        wait_for("no icon of the program left in the tray", icon.gone)
        check(not desktop.main_windows(session, MAIN_TITLE, WM_CLASS), "the main window is still there")


def window_manager_close_ends_program(context):
    """A close by the window manager (_NET_CLOSE_WINDOW) or the compositor (sway's kill) ends
    the program with status 0 and leaves no icon in the tray."""
    with context.session() as session:
        program, window, _ = start(context, session)
        icon = tray_icon(session)
        window.close()
        status = program.wait_exit(exit_timeout(context))
        check(status == 0, f"the desktop's close ended the program with status {status}")
        wait_for("no icon of the program left in the tray", icon.gone)


def arrival_window_on_festival_day(context):
    """On the festival day exactly one "YEAH!" window opens within a second; its button
    brings up the farewell box, and the windows stay."""
    with context.session() as session:
        program, window, _ = start(context, session, fake_time=FESTIVAL_DAY)
        arrival = one_window(session, ARRIVAL_TITLE, timeout=1.0)
        holds_for(f"exactly one {ARRIVAL_TITLE!r} window", lambda: count_windows(session, ARRIVAL_TITLE) == 1, 1.5)
        xwin.click(session, arrival, *ARRIVAL_BUTTON)
        one_window(session, FAREWELL_TITLE)
        check(xwin.viewable(session, arrival), "the arrival window closed when its button was pressed")
        check(program.running() and window.viewable(), "the main window went away")
        check(count_windows(session, ARRIVAL_TITLE) == 1, "a second arrival window opened")


def about_box_single_instance(context):
    """Menu → About opens one About window; a second request makes no second one; its mail
    button hands a mailto: address to the desktop; Esc closes it; the program runs on."""
    with context.session() as session:
        program, window, _ = start(context, session)
        open_panel(window)
        window.click(*ABOUT_BUTTON)
        about = one_window(session, ABOUT_TITLE)
        open_panel(window)
        window.click(*ABOUT_BUTTON)
        wait_for("the panel to hide after the second request", lambda: panel_hidden(window))
        holds_for(f"exactly one {ABOUT_TITLE!r} window", lambda: count_windows(session, ABOUT_TITLE) == 1, 1.0)
        check(len(xwin.windows_named(session, ABOUT_TITLE)) == 1, "a second About window exists (unmapped)")

        xwin.click(session, about, *ABOUT_MAIL_BUTTON)
        calls = wait_for("a mailto: address handed to the desktop", lambda: addresses(session, "mailto:"))
        check(len(calls) == 1 and re.fullmatch(r"mailto:[^@\s]+@[^@\s]+", calls[0][0]),
              f"expected one mailto: address, got {calls}")
        check(xwin.viewable(session, about), "the About window closed when its mail button was pressed")

        xwin.key(session, about, "Escape")
        wait_for("the About window to close on Esc", lambda: count_windows(session, ABOUT_TITLE) == 0)
        check(program.running() and window.viewable(), "the main window went with the About box")
        print(f"handed to the desktop: {calls[0][0]}")


def accessibility_names(context):
    """A screen reader finds the main window's texts and buttons by their texts."""
    with context.session(accessibility=True) as session:
        # A counting day: on today's real date the countdown may have no sentence to read.
        _, window, _ = start(context, session, fake_time=COUNTING_DAY)
        dump = os.path.join(HERE, "atspi_dump.py")
        wanted_buttons = {"Menu", "T", "X"}

        def accessible():
            text = session.xtool("/usr/bin/python3", dump, "velmora3-c", timeout=20)
            objects = json.loads(text) if text.strip() else []
            names = {(o["role"], o["name"]) for o in objects}
            buttons = {name for role, name in names if role == "push button"}
            labels = {name for role, name in names if role == "label"}
            if wanted_buttons <= buttons and "Until Velmora Fest !!!" in labels and \
                    any(SENTENCE.match(n) for n in labels):
                return objects
            accessible.last = objects
            return None
        accessible.last = []
        try:
            objects = wait_for("the window's labels and buttons on the AT-SPI bus", accessible,
                               timeout=10.0, step=0.5)
        except RigFailure:
            seen = sorted({(o["role"], o["name"]) for o in accessible.last})
            raise RigFailure(f"the screen reader does not find them; it sees {seen}") from None
        windows = [o for o in objects if o["name"] == MAIN_TITLE and o["role"] in ("frame", "filler", "window")]
        check(windows, f"no window named {MAIN_TITLE!r} among {len(objects)} accessible objects")
        sentence = next(o["name"] for o in objects if o["role"] == "label" and SENTENCE.match(o["name"]))
        print(f"{len(objects)} accessible objects; the sentence reads {sentence!r}")


def run_script_picks_the_platform(context):
    """The way ./run starts the program puts it on Wayland itself where the session offers
    Wayland, even with an X server beside it (as Xwayland is), and on X11 where there is no
    Wayland. (Qt 6.4 takes Wayland first by itself once qt6-wayland is installed, and falls
    back to X11 quietly without it; ./run installs it and asks for Wayland by name.)"""
    with context.session() as session:
        env = {"QT_QPA_PLATFORM": "", "DISPLAY": session.display}
        chooser = os.path.join(HERE, "..", "app", "qt_platform.sh")
        check(context.program and os.access(context.program, os.X_OK), f"no program to test: {context.program!r}")
        program = session.launch(["/bin/bash", "-c", '. "$1" && choose_qt_platform && exec "$2"', "run",
                                  chooser, context.program], name="velmora3-c", env=env)
        window = wait_for("the main window",
                          lambda: [w for w in desktop.main_windows(session, MAIN_TITLE, WM_CLASS) if w.viewable()])
        on_x = [w for w in xwin.windows_named(session, MAIN_TITLE) if xwin.viewable(session, w)]
        check(program.running(), "the program ended")
        if session.kind.wayland:
            check(not on_x, "the program went to the X server beside the Wayland compositor")
        check(len(window) == 1, f"expected one main window, found {window}")
        print(f"{session.kind.name}: the window is {window[0]!r}")


def screenshot_matches_reference(context):
    """At a frozen instant the window looks like e2e/reference/main-window.png (within a small
    tolerance). VELMORA_UPDATE_REFERENCE=1 writes the reference (and docs/screenshot.png) anew."""
    with context.session() as session:
        xwin.park_pointer(session)
        _, window, _ = start(context, session, fake_time=FROZEN_INSTANT)
        matches_reference(context, session, window, REFERENCE, also=(README_SCREENSHOT,))


def arrival_window_matches_reference(context):
    """The arrival window looks like e2e/reference/arrival-window.png: its three lines whole."""
    with context.session() as session:
        xwin.park_pointer(session)
        start(context, session, fake_time=FESTIVAL_DAY)
        arrival = desktop.X11Window(session, one_window(session, ARRIVAL_TITLE), session.scale)
        matches_reference(context, session, arrival, os.path.join(HERE, "reference", "arrival-window.png"))


def about_box_matches_reference(context):
    """The About box looks like e2e/reference/about-box.png: every line of it whole."""
    with context.session() as session:
        xwin.park_pointer(session)
        _, window, _ = start(context, session, fake_time=FROZEN_INSTANT)
        open_panel(window)
        window.click(*ABOUT_BUTTON)
        about = desktop.X11Window(session, one_window(session, ABOUT_TITLE), session.scale)
        xwin.park_pointer(session)
        matches_reference(context, session, about, os.path.join(HERE, "reference", "about-box.png"))


def matches_reference(context, session, window, reference, also=()):
    """Compares the settled window with its reference picture; VELMORA_UPDATE_REFERENCE=1
    writes the picture (and the copies in `also`) anew instead."""
    window.activate()
    name = os.path.basename(reference)
    shot = os.path.join(context.artifacts, name)
    settled = _settled_image(window)
    xwin.screenshot(session, window.window, shot)
    check(window.capture().pixels == settled.pixels, "the window changed while it was saved")
    if os.environ.get("VELMORA_UPDATE_REFERENCE") == "1":
        for target in (reference, *also):
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(shot, target)
        print("reference written: " + ", ".join(os.path.normpath(t) for t in (reference, *also)))
        return
    check(os.path.exists(reference), f"no reference image {reference}; make one with VELMORA_UPDATE_REFERENCE=1")
    diff = os.path.join(context.artifacts, "difference-" + name)
    count = xwin.differing_pixels(session, reference, shot, diff=diff)
    check(count <= REFERENCE_TOLERANCE,
          f"{count} pixels differ from the reference (at most {REFERENCE_TOLERANCE} may); "
          f"see {shot} and {diff}")
    print(f"{count} pixels differ from {name} (tolerance {REFERENCE_TOLERANCE})")


# _MOTIF_WM_HINTS bits: flags, then functions, then decorations.
MWM_HINTS_FUNCTIONS, MWM_HINTS_DECORATIONS = 1, 2
MWM_FUNC = {"all": 1, "resize": 2, "move": 4, "minimize": 8, "maximize": 16, "close": 32}
MWM_DECOR = {"all": 1, "border": 2, "resizeh": 4, "title": 8, "menu": 16, "minimize": 32, "maximize": 64}
# What openbox lets the user do with a window, from _NET_WM_ALLOWED_ACTIONS. Openbox 3.6 takes
# resizing away from a window whose least and largest sizes are one, and maximising with it;
# it never lets Motif hints take away its minimise button, and offers full screen to every
# dialog, so those two stay whatever the program says.
NOT_FOR_FIXED = {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"}


def fixed_frame_faults(session, window, what):
    """What says the window can be resized, minimised or maximised: its own hints
    (_MOTIF_WM_HINTS, WM_NORMAL_HINTS) and what openbox offers for it; [] when none does."""
    text = session.xtool("xprop", "-id", str(window), "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS",
                         "_NET_WM_ALLOWED_ACTIONS")
    faults = []
    motif = re.search(r"_MOTIF_WM_HINTS\(_MOTIF_WM_HINTS\) = ([\w, ]+)", text)
    if not motif:
        return [f"{what}: no _MOTIF_WM_HINTS in {text!r}"]
    flags, functions, decorations = (int(v, 0) for v in motif.group(1).split(",")[:3])
    if not (flags & MWM_HINTS_FUNCTIONS and flags & MWM_HINTS_DECORATIONS):
        faults.append(f"{what}: _MOTIF_WM_HINTS flags {flags:#x} do not name functions and decorations")
    offered = {n for n, bit in MWM_FUNC.items() if functions & bit}
    drawn = {n for n, bit in MWM_DECOR.items() if decorations & bit}
    if offered & {"all", "resize", "minimize", "maximize"} or not {"close", "move"} <= offered:
        faults.append(f"{what}: _MOTIF_WM_HINTS functions {sorted(offered)}")
    if drawn & {"all", "resizeh", "minimize", "maximize"} or "title" not in drawn:
        faults.append(f"{what}: _MOTIF_WM_HINTS decorations {sorted(drawn)}")
    least = re.search(r"minimum size: (\d+) by (\d+)", text)
    most = re.search(r"maximum size: (\d+) by (\d+)", text)
    if not least or not most or least.groups() != most.groups():
        faults.append(f"{what}: WM_NORMAL_HINTS give no fixed size: {text!r}")
    actions = set(re.findall(r"_NET_WM_ACTION_\w+", text))
    if "_NET_WM_ACTION_CLOSE" not in actions or actions & NOT_FOR_FIXED:
        faults.append(f"{what}: openbox allows {sorted(actions)}")
    return faults


def frame_shot(context, session, window, name):
    """Saves the window with the frame openbox draws around it."""
    frame = xwin.parent(session, window)
    check(frame, f"no frame around window {window}")
    path = os.path.join(context.artifacts, name)
    xwin.screenshot(session, frame, path)
    print(f"the window in its frame: {path}")


def fixed_dialogs_say_they_are_fixed(context):
    """The arrival window, its farewell box and the About box tell the window manager that
    they cannot be resized, minimised or maximised, and openbox offers neither."""
    with context.session() as session:
        program, window, _ = start(context, session, fake_time=FESTIVAL_DAY)
        arrival = one_window(session, ARRIVAL_TITLE)
        open_panel(window)
        window.click(*ABOUT_BUTTON)
        about = one_window(session, ABOUT_TITLE)
        xwin.activate(session, arrival)
        xwin.click(session, arrival, *ARRIVAL_BUTTON)
        farewell = one_window(session, FAREWELL_TITLE)    # modal: it comes last
        faults = []
        for what, shown in (("arrival window", arrival), ("farewell box", farewell), ("About box", about)):
            faults += fixed_frame_faults(session, shown, what)
            frame_shot(context, session, shown, what.replace(" ", "-") + ".png")
        check(not faults, "; ".join(faults))
        check(program.running(), "the program ended")
        print("openbox still offers: " + session.xtool("xprop", "-id", str(about), "_NET_WM_ALLOWED_ACTIONS").strip())


def _settled_image(window, timeout=5.0):
    """The window's pixels once the first countdown run has written the sentence and nothing
    has changed for 0.5 s."""
    state = {"image": None, "since": None}

    def settled():
        image = window.capture()
        now = time.monotonic()
        if state["image"] is None or image.pixels != state["image"].pixels:
            state.update(image=image, since=now)
            return None
        return image if now - state["since"] >= 0.5 else None
    return wait_for("the window's picture to settle", settled, timeout=timeout, step=0.1)


# Which behaviour runs on which kind of session ("@2": at scale 2), with its CTest timeout in
# seconds. What a desktop changes (its tray, its window manager or compositor, its scale) runs
# on every kind it concerns; the rest stays on the XEmbed kind, to keep the suite's time.
ON_TRAYS = ("xembed", "sni", "sway")
TABLE = [
    (window_maps, 60, ("xembed", "sni", "sway", "bare-sway", "xembed@2", "sway@2")),
    (tray_icon_toggles_window, 60, ON_TRAYS + ("xembed@2", "sway@2")),
    (tray_menu_show_and_close, 60, ON_TRAYS),
    (t_button_sends_window_to_tray, 60, ON_TRAYS + ("bare-sway",)),
    (drag_moves_window_and_hides_panel, 60, ("xembed", "sway", "xembed@2", "sway@2")),
    (close_button_ends_program, 60, ON_TRAYS),
    (window_manager_close_ends_program, 60, ("xembed", "sway")),
    (menu_opens_festival_page, 60, ("xembed",)),
    (arrival_window_on_festival_day, 60, ("xembed",)),
    (about_box_single_instance, 60, ("xembed",)),
    (accessibility_names, 90, ("xembed", "sway", "xembed@2", "sway@2")),
    (screenshot_matches_reference, 60, ("xembed",)),
    (arrival_window_matches_reference, 60, ("xembed",)),
    (about_box_matches_reference, 60, ("xembed",)),
    (fixed_dialogs_say_they_are_fixed, 60, ("xembed",)),
    (run_script_picks_the_platform, 60, ("xembed", "sway")),
]
CASES = {case.__name__: case for case, _, _ in TABLE}
# The behaviours that matter for memory, once more with the sanitizer build of the program on
# every kind each runs on at scale 1 (ctest -L e2e-sanitized): start, the tray's toggles, About
# opened and closed, the arrival, and each way of ending ("X", the desktop's close, the tray's
# "Close"; a case that leaves the program running ends it by "X").
SANITIZED = (window_maps, tray_icon_toggles_window, tray_menu_show_and_close, about_box_single_instance,
             arrival_window_on_festival_day, close_button_ends_program, window_manager_close_ends_program)


def table_rows(sanitized=False):
    """One line per test: `KIND SCALE CASE SECONDS` (for CMake); with sanitized, the rows of
    the SANITIZED behaviours at scale 1."""
    for case, seconds, kinds in TABLE:
        for entry in kinds:
            kind, _, scale = entry.partition("@")
            check(kind in KINDS, f"{case.__name__}: no session kind {kind!r}")
            if not sanitized or (case in SANITIZED and not scale):
                yield f"{kind} {scale or 1} {case.__name__} {seconds}"


if __name__ == "__main__":
    if sys.argv[1:] in (["--list"], ["--list-sanitized"]):
        print("\n".join(table_rows(sanitized=sys.argv[1] == "--list-sanitized")))
        sys.exit(0)
    sys.exit(run_cases(CASES, finish=end_by_x))
