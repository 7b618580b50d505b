"""Cases of the main window: how it maps and on which platform, how it moves, how it ends,
and what a screen reader finds in it."""

import json
import math
import os
import re
import shutil
import time

import desktop
import wine
import xwin
from checks import RigFailure, check, holds_for, wait_for
from kinds import KINDS
from program import (ARRIVAL_BUTTON, ARRIVAL_TITLE, CAPTION, FAREWELL_TITLE, FESTIVAL_BUTTON, HEIGHT, HERE,
                     MAIN_TITLE, MENU, SENTENCE, T_BUTTON, WIDTH, WM_CLASS, X_BUTTON, count_windows, exit_timeout, main_sentence,
                     one_window, open_panel, panel_hidden, read_sentence, send_to_tray_and_back, start, tray_icon)

COUNTING_DAY = "@2013-03-20 18:00:00"          # March: the countdown writes its sentence
RUN_SCRIPT = os.path.join(HERE, "..", "run")
# At 3 April 2013, 14:25:07 the sentence is "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds";
# each second on takes one from the last number.
COUNTING_AT = "2013-04-03 14:25:07"
COUNTING = re.compile(r"^It is 9 Days, 10 Hours, 35 Minutes, and (\d+) Seconds$")
EVE_AT = "2013-04-11 23:59:55"                 # five seconds before the festival day begins
ARRIVED = "It is 0 Days, 24 Hours, 60 Minutes, and 60 Seconds"


# What a screen reader reads of the shown window at COUNTING_AT, frozen: role, name and the
# element's rectangle in the window's own twips (the labels and buttons of the caption strip,
# the sentence and the line under it).
SEEN_AT_COUNTING = [
    ("static text", "  Time until Velmora Fest 3", (0, 30, 9495, 285)),
    ("static text", "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds", (120, 360, 3735, 1215)),
    ("static text", "Until Velmora Fest !!!", (120, 1560, 3735, 615)),
    ("push button", "Menu", (2710, 30, 600, 255)),
    ("push button", "T", (3320, 30, 255, 255)),
    ("push button", "X", (3570, 30, 255, 255)),
]


def twips_to_pixels(twips, scale):
    """As the Windows runtime places a control: each value alone, at 96 dpi times the scale,
    rounded half away from zero."""
    return math.floor(twips * 96 * scale / 1440 + 0.5)




def window_maps(context):
    """The window maps within 2 s of start (on the X11 tray of old; 5 s elsewhere), has no
    decoration of the window manager or compositor, and is 257 × 145 times the scale. The
    Windows program under Wine also lies where the system places a new window, and every
    text it shows is read from outside, the sentence the countdown's at a faked instant."""
    with context.session() as session:
        quick = session.kind.name == "xembed" and session.scale == 1
        within = 2.0 if quick else 5.0        # under Wine, start() allows WINE_START
        fake_time = COUNTING_AT if session.kind.windows else None
        program, window, took = start(context, session, within=within, fake_time=fake_time)
        g = window.geometry()
        size = (WIDTH * session.scale, HEIGHT * session.scale)
        check((g.width, g.height) == size, f"window is {g.width} x {g.height}, not {size[0]} x {size[1]}")
        if session.kind.compositor in ("gnome-shell", "kwin"):
            # Mutter and KWin draw no frame around a window that asks for none
            # (Meta.Window.decorated; a KWin window's frame no larger than its surface's buffer).
            extents = "decorated" if window.node()["decorated"] else "none"
            check(extents == "none", f"{session.kind.compositor} decorates the window")
        elif session.kind.wayland:
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
        if session.kind.windows:
            read_as_shown(session, window)
            g = window.geometry()
            xwin.screenshot(session, window.window, os.path.join(context.artifacts, "main-window.png"))
        check(program.running(), "the program ended right after its window appeared")
        print(f"window viewable {took:.2f} s after start, {g.width} x {g.height} at ({g.x}, {g.y}), "
              f"decoration {extents}")


def read_as_shown(session, window):
    """Under Wine: the accessibility client reads exactly SEEN_AT_COUNTING among the shown
    elements, each where the window shows it on the screen, and the window lies at the work
    area's corner, where Wine puts a new window that the system places (a popup asked for the
    default lands at the screen's (0, 0)). Wine learns where the window manager put the window
    a moment after it maps, so both are waited for."""
    area = wine.work_area(session)
    check(area[:2] != (0, 0), f"the rig's work area {area} starts at the screen's corner: it proves nothing")
    s = session.scale
    wanted = sorted((role, name, tuple(twips_to_pixels(v, s) for v in rect))
                    for role, name, rect in SEEN_AT_COUNTING)
    last = {"seen": None, "at": None}

    def shown():
        g = window.geometry()
        objects = wine.accessible_objects(session, MAIN_TITLE) or []
        seen = sorted((o["role"], o["name"], (o["x"] - g.x, o["y"] - g.y, o["width"], o["height"]))
                      for o in objects[1:] if not o["invisible"])
        last.update(seen=seen, at=(g.x, g.y))
        return seen == wanted and (g.x, g.y) == area[:2]
    try:
        wait_for("the window's texts through the accessibility client", shown, timeout=10.0, step=0.2)
    except RigFailure:
        raise RigFailure(f"the window lies at {last['at']} (the work area's corner is {area[:2]}); the "
                         f"accessibility client reads {last['seen']}, not {wanted}") from None
    print("read from outside: " + "; ".join(f"{role} {name!r}" for role, name, _ in wanted))


def planted_dll_is_not_loaded(context):
    """Started from a folder that also holds an oleacc.dll (a Downloads folder, say), with Wine
    told to prefer a DLL found beside the program, the program never loads the planted file,
    and a screen reader still reads its window through the system's own. A program that
    imports oleacc.dll (the accessibility client, copied beside it) does load the planted
    file, so the plant is known to work."""
    folder = os.path.join(context.artifacts, "downloads")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    exe = shutil.copy(context.program, folder)
    planted = shutil.copy(wine.windows_tool("planted_oleacc.dll"), os.path.join(folder, "oleacc.dll"))
    mark = os.path.join(folder, "planted_oleacc.loaded")

    def loaded_by():
        if not os.path.exists(mark):
            return []
        with open(mark, encoding="utf-8") as f:
            return [os.path.basename(line.strip().replace("\\", "/")).lower() for line in f if line.strip()]
    with context.session() as session:
        prefer_beside = {"WINEDLLOVERRIDES": session.env["WINEDLLOVERRIDES"] + ";oleacc=n,b"}
        _, window, _ = start(context, session, fake_time=COUNTING_AT, env=prefer_beside, path=exe)
        read_as_shown(session, window)
        check(loaded_by() == [], f"the planted oleacc.dll was loaded by {loaded_by()}")
        client = shutil.copy(wine.windows_tool("msaa_dump.exe"), folder)
        session.launch([client, MAIN_TITLE], name="msaa_dump-beside-plant", env=prefer_beside).popen.wait(
            timeout=wine.CLIENT_TIMEOUT)
        check(loaded_by() == ["msaa_dump.exe"],
              f"a program importing oleacc.dll beside the plant: loaded by {loaded_by()}, not msaa_dump.exe alone")
        print(f"{os.path.basename(exe)} beside a planted oleacc.dll under oleacc=n,b: read through the system's "
              f"oleacc, the plant untouched; msaa_dump.exe beside it loaded it")


def runs_without_oleacc(context):
    """Where oleacc.dll cannot be loaded at all, the program runs on, and its window answers a
    screen reader as a plain window does: its own buttons, none of its painted texts."""
    with context.session() as session:
        no_oleacc = {"WINEDLLOVERRIDES": session.env["WINEDLLOVERRIDES"] + ";oleacc="}
        program, _, _ = start(context, session, fake_time=COUNTING_AT, env=no_oleacc)
        holds_for("the program running", program.running, 2.0)
        objects = wine.accessible_objects(session, MAIN_TITLE) or []
        names = [o["name"] for o in objects[1:]]
        check(objects and not [n for n in names if SENTENCE.match(n)],
              f"without oleacc.dll a reader reads {names}, not a plain window without the sentence")
        print(f"without oleacc.dll: running, a reader finds the plain window's {names}")


def arrival_at_the_zero_instant(context):
    """From five seconds before the festival day, the clock running, one arrival window opens
    when the day begins and not before; the sentence stays as midnight left it; the arrival's
    button brings the farewell box, and the countdown never starts again."""
    # The Linux program's sentence is read over AT-SPI; the Windows one's needs no bus.
    with context.session(accessibility=not KINDS[context.kind].windows) as session:
        launched = time.monotonic()
        program, _, _ = start(context, session, fake_time="@" + EVE_AT)
        arrival = one_window(session, ARRIVAL_TITLE, timeout=20.0)
        took = time.monotonic() - launched
        check(took >= 4.9, f"the arrival window opened {took:.1f} s after a start at {EVE_AT}, before midnight")
        holds_for(f"exactly one {ARRIVAL_TITLE!r} window", lambda: count_windows(session, ARRIVAL_TITLE) == 1, 1.0)
        sentence = main_sentence(session)
        check(sentence == ARRIVED, f"after the arrival the sentence reads {sentence!r}, not {ARRIVED!r}")
        xwin.click(session, arrival, *ARRIVAL_BUTTON)
        one_window(session, FAREWELL_TITLE)
        holds_for("the sentence as midnight left it and no second arrival",
                  lambda: main_sentence(session) == ARRIVED and count_windows(session, ARRIVAL_TITLE) == 1, 2.0)
        check(program.running(), "the program ended after the arrival")
        print(f"{ARRIVAL_TITLE!r} {took:.1f} s after a start at {EVE_AT}, then {FAREWELL_TITLE!r}; "
              f"the sentence stays {ARRIVED!r}")


# The user's language, and the month the clock field names at COUNTING_AT in it.
MONTH_NAMES = [("C.UTF-8", "April"), ("fr_FR.UTF-8", "avril")]
MONTH_FIELD = (7200, 2640, 735, 255)   # MonName, in twips: beside the window's visible part


def clock_month_follows_locale(context):
    """The clock field names the month in the user's language, as the system spells it,
    read from outside (the field lies outside the window's visible part, so a screen reader
    hears of it as invisible)."""
    for locale, month in MONTH_NAMES:
        with context.session(name=f"session-{locale}") as session:
            _, window, _ = start(context, session, fake_time=COUNTING_AT, env={"LANG": locale, "LC_ALL": locale})
            s = session.scale
            place = tuple(twips_to_pixels(v, s) for v in MONTH_FIELD)
            last = {}

            def field():
                g = window.geometry()
                found = [o for o in wine.accessible_objects(session, MAIN_TITLE) or []
                         if o["role"] == "static text"
                         and (o["x"] - g.x, o["y"] - g.y, o["width"], o["height"]) == place]
                last["found"] = found
                return len(found) == 1 and found[0]["name"] == month
            try:
                wait_for(f"the month field to read {month!r}", field, timeout=5.0, step=0.2)
            except RigFailure:
                raise RigFailure(f"under {locale} the label at {place} reads {last.get('found')}, "
                                 f"not {month!r}") from None
            print(f"{locale}: the clock field reads {month!r}")


def same_place(window, where):
    g = window.geometry()
    return g is not None and g.viewable and abs(g.x - where.x) <= 2 and abs(g.y - where.y) <= 2


def drag_moves_window_and_hides_panel(context):
    """A drag on the caption strip moves the window by the pointer's travel and hides the
    open menu panel; sent to the tray and back, the window comes back where it was left, and
    a drag there moves it again (where KWin or Mutter placed it, on Plasma and GNOME)."""
    with context.session() as session:
        program, window, _ = start(context, session)
        open_panel(window)
        drag_by(window, 100, 100)
        wait_for("the menu panel to be hidden after the drag", lambda: panel_hidden(window))
        # Where the festival button was, a click now reaches the sentence and opens nothing.
        window.click(*FESTIVAL_BUTTON)
        holds_for("nothing handed to the desktop", lambda: not session.handed_to_desktop(), 0.5)
        check(program.running(), "the program ended during the drag")
        if session.kind.tray:
            left = window.geometry()
            send_to_tray_and_back(session, program, window, tray_icon(session))
            if session.kind.compositor in ("kwin", "gnome-shell"):
                # A Wayland client cannot say where its window goes, and KWin and Mutter place
                # a window that is shown again as they place a new one: it comes back there,
                # whole on the screen, as every window on Plasma and GNOME does.
                g = window.geometry()
                check(g.x >= 0 and g.y >= 0 and g.x + g.width <= 1024 * session.scale
                      and g.y + g.height <= 768 * session.scale,
                      f"the window came back from the tray partly off the screen: {g}")
            else:
                try:
                    wait_for("the window back where it was left", lambda: same_place(window, left), timeout=2.0)
                except RigFailure:
                    g = window.geometry()
                    raise RigFailure(f"the window came back from the tray at ({g.x}, {g.y}), "
                                     f"not at ({left.x}, {left.y}) where it was left") from None
            drag_by(window, 60, 50)


def drag_by(window, dx, dy):
    """Drags the window by its caption strip and waits for it to follow the pointer."""
    before = desktop.settled_geometry(window)
    start_at, end_at = window.drag(*CAPTION, dx, dy)
    travel = (end_at[0] - start_at[0], end_at[1] - start_at[1])
    check(travel == (dx, dy), f"the pointer travelled {travel}, not ({dx}, {dy})")

    def moved():
        g = window.geometry()
        return abs(g.x - before.x - travel[0]) <= 2 and abs(g.y - before.y - travel[1]) <= 2
    try:
        wait_for("the window to follow the pointer", moved)
    except RigFailure:
        g = window.geometry()
        raise RigFailure(f"the window moved by ({g.x - before.x}, {g.y - before.y}) from "
                         f"({before.x}, {before.y}); the pointer by {travel}") from None


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


def run_script_moves_the_clock(context):
    """./run --at starts the program with its clock at that instant, running on at real speed:
    from 3 April 2013, 14:25:07 the sentence is the worked example's, its seconds counting
    down as time passes; from 11 April, 23:59:55 the arrival window opens when the 12th
    begins, five seconds on, and the sentence stays as midnight left it."""
    build = os.path.dirname(os.path.dirname(os.path.abspath(context.program)))
    check(os.path.samefile(os.path.join(build, "app", "velmora3-c"), context.program),
          f"{context.program} is not app/velmora3-c of a build folder, which ./run builds and starts")
    with context.session(accessibility=True) as session:
        def run(at):
            launched = time.monotonic()
            return session.launch([RUN_SCRIPT, "--at", at], name="run", env={"VELMORA_BUILD_DIR": build}), launched

        def seconds_left(launched):
            """The sentence's seconds, which lie between 53 and 53 less the seconds since launch."""
            sentence = read_sentence(session)
            m = COUNTING.match(sentence)
            check(m, f"at {COUNTING_AT} and after, the sentence reads {sentence!r}")
            seconds, since = int(m.group(1)), time.monotonic() - launched
            check(53 - math.ceil(since) <= seconds <= 53,
                  f"{since:.1f} s after ./run --at '{COUNTING_AT}' the sentence reads {sentence!r}")
            return seconds

        program, launched = run(COUNTING_AT)
        first = seconds_left(launched)
        time.sleep(1.2)
        second = seconds_left(launched)
        check(second < first, f"the clock stands still: the sentence gave {first} seconds, then {second}")
        program.stop()

        program, launched = run(EVE_AT)
        arrival = one_window(session, ARRIVAL_TITLE, timeout=20.0)
        took = time.monotonic() - launched
        check(took >= 4.9, f"the arrival window opened {took:.1f} s after ./run --at '{EVE_AT}', before midnight")
        sentence = read_sentence(session)
        check(sentence == ARRIVED, f"after the arrival the sentence reads {sentence!r}, not {ARRIVED!r}")
        check(program.running(), "the program ended after the arrival")
        print(f"from {COUNTING_AT}: {first}, then {second} seconds left; from {EVE_AT}: {ARRIVAL_TITLE!r} "
              f"(window {arrival}) {took:.1f} s after ./run")


# The caption buttons: where each lies (pixels at scale 1), its name and its tip.
CAPTION_BUTTONS = [(MENU, "Menu", "Menu"), (T_BUTTON, "T", "Minimize to Tray"), (X_BUTTON, "X", "Close")]


def caption_buttons_show_their_tips(context):
    """Under Wine: the pointer resting on each caption button shows its tip in a tooltip
    window that another program reads; a screen reader hears the same tip as the button's
    description and "Press" as its default action."""
    with context.session() as session:
        program, window, _ = start(context, session)
        g = window.geometry()
        s = session.scale
        objects = wine.accessible_objects(session, MAIN_TITLE) or []
        for (x, y), name, tip in CAPTION_BUTTONS:
            found = [o for o in objects if o["role"] == "push button" and o["name"] == name]
            check(len(found) == 1, f"the reader finds {len(found)} buttons named {name!r}")
            told = (found[0]["description"], found[0]["default_action"])
            check(told == (tip, "Press"), f"the reader hears {name!r} described as {told}, not {(tip, 'Press')}")
            xwin.park_pointer(session)
            wait_for("no tip shown", lambda: not [t for t in wine.tooltips(session) if t["text"] == tip])
            session.xtool("xdotool", "mousemove", str(round(g.x + x * s)), str(round(g.y + y * s)), check=True)
            shown = wait_for(f"the tip {tip!r} over {name!r}",
                             lambda: [t for t in wine.tooltips(session) if t["text"] == tip], timeout=8.0, step=0.2)
            t = shown[0]
            xwin.capture_area(session, max(0, g.x - 20), max(0, g.y - 20), min(1024 - max(0, g.x - 20), g.width + 240),
                              min(768 - max(0, g.y - 20), g.height + 120)).save_png(
                                  os.path.join(context.artifacts, f"tip-{name}.png"))
            check(t["y"] > g.y, f"the tip {tip!r} is above the window's top at {t['y']}")
            print(f"{name!r}: tip {tip!r} shown at ({t['x']}, {t['y']}), {t['width']} x {t['height']}")
        check(program.running(), "the program ended")


def sentence_changes_are_announced(context):
    """Under Wine, a screen reader's WinEvent hook in another process hears the sentence
    change once a second, each time with its new text, and hears nothing of the working
    fields outside the window that the clock rewrites ten times a second."""
    with context.session() as session:
        program, window, _ = start(context, session, fake_time="@" + COUNTING_AT)
        heard = wine.name_changes(session, MAIN_TITLE, 3.5)
        check(heard is not None, "the reader found no window to listen to")
        names = [e["name"] for e in heard]
        check(len(heard) >= 2, f"the reader heard {len(heard)} name changes in 3.5 s: {heard}")
        check(all(SENTENCE.match(n) for n in names), f"the reader heard of more than the sentence: {names}")
        check(len({e["child"] for e in heard}) == 1, f"the changes name several elements: {heard}")
        check(all(a != b for a, b in zip(names, names[1:])), f"a change was announced twice: {names}")
        print(f"heard {len(heard)} changes of element {heard[0]['child']}: {names}")
