"""Cases that compare the program's windows with their reference pictures in e2e/reference
(the Windows program's in e2e/reference/wine). VELMORA_UPDATE_REFERENCE=1 writes the
pictures anew (the main window's also to the README's pictures: docs/screenshot.png from the
X11 kind, docs/screenshot-windows.png from Wine)."""

import os
import shutil
import time

import desktop
import xwin
from checks import check, wait_for
from kinds import release
from program import ABOUT_BUTTON, ABOUT_TITLE, ARRIVAL_TITLE, FESTIVAL_DAY, HERE, one_window, open_panel, start

# The README's picture of the main window on each system, and the kind that draws it.
README_SCREENSHOTS = {"xembed": os.path.join(HERE, "..", "docs", "screenshot.png"),
                      "wine": os.path.join(HERE, "..", "docs", "screenshot-windows.png")}
FROZEN_INSTANT = "2013-04-03 14:25:07"       # the countdown reads 9 days, 10 h, 35 min, 53 s
REFERENCE_TOLERANCE = 150                     # pixels, of 257 × 145, beyond a 10 % colour fuzz


def reference_of(session, name):
    """Where the reference picture of that name lies for the session's program: the Windows
    build's, drawn by its own runtime, in reference/wine; a release's own picture, where the
    release has one, in its folder there (kinds.RELEASES)."""
    folder = os.path.join(HERE, "reference", *(("wine",) if session.kind.windows else ()))
    own = release("pictures")
    if own and os.path.exists(os.path.join(folder, own, name)):
        return os.path.join(folder, own, name)
    return os.path.join(folder, name)


def screenshot_matches_reference(context):
    """At a frozen instant the window looks like e2e/reference/main-window.png (within a small
    tolerance). VELMORA_UPDATE_REFERENCE=1 writes the reference (and the README's picture) anew."""
    with context.session() as session:
        desktop.park_pointer(session)
        _, window, _ = start(context, session, fake_time=FROZEN_INSTANT)
        matches_reference(context, session, window, reference_of(session, "main-window.png"),
                          also=tuple(p for k, p in README_SCREENSHOTS.items() if k == session.kind.name))


def arrival_window_matches_reference(context):
    """The arrival window looks like e2e/reference/arrival-window.png: its three lines whole."""
    with context.session() as session:
        xwin.park_pointer(session)
        start(context, session, fake_time=FESTIVAL_DAY)
        arrival = desktop.X11Window(session, one_window(session, ARRIVAL_TITLE), session.scale)
        matches_reference(context, session, arrival, reference_of(session, "arrival-window.png"))


def panel_matches_reference(context):
    """Main with its menu panel open looks like e2e/reference/menu-panel.png: the three
    buttons' texts whole, over the sentence."""
    with context.session() as session:
        desktop.park_pointer(session)
        _, window, _ = start(context, session, fake_time=FROZEN_INSTANT)
        open_panel(window)
        desktop.park_pointer(session)    # no hover look on the Menu button
        matches_reference(context, session, window, reference_of(session, "menu-panel.png"))


def about_box_matches_reference(context):
    """The About box looks like e2e/reference/about-box.png: every line of it whole."""
    with context.session() as session:
        xwin.park_pointer(session)
        _, window, _ = start(context, session, fake_time=FROZEN_INSTANT)
        open_panel(window)
        window.click(*ABOUT_BUTTON)
        about = desktop.X11Window(session, one_window(session, ABOUT_TITLE), session.scale)
        xwin.park_pointer(session)
        matches_reference(context, session, about, reference_of(session, "about-box.png"))


def matches_reference(context, session, window, reference, also=()):
    """Compares the settled window with its reference picture; VELMORA_UPDATE_REFERENCE=1
    writes the picture (and the copies in `also`) anew instead."""
    window.activate()
    name = os.path.basename(reference)
    shot = os.path.join(context.artifacts, name)
    settled = _settled_image(window)
    settled.save_png(shot)
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
