"""The program's main window and tray icon as a person meets them on each kind of session,
behind one set of operations: where the window is and how big (in screen pixels), a click or
a drag at a point of the window (in the program's own pixels, at scale 1), its picture, and
the tray icon with its tooltip, image, activation and menu.

On X11 the window is an X window (xwin); on sway it is a node of `swaymsg -t get_tree`, and
the pointer is driven on the Xvfb screen into which sway draws its one output. An XEmbed icon
is a window inside trayer's panel; a StatusNotifierItem is read and driven over D-Bus as its
host does it.
"""

import json
import os
import subprocess
import time

import xwin
from checks import RigFailure, check, wait_for
from kinds import release

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


# -- the main window -------------------------------------------------------------------------

class Window:
    """What a window of every kind answers from its geometry(): xwin.Geometry in screen
    pixels, or None once the window is gone."""

    def viewable(self):
        g = self.geometry()
        return g is not None and g.viewable

    def reachable(self):
        """Where a person can get at it: shown."""
        return self.viewable()

    def _shown(self):
        g = self.geometry()
        check(g is not None and g.viewable, f"{self} is not on the screen")
        return g

    def _screen(self, x, y):
        """The screen's pixel at (x, y) of the program's pixels at scale 1."""
        g = self._shown()
        return g.x + x * self.scale, g.y + y * self.scale

    def capture(self):
        g = self._shown()
        return capture_area(self.session, g.x, g.y, g.width, g.height)


class X11Window(Window):
    def __init__(self, session, window, scale):
        self.session, self.window, self.scale = session, window, scale

    def __repr__(self):
        return f"X window {self.window:#x}"

    def geometry(self):
        return xwin.geometry(self.session, self.window)

    def click(self, x, y, button=1):
        xwin.click(self.session, self.window, x * self.scale, y * self.scale, button)

    def drag(self, x, y, dx, dy):
        return xwin.drag(self.session, self.window, x * self.scale, y * self.scale, dx, dy)

    def activate(self):
        xwin.activate(self.session, self.window)

    def capture(self):
        return xwin.capture(self.session, self.window)

    def key(self, keysym):
        xwin.key(self.session, self.window, keysym)

    def close(self):
        """The window manager's close command (_NET_CLOSE_WINDOW)."""
        xwin.close_by_window_manager(self.session, self.window)


class CompositorWindow(Window):
    """A window of the program as a Wayland compositor knows it, found by app_id and title:
    node() is the compositor's record of it (None when there is none), _place(node) its x, y,
    width, height and whether it is shown there, in the compositor's units, SCALED when those
    are logical pixels."""

    DESKTOP = "compositor"
    SCALED = True

    def __init__(self, session, app_id, title, scale):
        self.session, self.app_id, self.title, self.scale = session, app_id, title, scale

    def __repr__(self):
        return f"{self.DESKTOP} window {self.title!r} ({self.app_id})"

    @staticmethod
    def _place(node):
        return node["x"], node["y"], node["width"], node["height"], node["shown"]

    def geometry(self):
        node = self.node()
        if node is None:
            return None
        *rect, shown = self._place(node)
        s = self.scale if self.SCALED else 1
        return xwin.Geometry(*(round(v * s) for v in rect), bool(shown), "IsViewable" if shown else "IsUnMapped")


class SwayWindow(CompositorWindow):
    """A node of sway's tree, in logical pixels; the pointer is the X server's sway draws into."""

    DESKTOP = "sway"

    def node(self):
        found = [n for n in sway_views(self.session.sway("get_tree"))
                 if n.get("app_id") == self.app_id and n.get("name") == self.title]
        check(len(found) <= 1, f"sway shows {len(found)} windows titled {self.title!r}")
        return found[0] if found else None

    @staticmethod
    def _place(node):
        r = node["rect"]
        return r["x"], r["y"], r["width"], r["height"], node.get("visible")

    def click(self, x, y, button=1):
        sx, sy = self._screen(x, y)
        self.session.xtool("xdotool", "mousemove", str(sx), str(sy), check=True)
        time.sleep(xwin.STEP)
        self.session.xtool("xdotool", "click", str(button), check=True)
        time.sleep(xwin.DOUBLE_CLICK_GAP)     # two clicks on one spot are two clicks

    def drag(self, x, y, dx, dy):
        sx, sy = self._screen(x, y)
        self.session.xtool("xdotool", "mousemove", str(sx), str(sy), check=True)
        time.sleep(xwin.STEP)
        start = xwin.pointer(self.session)
        self.session.xtool("xdotool", "mousedown", "1", check=True)
        time.sleep(4 * xwin.STEP)
        self.session.xtool("xdotool", "mousemove", str(start[0] + dx), str(start[1] + dy), check=True)
        time.sleep(4 * xwin.STEP)
        end = xwin.pointer(self.session)
        self.session.xtool("xdotool", "mouseup", "1", check=True)
        return start, end

    def activate(self):
        self.session.sway("command", f'[app_id="{self.app_id}" title="^{self.title}$"] focus')

    def key(self, keysym):
        self.activate()
        time.sleep(xwin.STEP)
        self.session.xtool("xdotool", "key", keysym, check=True)

    def close(self):
        """sway's kill, what its close binding ($mod+Shift+q) runs: the compositor asks the
        window to close."""
        node = self.node()
        check(node is not None, f"{self} is not there to close")
        self.session.sway("command", f"[con_id={node['id']}] kill")


class GnomeWindow(CompositorWindow):
    """A window of the program as GNOME Shell knows it (a Meta.Window), found by class and
    title, in the screen's pixels; the pointer is a virtual device of the shell's own seat."""

    DESKTOP = "GNOME Shell"
    SCALED = False

    FIND = ("global.get_window_actors().map(a => a.meta_window)"
            ".filter(w => w.get_wm_class() === {app_id} && w.get_title() === {title})")

    # GNOME draws no frames for Wayland clients: Qt draws its own around a window that asks for
    # one (its "bradient" decoration: 3 pixels at the sides and bottom, a 30-pixel title bar),
    # inside the frame rectangle Mutter knows. A borderless window has none.
    QT_FRAME = (3, 30)

    def __init__(self, session, app_id, title, scale, client_frame=False):
        super().__init__(session, app_id, title, scale)
        self.content = self.QT_FRAME if client_frame else (0, 0)

    def _windows(self, then):
        return self.session.shell_eval(self.FIND.format(app_id=json.dumps(self.app_id), title=json.dumps(self.title))
                                       + then)

    def node(self):
        found = self._windows(".map(w => { const r = w.get_frame_rect(); return {x: r.x, y: r.y, width: r.width, "
                              "height: r.height, decorated: w.decorated, shown: r.width > 0 && !w.minimized && "
                              "w.showing_on_its_workspace()}; })")
        check(len(found) <= 1, f"GNOME Shell shows {len(found)} windows titled {self.title!r}")
        return found[0] if found else None

    def _screen(self, x, y):
        g = settled_geometry(self)
        return g.x + (self.content[0] + x) * self.scale, g.y + (self.content[1] + y) * self.scale

    def reachable(self):
        """Shown, or minimized and listed in the Activities overview and Alt+Tab."""
        return bool(self._windows(".filter(w => !w.skip_taskbar).length"))

    def click(self, x, y, button=1):
        gnome_click(self.session, *self._screen(x, y), button)

    def drag(self, x, y, dx, dy):
        sx, sy = self._screen(x, y)
        now = "imports.gi.GLib.get_monotonic_time()"

        def button(down):
            state = "PRESSED" if down else "RELEASED"
            gnome_pointer(self.session, f"notify_button({now}, 1, imports.gi.Clutter.ButtonState.{state})")

        def move(px, py):
            gnome_pointer(self.session, f"notify_absolute_motion({now}, {px}, {py})")
        gnome_point(self.session, sx, sy)
        hand_drag(move, button, sx, sy, dx, dy)
        # Mutter gives the window no sign of the move's end (no release, no enter) until the
        # pointer moves again, as a hand does once it lets go.
        time.sleep(xwin.STEP)
        move(sx + dx + 1, sy + dy)
        return (sx, sy), (sx + dx, sy + dy)

    def activate(self):
        self._windows(".map(w => w.activate(global.get_current_time())).length")

    def close(self):
        """GNOME's close (what the window menu's Close and Alt+F4 do): the shell asks the
        window to close."""
        check(self._windows(".map(w => w.delete(global.get_current_time())).length") == 1,
              f"{self} is not there to close")


class KWinWindow(CompositorWindow):
    """A window of the program as KWin knows it (a client of its scripting), found by resource
    class and caption, in logical pixels; the pointer is the rig's fake-input client."""

    DESKTOP = "KWin"
    FIND = "{windows}.filter(c => c.resourceClass == {app_id} && c.caption == {title})"

    def _windows(self, then):
        found = self.FIND.format(windows=release("kwin_windows"), app_id=json.dumps(self.app_id),
                                 title=json.dumps(self.title))
        return self.session.kwin_script("return " + found + then + ";")

    def node(self):
        # The window's own surface (bufferGeometry), as an X11 window's geometry is its own
        # and not its frame's; a frame larger than that is KWin's decoration.
        found = self._windows(".map(c => { const b = c.bufferGeometry, f = c.frameGeometry; "
                              "return {x: b.x, y: b.y, width: b.width, height: b.height, "
                              "decorated: f.width != b.width || f.height != b.height, "
                              "shown: !c.minimized && !c.hidden}; })")
        check(len(found) <= 1, f"KWin shows {len(found)} windows titled {self.title!r}")
        return found[0] if found else None

    def _screen(self, x, y):
        """In KWin's logical pixels, which its pointer takes."""
        g = self._shown()
        return g.x / self.scale + x, g.y / self.scale + y

    def click(self, x, y, button=1):
        kwin_click(self.session, *self._screen(x, y), button)

    def drag(self, x, y, dx, dy):
        sx, sy = self._screen(x, y)
        s = self.scale
        hand_drag(lambda px, py: self.session.kwin_hand(f"move {px} {py}"),
                  lambda down: self.session.kwin_hand(f"{'press' if down else 'release'} {BUTTON_CODES[1]}"),
                  sx, sy, dx / s, dy / s)
        return (round(sx * s), round(sy * s)), (round((sx + dx / s) * s), round((sy + dy / s) * s))

    def activate(self):
        self._windows(".map(c => { workspace.%s = c; return 1; }).length" % release("kwin_active"))

    def key(self, keysym):
        self.activate()
        time.sleep(xwin.STEP)
        self.session.kwin_hand(f"key {KEY_CODES[keysym]}")

    def close(self):
        """KWin's close (the window menu's Close, Alt+F4): the compositor asks the window to close."""
        check(self._windows(".map(c => { c.closeWindow(); return 1; }).length") == 1, f"{self} is not there to close")


def settled_geometry(window):
    """Where the window is once it stays there. GNOME Shell maps a window shown again first
    and places it a frame or two later (seen: at (0, 32) for a moment, then at (125, 34)); a
    hand aims at where it stays."""
    def settled():
        first = window.geometry()
        time.sleep(0.1)
        return first if first is not None and first.viewable and first == window.geometry() else None
    return wait_for(f"{window} to settle on the screen", settled)


def hand_drag(move, button, x, y, dx, dy):
    """A drag with the left button as a hand makes it, through a desktop's own pointer:
    move(x, y) and button(down). The travel goes in steps: a move handed over in one jump may
    start no drag."""
    move(x, y)
    time.sleep(xwin.STEP)
    button(True)
    time.sleep(4 * xwin.STEP)
    for i in range(1, 5):
        move(x + dx * i / 4, y + dy * i / 4)
        time.sleep(xwin.STEP)
    time.sleep(3 * xwin.STEP)
    button(False)


# Linux input codes of the buttons and keys the rig presses on KWin.
BUTTON_CODES = {1: 272, 2: 274, 3: 273}
KEY_CODES = {"Escape": 1, "Return": 28, "space": 57, "Tab": 15, "Down": 108, "Up": 103}


def kwin_click(session, x, y, button=1, count=1):
    """A click at (x, y) in KWin's logical pixels."""
    session.kwin_hand(f"move {x} {y}")
    time.sleep(xwin.STEP)
    for _ in range(count):
        session.kwin_hand(f"press {BUTTON_CODES[button]}", f"release {BUTTON_CODES[button]}")
        time.sleep(xwin.STEP)
    time.sleep(xwin.DOUBLE_CLICK_GAP)     # two clicks on one spot are two clicks


def kwin_capture(session, x, y, width, height):
    """KWin's own picture of a part of the screen (org.kde.KWin.ScreenShot2), in screen pixels."""
    import threading
    from gi.repository import Gio, GLib
    read_end, write_end = os.pipe()
    data = bytearray()

    def drain():
        # KWin may write the picture before it answers: the pipe is read meanwhile.
        with os.fdopen(read_end, "rb") as pipe:
            while chunk := pipe.read(1 << 16):
                data.extend(chunk)
    reader = threading.Thread(target=drain, daemon=True)
    reader.start()
    # The list owns the writing end from here and closes it with itself, so that the
    # picture's end is the pipe's end.
    fds = Gio.UnixFDList.new_from_array([write_end])
    s = session.scale
    options = {"native-resolution": GLib.Variant("b", True)}
    try:
        reply, _ = session.bus().call_with_unix_fd_list_sync(
            "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureArea",
            GLib.Variant("(iiuua{sv}h)", (round(x / s), round(y / s), round(width / s), round(height / s), options, 0)),
            None, 0, 10000, fds, None)
    except GLib.Error as failure:
        why = ("; KWin 6 loads its screenshot effect only when it composites with OpenGL, which its "
               "virtual session without a GPU does not (its log: \"Effect is not supported: screenshot\")"
               if "UnknownObject" in failure.message else "")
        raise RigFailure(f"KWin's ScreenShot2.CaptureArea: {failure.message}{why}") from None
    finally:
        del fds
    reader.join(10.0)
    check(not reader.is_alive(), "KWin's picture did not end within 10 s")
    meta = reply.unpack()[0]
    w, h, stride = meta["width"], meta["height"], meta["stride"]
    check(len(data) >= stride * h, f"KWin's picture holds {len(data)} bytes, not {stride} x {h}")
    # QImage's 32-bit formats, in memory on this machine: blue, green, red, alpha.
    rgb = bytearray(3 * w * h)
    for row in range(h):
        line = data[row * stride:row * stride + 4 * w]
        out = rgb[3 * w * row:3 * w * (row + 1)]
        out[0::3], out[1::3], out[2::3] = line[2::4], line[1::4], line[0::4]
        rgb[3 * w * row:3 * w * (row + 1)] = out
    image = xwin.Image(w, h, bytes(rgb))
    if (w, h) != (width, height):
        raise RigFailure(f"KWin's picture is {w} x {h}, not the {width} x {height} asked for")
    return image


def gnome_device(session, kind, call):
    """Calls a method of the rig's virtual input device of that kind in GNOME Shell."""
    session.shell_eval(f"(globalThis.velmora_{kind} ??= imports.gi.Clutter.get_default_backend().get_default_seat()"
                       f".create_virtual_device(imports.gi.Clutter.InputDeviceType.{kind})).{call}, true")


def gnome_pointer(session, call):
    gnome_device(session, "POINTER_DEVICE", call)


# Whether the shell has the pointer at (x, y) and has found what lies under it there, as a
# fresh look at that spot finds it.
POINTER_AT = ("(() => {{ const [px, py] = global.get_pointer(), C = imports.gi.Clutter, "
              "here = global.stage.get_device_actor(C.get_default_backend().get_default_seat().get_pointer(), null); "
              "return px === {x} && py === {y} && "
              "here === global.stage.get_actor_at_pos(C.PickMode.REACTIVE, {x}, {y}); }})()")


def gnome_point(session, x, y):
    """Moves the pointer to (x, y) and waits until the shell has it there, as a hand rests a
    moment before it presses. A press sent 50 ms after the move, on a busy machine, reached
    the program as a release alone (seen in 4 of 12 runs while a build ran; 1 of 39 with this
    wait)."""
    gnome_pointer(session, f"notify_absolute_motion(imports.gi.GLib.get_monotonic_time(), {x}, {y})")
    time.sleep(xwin.STEP)
    wait_for(f"GNOME Shell to have the pointer at ({x}, {y})", lambda: session.shell_eval(POINTER_AT.format(x=x, y=y)),
             timeout=2.0)


def gnome_click(session, x, y, button=1, count=1):
    now = "imports.gi.GLib.get_monotonic_time()"
    gnome_point(session, x, y)
    for state in ("PRESSED", "RELEASED") * count:
        gnome_pointer(session, f"notify_button({now}, {button}, imports.gi.Clutter.ButtonState.{state})")
        time.sleep(xwin.STEP)
    time.sleep(xwin.DOUBLE_CLICK_GAP)     # two clicks on one spot are two clicks


def park_pointer(session):
    """Moves the pointer where no window is (and no hot corner), so that no tooltip or hover
    look appears in what the test looks at."""
    if session.kind.compositor == "kwin":
        session.kwin_hand("move 1000 10")
    elif session.kind.compositor == "gnome-shell":
        gnome_pointer(session, "notify_absolute_motion(imports.gi.GLib.get_monotonic_time(), 1000, 700)")
    else:
        xwin.park_pointer(session)


def capture_area(session, x, y, width, height):
    """The pixels of a part of the screen now: the X screen's, or GNOME Shell's own picture."""
    if session.kind.compositor == "kwin":
        return kwin_capture(session, x, y, width, height)
    if session.kind.compositor != "gnome-shell":
        return xwin.capture_area(session, x, y, width, height)
    path = os.path.join(session.dir, "area.png")
    session.xtool("gdbus", "call", "--session", "-d", "org.gnome.Shell.Screenshot", "-o", "/org/gnome/Shell/Screenshot",
                  "-m", "org.gnome.Shell.Screenshot.ScreenshotArea", str(x), str(y), str(width), str(height),
                  "false", path, check=True)
    done = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, timeout=10)
    if done.returncode != 0:
        raise RigFailure(f"convert could not read GNOME Shell's picture: {done.stderr.decode(errors='replace')}")
    return xwin.parse_ppm(done.stdout)


def sway_views(tree):
    """Every window (view) in a get_tree answer, tiled or floating."""
    stack = [tree]
    while stack:
        node = stack.pop()
        if node.get("type") in ("con", "floating_con") and (node.get("app_id") is not None or node.get("window")):
            yield node
        stack.extend(node.get("nodes", []))
        stack.extend(node.get("floating_nodes", []))


def main_windows(session, title, app_id, framed=False):
    """The program's windows with that title, viewable or not, as handles; `framed` for a
    window with a frame of the desktop's (on GNOME, the one Qt draws itself)."""
    if session.kind.wayland:
        kind = {"gnome-shell": GnomeWindow, "kwin": KWinWindow}.get(session.kind.compositor, SwayWindow)
        frame = {"client_frame": framed} if kind is GnomeWindow else {}
        handle = kind(session, app_id, title, session.scale, **frame)
        return [handle] if handle.node() is not None else []
    return [X11Window(session, w, session.scale) for w in xwin.windows_named(session, title)]


# -- the tray icon ---------------------------------------------------------------------------

class XEmbedIcon:
    """The icon as an embedded window in trayer's panel; its menu is the program's own pop-up."""

    def __init__(self, session, wm_class):
        self.session, self.wm_class = session, wm_class

    def icons(self):
        return xwin.tray_icons(self.session, self.wm_class)

    def wait(self):
        icons = wait_for("the program's icon embedded in trayer", self.icons)
        check(len(icons) == 1, f"expected one tray icon of the program, found {len(icons)}")
        return icons[0]

    def tooltip(self):
        return None            # an XEmbed icon keeps its tooltip to itself

    def pixmaps(self):
        return []

    def activate(self):
        xwin.click(self.session, self.wait().window, 10, 10)

    click = activate          # the icon is a window of the program's own: the click is real

    def choose(self, label, labels):
        """Right click on the icon, then the item by the keyboard in the pop-up the program
        draws (it takes the keyboard when it opens)."""
        icon = self.wait()
        before = set(xwin.popup_windows(self.session, self.wm_class))
        xwin.click(self.session, icon.window, 10, 10, button=3)
        wait_for("the tray icon's pop-up menu", lambda: set(xwin.popup_windows(self.session, self.wm_class)) - before)
        time.sleep(xwin.STEP)
        for _ in range(labels.index(label) + 1):
            self.session.xtool("xdotool", "key", "Down", check=True)
            time.sleep(xwin.STEP)
        self.session.xtool("xdotool", "key", "Return", check=True)

    def menu_labels(self):
        return None

    def gone(self):
        return not self.icons()


class WineTrayIcon(XEmbedIcon):
    """A Windows program's icon: Wine's explorer docks it in trayer as a window of its own
    class and shows its tooltip when the pointer rests on it, as the Windows notification
    area does."""

    CLASS = "explorer.exe"

    def __init__(self, session):
        super().__init__(session, self.CLASS)

    def tooltip(self):
        """The text of the tooltip that the pointer resting on the icon brings up, read from
        the tooltip window itself; the pointer moves away after."""
        import wine
        icon = self.wait()
        self.session.xtool("xdotool", "mousemove", "--window", str(icon.window), "8", "10", check=True)
        try:
            tips = wait_for("the tray icon's tooltip on the screen", lambda: wine.tooltips(self.session), timeout=5.0)
        finally:
            xwin.park_pointer(self.session)
        check(len(tips) == 1, f"expected one tooltip on the screen, found {tips}")
        return tips[0]["text"]


class SniItem:
    """The icon as a StatusNotifierItem, read and driven over the session bus as a host does."""

    WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher")

    def __init__(self, session):
        self.session = session
        self._bus = None

    def bus(self):
        if self._bus is None:
            from gi.repository import Gio
            flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
            self._bus = Gio.DBusConnection.new_for_address_sync(
                self.session.env["DBUS_SESSION_BUS_ADDRESS"], flags, None, None)
        return self._bus

    def _call(self, name, path, interface, method, args=None, timeout_ms=3000):
        from gi.repository import GLib
        try:
            return self.bus().call_sync(name, path, interface, method, args, None, 0, timeout_ms, None).unpack()
        except GLib.Error as failure:
            raise RigFailure(f"{interface}.{method} on {name}{path}: {failure.message}") from None

    def _property(self, name, path, interface, prop):
        from gi.repository import GLib
        return self._call(name, path, "org.freedesktop.DBus.Properties", "Get",
                          GLib.Variant("(ss)", (interface, prop)))[0]

    def items(self):
        """(bus name, object path) of every item the watcher has registered."""
        entries = self._property(*self.WATCHER, "RegisteredStatusNotifierItems")
        out = []
        for entry in entries:
            # NAME/PATH, or NAME@PATH as GNOME's AppIndicator extension writes it
            name, slash, path = entry.replace("@/", "/", 1).partition("/")
            out.append((name, "/" + path if slash else "/StatusNotifierItem"))
        return out

    def wait(self):
        items = wait_for("the program's StatusNotifierItem at the watcher", self.items)
        check(len(items) == 1, f"expected one StatusNotifierItem, found {items}")
        return items[0]

    def get(self, prop):
        return self._property(*self.wait(), "org.kde.StatusNotifierItem", prop)

    def tooltip(self):
        _icon, _pixmaps, title, _text = self.get("ToolTip")
        return title

    def pixmaps(self):
        """The item's IconPixmap: (width, height, RGBA bytes) for each size it offers."""
        out = []
        for width, height, argb in self.get("IconPixmap"):
            data = bytes(argb)
            rgba = bytearray(len(data))
            rgba[0::4], rgba[1::4], rgba[2::4], rgba[3::4] = data[1::4], data[2::4], data[3::4], data[0::4]
            out.append((width, height, bytes(rgba)))
        return out

    def activate(self):
        from gi.repository import GLib
        self._call(*self.wait(), "org.kde.StatusNotifierItem", "Activate", GLib.Variant("(ii)", (5, 5)))

    def _menu(self):
        name, path = self.wait()
        return name, self.get("Menu")

    def layout(self):
        """The menu's items as (id, label), in order (com.canonical.dbusmenu GetLayout)."""
        from gi.repository import GLib
        name, menu = self._menu()
        _revision, (_id, _props, children) = self._call(name, menu, "com.canonical.dbusmenu", "GetLayout",
                                                        GLib.Variant("(iias)", (0, -1, [])))
        return [(item_id, props.get("label", "")) for item_id, props, _ in children
                if props.get("visible", True) and props.get("type", "standard") != "separator"]

    def menu_labels(self):
        return [label for _, label in self.layout()]

    def choose(self, label, labels=None):
        from gi.repository import GLib
        found = [item_id for item_id, text in self.layout() if text.replace("&", "") == label]
        check(len(found) == 1, f"the item's menu has no single {label!r}: {self.layout()}")
        name, menu = self._menu()
        self._call(name, menu, "com.canonical.dbusmenu", "Event",
                   GLib.Variant("(isvu)", (found[0], "clicked", GLib.Variant("i", 0), 0)))

    def gone(self):
        return not self.items()

    def spot(self):
        """Where the host draws the item, on the screen: the middle of the program's colour
        (blue-violet) where the rig puts the host's tray: xfce4-panel's in the top left
        corner, swaybar's at the right end of the bar along the top, Plasma's in its panel
        along the bottom (right of its task manager, whose entry can show the window's own
        blue strip)."""
        s = self.session.scale
        kwin = self.session.kind.compositor == "kwin"
        # The screen is the Xvfb's 1024 x 768 pixels (or GNOME's monitor of that size) at any
        # scale; KWin's is 1024 x 768 of its logical pixels.
        width, height = (1024 * s, 768 * s) if kwin else (1024, 768)
        reach = width if kwin else {"gnome-shell": 300}.get(self.session.kind.compositor, 60) * s
        left = 0 if self.session.kind.name == "sni" else width - reach
        # Plasma's panel lies along the bottom, its tray near the right end.
        top = height - 60 * s if kwin else 0
        strip = capture_area(self.session, left, top, reach, 60 * s if kwin else 24 * s + 20)
        hits = [(left + x, top + y) for y in range(strip.height) for x in range(strip.width)
                if _icon_colour(*strip.at(x, y))]
        if kwin:
            # The last run of columns of that colour with gaps under 8 pixels.
            columns = sorted({x for x, _ in hits})
            first = next((i for i in range(len(columns) - 1, 0, -1) if columns[i] - columns[i - 1] >= 8), 0)
            hits = [(x, y) for x, y in hits if x >= columns[first]] if columns else hits
        check(len(hits) >= 6, f"the host draws no icon of the program's colour ({len(hits)} pixels)")
        xs, ys = sorted(x for x, _ in hits), sorted(y for _, y in hits)
        check(xs[-1] - xs[0] <= 40 * self.session.scale, f"the program's colour lies spread from x {xs[0]} to {xs[-1]}")
        return xs[len(xs) // 2], ys[len(ys) // 2]

    def click(self, button=1):
        """A real click where the host draws the item; the host tells the item."""
        x, y = self.spot()
        if self.session.kind.compositor == "gnome-shell":
            # GNOME's AppIndicator extension opens the item's menu on a single click and
            # activates it on a double click, as a person there learns to do.
            gnome_click(self.session, x, y, button, count=2 if button == 1 else 1)
            return
        if self.session.kind.compositor == "kwin":
            kwin_click(self.session, x / self.session.scale, y / self.session.scale, button)
            return
        self.session.xtool("xdotool", "mousemove", str(x), str(y), check=True)
        time.sleep(xwin.STEP)
        self.session.xtool("xdotool", "click", str(button), check=True)
        time.sleep(xwin.DOUBLE_CLICK_GAP)


def _icon_colour(r, g, b):
    return b > 150 and b - r > 50 and b - g > 50


def tray(session, wm_class):
    if session.kind.tray == "xembed" and session.kind.windows:
        return WineTrayIcon(session)
    if session.kind.tray == "xembed":
        return XEmbedIcon(session, wm_class)
    if session.kind.tray == "sni":
        return SniItem(session)
    raise RigFailure(f"a {session.kind.name} session has no tray")


def icon_rgba(path):
    """A PNG's pixels as RGBA bytes, through ImageMagick."""
    done = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], capture_output=True, timeout=10)
    if done.returncode != 0:
        raise RigFailure(f"convert could not read {path}: {done.stderr.decode(errors='replace')}")
    return done.stdout


def rgba_difference(a, b):
    """The largest difference of one channel between two equal-sized RGBA pictures, ignoring
    the colour of fully transparent pixels."""
    check(len(a) == len(b), f"pictures of {len(a)} and {len(b)} bytes")
    worst = 0
    for i in range(0, len(a), 4):
        if a[i + 3] == 0 and b[i + 3] == 0:
            continue
        worst = max(worst, *(abs(a[i + k] - b[i + k]) for k in range(4)))
    return worst
