"""Cases of the tray: the icon (or SNI item) and its picture, its clicks and its menu, and
"T", which sends the window there (or, with no tray at all, leaves it where a person can
reach it)."""

import os

import desktop
import wine
import xwin
from checks import check, holds_for, wait_for
from program import (HEIGHT, HERE, T_BUTTON, TRAY_TIP, WIDTH, exit_timeout, hidden_but_alive, open_panel,
                     send_to_tray_and_back, start, tray_icon)

SWEEP_STEP = 2           # pixels between two of the pointer's moves across the window

ICONS = os.path.join(HERE, "..", "packaging", "icons", "hicolor")


def program_icons():
    """The program's icon at each size it is installed at, as RGBA bytes."""
    return {size: desktop.icon_rgba(os.path.join(ICONS, f"{size}x{size}", "apps", "velmora3-c.png"))
            for size in desktop.ICON_SIZES}


def tray_icon_toggles_window(context):
    """The tray holds one icon with the tooltip and the program's own picture (what an SNI
    host reads; under Wine the tooltip its notification area shows); a click on it (a real
    one where the host draws it, then on SNI Activate as the host sends it) hides the window
    with the program running on, another brings it back."""
    with context.session() as session:
        program, window, _ = start(context, session)
        icon = tray_icon(session)
        if session.kind.windows:     # the tooltip as Wine's notification area shows it
            tip = icon.tooltip()
            check(tip == TRAY_TIP, f"the icon's tooltip reads {tip!r}, not {TRAY_TIP!r}")
            print(f"icon tooltip {tip!r}")
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
    works again after that. Without a tray "T" leaves the window where a person can reach it:
    still shown (bare sway), or minimized into the Activities overview and Alt+Tab (bare GNOME),
    whence it comes back; its menu still opens, and "T" again does the same."""
    with context.session() as session:
        program, window, _ = start(context, session)
        if not session.kind.tray:
            for _ in range(2):
                window.click(*T_BUTTON)
                holds_for('the window reachable after "T"', lambda: program.running() and window.reachable(), 1.0)
                window.activate()     # as Activities or Alt+Tab does
                wait_for('the window shown again', window.viewable)
            open_panel(window)
            return
        icon = tray_icon(session)
        for _ in range(2):
            send_to_tray_and_back(session, program, window, icon)


def pointer_sweep_leaves_window_shown(context):
    """The pointer crossing the window from edge to edge and back, through the sentence, as a
    person's does, leaves it shown: under Wine at 250 % and 300 % the window is wider than
    514 pixels, the code of a left-button release on the tray icon. The icon still sends the
    window to the tray and brings it back."""
    with context.session() as session:
        program, window, _ = start(context, session)
        icon = tray_icon(session)
        g = window.geometry()
        y = g.y + g.height // 2
        across = list(range(max(0, g.x - 4), g.x + g.width + 5, SWEEP_STEP))
        for xs in (across, across[::-1]):
            moves = [arg for x in xs for arg in ("mousemove", str(x), str(y), "sleep", "0.002")]
            session.xtool("xdotool", *moves, check=True, timeout=30.0)
        holds_for("the window shown after the pointer's sweep", window.viewable, 1.0)
        check(program.running(), "the program ended during the sweep")
        xwin.screenshot(session, window.window, os.path.join(context.artifacts, "after-sweep.png"))
        icon.click()
        wait_for("the window to hide after a click on the tray icon", lambda: hidden_but_alive(program, window))
        icon.click()
        wait_for("the window to come back after a second click", window.viewable)
        print(f"swept {len(across)} moves across {g.width} x {g.height} pixels and back: shown; the icon toggles")


# Shell_NotifyIcon's trace under Wine (WINEDEBUG=trace+systray), naming the request it got:
# NIM_DELETE is 2.
ICON_DELETED = "dwMessage = 2"


def session_end_takes_the_icon_away(context):
    """A log-off (`wineboot --end-session`) runs the main window's clean-up: the program deletes
    its tray icon itself (as Wine's trace of Shell_NotifyIcon shows) before the session ends
    it, and no icon of it is left."""
    with context.session() as session:
        program, window, _ = start(context, session, env={"WINEDEBUG": "-all,trace+systray"})
        icon = tray_icon(session)
        wine.end_session(session)
        program.wait_exit(exit_timeout(context))
        with open(program.stderr_path, errors="replace") as f:
            trace = f.read()
        check(ICON_DELETED in trace, f"the program never deleted its icon (no {ICON_DELETED!r} in its trace)")
        wait_for("no icon of the program left in the tray", icon.gone)
        print("the session's end ran the clean-up: the icon was deleted by the program and is gone")
