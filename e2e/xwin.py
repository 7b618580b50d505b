"""Looking at and driving windows from outside the program, with the X command-line tools
(xdotool, xwininfo, xprop, wmctrl, ImageMagick's import), as a user's desktop would."""

import re
import subprocess
import time
from dataclasses import dataclass, field

from checks import RigFailure

IMPORT = "/usr/bin/import"
CONVERT = "/usr/bin/convert"
COMPARE = "/usr/bin/compare"
STEP = 0.05   # pause between the parts of one gesture, so that the program sees each


def _ere(text):
    """text as an anchored POSIX extended regular expression (xdotool search matches those)."""
    return "^" + re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", text) + "$"


def windows_named(session, title, only_visible=False):
    """Ids of the windows whose name is exactly title."""
    argv = ["xdotool", "search"] + (["--onlyvisible"] if only_visible else []) + ["--name", _ere(title)]
    return [int(line, 0) for line in session.xtool(*argv).split()]


@dataclass
class Geometry:
    x: int            # absolute position of the client area on the screen
    y: int
    width: int
    height: int
    viewable: bool
    map_state: str


def geometry(session, window):
    """The window's place, size and map state, or None if it does not exist (any more)."""
    text = session.xtool("xwininfo", "-id", str(window))
    if not text:
        return None
    def number(label):
        match = re.search(rf"{label}:\s+(-?\d+)", text)
        if not match:
            raise RigFailure(f"xwininfo -id {window} printed no {label!r}:\n{text}")
        return int(match.group(1))
    state = re.search(r"Map State:\s+(\w+)", text).group(1)
    return Geometry(number("Absolute upper-left X"), number("Absolute upper-left Y"),
                    number("Width"), number("Height"), state == "IsViewable", state)


def viewable(session, window):
    g = geometry(session, window)
    return g is not None and g.viewable


def frame_extents(session, window):
    """_NET_FRAME_EXTENTS (left, right, top, bottom) as the window manager set it, or None."""
    text = session.xtool("xprop", "-id", str(window), "_NET_FRAME_EXTENTS")
    match = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", text)
    return tuple(int(v) for v in match.groups()) if match else None


def parent(session, window):
    text = session.xtool("xwininfo", "-children", "-id", str(window))
    match = re.search(r"Parent window id:\s+(0x[0-9a-f]+)", text)
    return int(match.group(1), 16) if match else None


@dataclass
class Node:
    window: int
    name: str          # "" when the window has no name
    wm_class: tuple    # (instance, class) or ()
    width: int
    height: int
    x: int             # absolute
    y: int
    children: list = field(default_factory=list)

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()


_TREE_LINE = re.compile(r"^(\s*)(0x[0-9a-f]+) (.*?)  (\d+)x(\d+)[+-]-?\d+[+-]-?\d+  \+(-?\d+)\+(-?\d+)\s*$")


def tree(session):
    """The whole window tree, from `xwininfo -root -tree`."""
    return parse_tree(session.xtool("xwininfo", "-root", "-tree"))


def parse_tree(text):
    """Nodes from the text of `xwininfo -root -tree`; a child's line is indented deeper than
    its parent's."""
    root = Node(0, "(root)", (), 0, 0, 0, 0)
    stack = [(-1, root)]
    for line in text.splitlines():
        match = _TREE_LINE.match(line)
        if not match:
            continue
        indent, window, rest, w, h, x, y = match.groups()
        # rest is '"NAME": ("INSTANCE" "CLASS")', '"NAME": ()' or '(has no name): ()'
        parts = re.match(r'^(?:"(.*)"|\(has no name\)): \((.*)\)$', rest)
        name, classes = (parts.group(1) or "", parts.group(2)) if parts else ("", "")
        class_match = re.fullmatch(r'"([^"]*)" "([^"]*)"', classes)
        node = Node(int(window, 16), name, class_match.groups() if class_match else (),
                    int(w), int(h), int(x), int(y))
        depth = len(indent)
        while stack[-1][0] >= depth:
            stack.pop()
        stack[-1][1].children.append(node)
        stack.append((depth, node))
    return root


def tray_panel(session):
    """trayer's panel window, the XEmbed tray host's top level."""
    panels = [n for n in tree(session).walk()
              if n.name == "panel" and tuple(c.lower() for c in n.wm_class) == ("panel", "trayer")]
    if len(panels) != 1:
        raise RigFailure(f"expected one trayer panel window, found {len(panels)}")
    return panels[0]


def tray_icons(session, wm_class):
    """Windows of the given WM_CLASS that trayer has embedded (descendants of its panel)."""
    panel = tray_panel(session)
    return [n for n in panel.walk() if n is not panel and wm_class in n.wm_class]


DOUBLE_CLICK_GAP = 0.6   # longer than Qt's double-click interval (400 ms)
_last_click = {}


def click(session, window, x, y, button=1):
    """Moves the pointer to (x, y) in the window and clicks there. Two clicks on the same
    spot are kept further apart than a double click, so that each counts as a click."""
    spot = (id(session), window, x, y, button)
    since = time.monotonic() - _last_click.get(spot, float("-inf"))
    if since < DOUBLE_CLICK_GAP:
        time.sleep(DOUBLE_CLICK_GAP - since)
    session.xtool("xdotool", "mousemove", "--window", str(window), str(x), str(y), check=True)
    time.sleep(STEP)
    session.xtool("xdotool", "click", str(button), check=True)
    _last_click[spot] = time.monotonic()


def activate(session, window):
    """Raises the window and gives it the focus, through the window manager."""
    session.xtool("xdotool", "windowactivate", "--sync", str(window), check=True)


def active_window(session):
    """The window that the window manager says is active (_NET_ACTIVE_WINDOW), or None."""
    text = session.xtool("xdotool", "getactivewindow")
    return int(text) if text.strip().isdigit() else None


def stacking(session):
    """The managed windows from bottom to top, as the window manager stacks them
    (_NET_CLIENT_LIST_STACKING)."""
    text = session.xtool("xprop", "-root", "_NET_CLIENT_LIST_STACKING")
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", text)]


def above(session, upper, lower):
    """True when the window manager stacks `upper` above `lower`."""
    order = stacking(session)
    return upper in order and lower in order and order.index(upper) > order.index(lower)


def drag(session, window, x, y, dx, dy):
    """Presses the left button at (x, y) in the window, moves the pointer by (dx, dy) and
    lets go, with short pauses between, as a hand would. Returns the pointer's start and end
    on the screen."""
    session.xtool("xdotool", "mousemove", "--window", str(window), str(x), str(y), check=True)
    time.sleep(STEP)
    start = pointer(session)
    session.xtool("xdotool", "mousedown", "1", check=True)
    time.sleep(4 * STEP)
    session.xtool("xdotool", "mousemove", str(start[0] + dx), str(start[1] + dy), check=True)
    time.sleep(4 * STEP)
    end = pointer(session)
    session.xtool("xdotool", "mouseup", "1", check=True)
    return start, end


def pointer(session):
    text = session.xtool("xdotool", "getmouselocation", "--shell", check=True)
    values = dict(line.split("=", 1) for line in text.split())
    return int(values["X"]), int(values["Y"])


def popup_windows(session, wm_class):
    """Viewable windows of the class (a pop-up menu among them, once it is open)."""
    ids = session.xtool("xdotool", "search", "--onlyvisible", "--class", _ere(wm_class)).split()
    return [int(w, 0) for w in ids]


def park_pointer(session):
    """Moves the pointer to the bottom-left corner, where no window is, so that no tooltip
    or hover look appears in what the test looks at."""
    session.xtool("xdotool", "mousemove", "0", "767", check=True)


def key(session, window, keysym):
    """Activates the window and types keysym into it (through XTEST, as a keyboard would)."""
    activate(session, window)
    time.sleep(STEP)
    session.xtool("xdotool", "key", keysym, check=True)


def close_by_window_manager(session, window):
    """Asks the window manager to close the window (_NET_CLOSE_WINDOW), as its close command does."""
    session.xtool("wmctrl", "-i", "-c", hex(window), check=True)


def screenshot(session, window, path):
    session.xtool(IMPORT, "-window", str(window), path, check=True)


@dataclass
class Image:
    width: int
    height: int
    pixels: bytes    # RGB, row by row

    def save_png(self, path):
        header = f"P6\n{self.width} {self.height}\n255\n".encode()
        done = subprocess.run([CONVERT, "ppm:-", f"png:{path}"], input=header + self.pixels, capture_output=True,
                              timeout=10)
        if done.returncode != 0:
            raise RigFailure(f"convert could not write {path}: {done.stderr.decode(errors='replace')}")

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def share(self, x0, y0, x1, y1, predicate):
        """The share of pixels in [x0, x1) × [y0, y1) for which predicate(r, g, b) holds."""
        hits = sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(*self.at(x, y)))
        return hits / ((x1 - x0) * (y1 - y0))


def capture(session, window):
    """The window's pixels now, read through a binary PPM from import."""
    import subprocess
    done = subprocess.run([IMPORT, "-window", str(window), "-depth", "8", "ppm:-"], env=session.env,
                          capture_output=True, timeout=10)
    if done.returncode != 0:
        raise RigFailure(f"import -window {window} failed: {done.stderr.decode(errors='replace')}")
    return parse_ppm(done.stdout)


def capture_area(session, x, y, width, height):
    """The pixels of a part of the screen now (what a compositor nested in the screen shows)."""
    done = subprocess.run([IMPORT, "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                           "-depth", "8", "ppm:-"], env=session.env, capture_output=True, timeout=10)
    if done.returncode != 0:
        raise RigFailure(f"import of the screen's {width}x{height}+{x}+{y} failed: "
                         f"{done.stderr.decode(errors='replace')}")
    return parse_ppm(done.stdout)


def parse_ppm(data):
    """A binary (P6) PPM with 8-bit samples."""
    tokens = []
    i = 0
    while len(tokens) < 4:
        while data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":
            i = data.index(b"\n", i) + 1
            continue
        start = i
        while not data[i:i + 1].isspace():
            i += 1
        tokens.append(data[start:i])
    magic, width, height, maxval = tokens[0], int(tokens[1]), int(tokens[2]), int(tokens[3])
    if magic != b"P6" or maxval != 255:
        raise RigFailure(f"unexpected image format {magic!r} with maximum {maxval}")
    pixels = data[i + 1:i + 1 + 3 * width * height]
    if len(pixels) != 3 * width * height:
        raise RigFailure(f"short image: {len(pixels)} bytes for {width} x {height}")
    return Image(width, height, pixels)


def differing_pixels(session, reference, actual, fuzz="10%", diff=None):
    """How many pixels differ by more than fuzz (ImageMagick compare -metric AE)."""
    import subprocess
    done = subprocess.run([COMPARE, "-metric", "AE", "-fuzz", fuzz, reference, actual, diff or "null:"],
                          env=session.env, capture_output=True, text=True, timeout=20)
    # compare exits 0 when alike, 1 when different, 2 on trouble; the count goes to stderr.
    if done.returncode not in (0, 1):
        raise RigFailure(f"compare could not compare {reference} with {actual}: {done.stderr.strip()}")
    try:
        return int(float(done.stderr.split()[0]))
    except (IndexError, ValueError):
        raise RigFailure(f"compare printed no pixel count: {done.stderr!r}") from None
