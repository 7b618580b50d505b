"""Cases of what the menu panel opens (the festival page, the About box) and of the arrival
window with its farewell box, and of what these fixed-size windows tell the window manager."""

import os
import re
import urllib.parse

import wine
import xwin
from checks import check, holds_for, wait_for
from program import (ABOUT_BUTTON, ABOUT_MAIL_BUTTON, ABOUT_OK_BUTTON, ABOUT_PLATFORM_LINE, ABOUT_TITLE, APP_TITLE,
                     ARRIVAL_BUTTON, ARRIVAL_TITLE, FAREWELL_TITLE, FESTIVAL_BUTTON, FESTIVAL_DAY, MAKER_BUTTON,
                     count_windows, one_shown_window, one_window, open_panel, panel_hidden, start)

# _MOTIF_WM_HINTS bits: flags, then functions, then decorations.
MWM_HINTS_FUNCTIONS, MWM_HINTS_DECORATIONS = 1, 2
MWM_FUNC = {"all": 1, "resize": 2, "move": 4, "minimize": 8, "maximize": 16, "close": 32}
MWM_DECOR = {"all": 1, "border": 2, "resizeh": 4, "title": 8, "menu": 16, "minimize": 32, "maximize": 64}
# What openbox lets the user do with a window, from _NET_WM_ALLOWED_ACTIONS. Openbox 3.6 takes
# resizing away from a window whose least and largest sizes are one, and maximising with it;
# it never lets Motif hints take away its minimise button, and offers full screen to every
# dialog, so those two stay whatever the program says.
NOT_FOR_FIXED = {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"}
FAREWELL_PROMPT = "This program will not work anymore, delete it from your computer"


def addresses(session, prefix):
    return [call for call in session.handed_to_desktop() if call and call[0].startswith(prefix)]


# The panel's two web links: where to click, and what the desktop must be handed.
WEB_LINKS = [("Velmora fest facebook", FESTIVAL_BUTTON, "https://www.facebook.com/VelmoraFest"),
             ("the maker's host", MAKER_BUTTON, "http://wrenhollow.example.net")]


def same_address(a, b):
    """Whether two web addresses name the same page once normalised as a shell does: Wine's
    hands "http://host" on as "http://host/" (an empty path is "/")."""
    def normal(address):
        parts = urllib.parse.urlsplit(address)
        return parts._replace(path=parts.path or "/")
    return normal(a) == normal(b)


def menu_opens_festival_page(context):
    """"Menu" shows the panel; each web link on it hands its address, and only that, to the
    desktop (the rig's recorder, never the network) and hides the panel."""
    with context.session() as session:
        _, window, _ = start(context, session)
        check(panel_hidden(window), "the menu panel is shown right after start")
        handed = []
        for label, where, address in WEB_LINKS:
            open_panel(window)
            window.click(*where)
            calls = wait_for(f"{label!r}: an address handed to the desktop",
                             lambda: session.handed_to_desktop()[len(handed):])
            check(len(calls) == 1 and len(calls[0]) == 1 and same_address(calls[0][0], address),
                  f"{label!r} handed {calls} to the desktop, not {address!r}")
            handed += calls
            wait_for("the menu panel to hide after the click", lambda: panel_hidden(window))
            holds_for("exactly one address handed over",
                      lambda: len(session.handed_to_desktop()) == len(handed), 0.5)
        print("handed to the desktop: " + ", ".join(call[0] for call in handed))


def arrival_window_on_festival_day(context):
    """On the festival day exactly one "YEAH!" window opens within a second; its button
    brings up the farewell box, and the windows stay."""
    with context.session() as session:
        program, window, _ = start(context, session, fake_time=FESTIVAL_DAY)
        arrival = one_window(session, ARRIVAL_TITLE, timeout=1.0)
        holds_for(f"exactly one {ARRIVAL_TITLE!r} window", lambda: count_windows(session, ARRIVAL_TITLE) == 1, 1.5)
        xwin.click(session, arrival, *ARRIVAL_BUTTON)
        one_window(session, FAREWELL_TITLE)
        if session.kind.windows:
            # OK and the critical-stop icon with the prompt, as a reader finds them.
            children = wait_for("the farewell box's controls",
                                lambda: [c for c in wine.child_windows(session, FAREWELL_TITLE) or [] if c["shown"]])
            buttons = [c["name"] for c in children if c["class"] == "Button"]
            icons = [c for c in children if c["icon"]]
            texts = [c["name"] for c in children if c["class"] == "Static" and c["name"]]
            check(buttons == ["OK"] and len(icons) == 1, f"the farewell box shows {buttons} and {len(icons)} icons")
            check(any(t.startswith(FAREWELL_PROMPT) for t in texts), f"the farewell box reads {texts}")
            print(f"farewell box: {buttons}, an icon, {texts[0]!r}")
        check(xwin.viewable(session, arrival), "the arrival window closed when its button was pressed")
        check(program.running() and window.viewable(), "the main window went away")
        check(count_windows(session, ARRIVAL_TITLE) == 1, "a second arrival window opened")


def about_box_single_instance(context):
    """Menu → About opens one About window; a second request makes no second one but raises
    that one (and, but under Wine, activates it); its mail button hands a mailto: address to
    the desktop; Esc closes it; the program runs on."""
    with context.session() as session:
        program, window, _ = start(context, session)
        open_panel(window)
        window.click(*ABOUT_BUTTON)
        about = one_shown_window(session, ABOUT_TITLE)
        open_panel(window)           # the main window active again, above the About box
        if not session.kind.wayland:
            # On X11 the stacking is the X server's to tell; a Wayland client cannot see it.
            check(xwin.above(session, window.window, about.window),
                  "the main window stays under the About box when activated")
        window.click(*ABOUT_BUTTON)
        wait_for("the panel to hide after the second request", lambda: panel_hidden(window))
        holds_for(f"exactly one {ABOUT_TITLE!r} window", lambda: count_windows(session, ABOUT_TITLE) == 1, 1.0)
        if not session.kind.wayland:
            check(len(xwin.windows_named(session, ABOUT_TITLE)) == 1, "a second About window exists (unmapped)")
            wait_for("the second request to raise the same About box",
                     lambda: xwin.above(session, about.window, window.window))
            if not session.kind.windows:
                # Wine 8 tells the window manager of a restack, but never asks it to move the focus.
                wait_for("the raised About box to be active", lambda: xwin.active_window(session) == about.window)

        about.click(*ABOUT_MAIL_BUTTON)
        calls = wait_for("a mailto: address handed to the desktop", lambda: addresses(session, "mailto:"))
        check(len(calls) == 1 and re.fullmatch(r"mailto:[^@\s]+@[^@\s]+", calls[0][0]),
              f"expected one mailto: address, got {calls}")
        check(about.viewable(), "the About window closed when its mail button was pressed")

        if session.kind.compositor == "gnome-shell":
            # Keys from the rig's virtual keyboard on GNOME did not reach the About box (cause
            # not found; clicks do): it is closed with OK there, as a person may close it.
            about.click(*ABOUT_OK_BUTTON)
            wait_for("the About window to close on OK", lambda: count_windows(session, ABOUT_TITLE) == 0)
        else:
            about.key("Escape")
            wait_for("the About window to close on Esc", lambda: count_windows(session, ABOUT_TITLE) == 0)
        check(program.running() and window.viewable(), "the main window went with the About box")
        print(f"handed to the desktop: {calls[0][0]}")


# The three boxes that the About box's line on other platforms answers a click with.
PLATFORM_HINTS = ["here's a hint, it's not.", "but maybe it is",
                  "it all depends on wether I decide to learn how to make one or not."]


def about_line_answers_with_three_boxes(context):
    """A click on the About box's last line brings three message boxes one after another,
    each titled by the program, with its text, the OK button only and no icon, the next one
    when the previous is dismissed; then OK unloads the About box, and so does the window
    manager's close on a new one. Read from outside through the accessibility client."""
    with context.session() as session:
        program, window, _ = start(context, session)

        def open_about():
            open_panel(window)
            window.click(*ABOUT_BUTTON)
            return one_window(session, ABOUT_TITLE)
        about = open_about()
        xwin.click(session, about, *ABOUT_PLATFORM_LINE)
        def box_saying(text):
            """The shown child windows of the program's message box once it says text."""
            shown = [c for c in wine.child_windows(session, APP_TITLE) or [] if c["shown"]]
            return shown if any(c["name"] == text for c in shown) else None
        for text in PLATFORM_HINTS:
            children = wait_for(f"the message box {text!r}", lambda: box_saying(text))
            texts = [c["name"] for c in children if c["class"] == "Static" and c["name"]]
            buttons = [c["name"] for c in children if c["class"] == "Button"]
            icons = [c for c in children if c["icon"]]
            check((texts, buttons, icons) == ([text], ["OK"], []),
                  f"the box reads {texts} with the buttons {buttons} and the icons {icons}")
            box = one_window(session, APP_TITLE)
            xwin.key(session, box, "Return")
            wait_for(f"the box {text!r} to go", lambda: box not in xwin.windows_named(session, APP_TITLE))
        holds_for("no fourth box", lambda: count_windows(session, APP_TITLE) == 0, 1.0)
        check(xwin.viewable(session, about), "the About box went with the message boxes")

        xwin.click(session, about, *ABOUT_OK_BUTTON)
        wait_for("OK to unload the About box", lambda: count_windows(session, ABOUT_TITLE) == 0)
        about = open_about()
        xwin.close_by_window_manager(session, about)
        wait_for("the close box to unload the About box", lambda: count_windows(session, ABOUT_TITLE) == 0)
        check(program.running() and window.viewable(), "the main window went with the About box")
        print(f"three boxes in turn: {PLATFORM_HINTS}; OK and the close box unloaded the About box")


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
