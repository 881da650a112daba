#!/usr/bin/env python3
"""What the end-to-end run asks of the X server beyond xdotool, through libX11 itself.

  x11.py close WINDOW   asks the window to close as a window manager does (WM_DELETE_WINDOW)
  x11.py spy WINDOW     prints, in the order the server reports them, "title" for every change
                        of the window's _NET_WM_NAME and "paint" for drawing into the window
                        (one line per run of drawings); runs until killed

WINDOW is a window id (decimal or 0x hex) on the display named by $DISPLAY.
"""
import ctypes
import sys

xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

CLIENT_MESSAGE = 33
PROPERTY_NOTIFY = 28
PROPERTY_CHANGE_MASK = 1 << 22
DAMAGE_REPORT_RAW_RECTANGLES = 0


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class PropertyEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("atom", ctypes.c_ulong), ("time", ctypes.c_ulong), ("state", ctypes.c_int)]


class Event(ctypes.Union):
    # XEvent is a union padded to 24 longs.
    _fields_ = [("type", ctypes.c_int), ("client", ClientMessage), ("property", PropertyEvent),
                ("pad", ctypes.c_long * 24)]


def close(display, window):
    event = Event()
    event.client.type = CLIENT_MESSAGE
    event.client.window = window
    event.client.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = 0  # CurrentTime
    xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    xlib.XSync(display, 0)


def spy(display, window):
    damage = ctypes.CDLL("libXdamage.so.1")
    damage.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                             ctypes.POINTER(ctypes.c_int)]
    damage.XDamageCreate.restype = ctypes.c_ulong
    damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
    event_base, error_base = ctypes.c_int(), ctypes.c_int()
    if not damage.XDamageQueryExtension(display, ctypes.byref(event_base),
                                        ctypes.byref(error_base)):
        sys.exit("x11.py: the X server has no DAMAGE extension")
    title = xlib.XInternAtom(display, b"_NET_WM_NAME", 0)
    xlib.XSelectInput(display, window, PROPERTY_CHANGE_MASK)
    damage.XDamageCreate(display, window, DAMAGE_REPORT_RAW_RECTANGLES)
    xlib.XSync(display, 0)
    print("ready", flush=True)
    event = Event()
    last = ""
    while True:
        xlib.XNextEvent(display, ctypes.byref(event))
        if event.type == PROPERTY_NOTIFY and event.property.atom == title:
            last = "title"
        elif event.type == event_base.value and last != "paint":
            last = "paint"
        else:
            continue
        print(last, flush=True)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("close", "spy"):
        sys.exit(__doc__)
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("x11.py: cannot open the display")
    window = int(sys.argv[2], 0)
    if sys.argv[1] == "close":
        close(display, window)
    else:
        spy(display, window)
    xlib.XCloseDisplay(display)


main()
