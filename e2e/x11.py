"""The few Xlib calls the rig needs without spawning a tool: who owns a selection, and a
window of its own to see whether the window manager manages new ones yet."""

import ctypes

from checks import RigFailure


class X11:
    """A connection to the session's X server."""

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.lib.XInternAtom.restype = ctypes.c_ulong
        self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.lib.XGetSelectionOwner.restype = ctypes.c_ulong
        self.lib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.lib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.lib.XCreateSimpleWindow.restype = ctypes.c_ulong
        self.lib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                                 ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                                 ctypes.c_ulong]
        self.lib.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = self.lib.XOpenDisplay(display.encode())
        if not self.display:
            raise RigFailure(f"cannot connect to the X server on {display}")

    def selection_owner(self, name):
        atom = self.lib.XInternAtom(self.display, name.encode(), 0)
        return self.lib.XGetSelectionOwner(self.display, atom)

    def map_probe_window(self):
        """Maps a small, nameless top-level window and returns its id."""
        window = self.lib.XCreateSimpleWindow(self.display, self.lib.XDefaultRootWindow(self.display),
                                              0, 0, 8, 8, 0, 0, 0)
        self.lib.XMapWindow(self.display, window)
        self.lib.XSync(self.display, 0)
        return window

    def destroy_window(self, window):
        self.lib.XDestroyWindow(self.display, window)
        self.lib.XSync(self.display, 0)

    def close(self):
        if self.display:
            self.lib.XCloseDisplay(self.display)
            self.display = None
