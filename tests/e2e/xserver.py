# The X server the windows are on, read and worked through python-xlib:
# the window manager's client list, window properties, the input focus, and
# the user's input as XTEST gives it.
import time

from Xlib import X, XK, error
from Xlib.display import Display
from Xlib.ext import xtest
from Xlib.protocol import event

KEY_HELD = 0.006  # seconds, after each press and release (as xdotool)
DARK = 3 * 96  # the sum of a pixel's blue, green and red below which it is ink
ICONIC = 3  # WM_STATE's IconicState
KEY_NAMES = {"alt": "Alt_L", "shift": "Shift_L", "super": "Super_L"}  # keysyms


class XServer:
    def __init__(self):
        self.display = Display()
        self.root = self.display.screen().root

    def window(self, xid):
        return self.display.create_resource_object("window", int(xid))

    def property(self, xid, name):
        # The property's values, [] where the window or the property is gone.
        try:
            atom = self.display.intern_atom(name)
            value = self.window(xid).get_full_property(atom, X.AnyPropertyType)
        except error.XError:
            return []
        return list(value.value) if value else []

    def clients(self):
        return self.property(self.root.id, "_NET_CLIENT_LIST")

    def pid(self, xid):
        return (self.property(xid, "_NET_WM_PID") or [0])[0]

    def iconic(self, xid):
        return self.property(xid, "WM_STATE")[:1] == [ICONIC]

    def states(self, xid):
        names = self.property(xid, "_NET_WM_STATE")
        return [self.display.get_atom_name(atom) for atom in names]

    def viewable(self, xid):
        try:
            return self.window(xid).get_attributes().map_state == X.IsViewable
        except error.XError:
            return False

    def focus(self):
        focus = self.display.get_input_focus().focus
        return focus.id if hasattr(focus, "id") else 0

    def pointer(self):
        reply = self.root.query_pointer()
        return reply.root_x, reply.root_y

    def position(self, xid):
        try:
            at = self.window(xid).translate_coords(self.root, 0, 0)
        except error.XError:
            return None
        return -at.x, -at.y

    def windows_at(self, x, y):
        # The window a click at that point of the screen reaches, and each
        # of its parents below the root.
        found = []
        window = self.root
        while True:
            try:
                child = window.translate_coords(self.root, x, y).child
            except error.XError:
                return found
            if not child:
                return found
            found.append(child.id)
            window = child

    def ink_height(self, rect):
        # From the first to the last row of the screen rectangle that holds
        # a dark pixel: the height of the text drawn there.
        x, y, w, h = rect
        image = self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
        stride = len(image) // h
        dark = []
        for row in range(h):
            pixels = image[row * stride : row * stride + w * 4]
            if any(sum(pixels[i : i + 3]) < DARK for i in range(0, len(pixels), 4)):
                dark.append(row)
        return dark[-1] - dark[0] + 1 if dark else 0

    def key(self, keys):
        # Each blank-separated chord ("alt+s", "Tab", "alt+shift+Tab") pressed
        # in order and released in reverse, each key held a moment as a hand
        # holds it: Wine loses a press whose release comes with it.
        for chord in keys.split():
            codes = [self.keycode(name) for name in chord.split("+")]
            for code in codes:
                self.fake_key(X.KeyPress, code)
            for code in reversed(codes):
                self.fake_key(X.KeyRelease, code)

    def fake_key(self, kind, code):
        xtest.fake_input(self.display, kind, code)
        self.display.sync()
        time.sleep(KEY_HELD)

    def keycode(self, name):
        keysym = XK.string_to_keysym(KEY_NAMES.get(name, name))
        return self.display.keysym_to_keycode(keysym)

    def move_pointer(self, x, y):
        xtest.fake_input(self.display, X.MotionNotify, x=x, y=y)
        self.display.sync()

    def button(self, down):
        # held a moment, as a key is
        xtest.fake_input(self.display, X.ButtonPress if down else X.ButtonRelease, 1)
        self.display.sync()
        time.sleep(KEY_HELD)

    def ask_window_manager(self, xid, name, *data):
        # A client message to the root window, as a pager sends it.
        message = event.ClientMessage(
            window=self.window(xid),
            client_type=self.display.intern_atom(name),
            data=(32, (list(data) + [0] * 5)[:5]),
        )
        mask = X.SubstructureRedirectMask | X.SubstructureNotifyMask
        self.root.send_event(message, event_mask=mask)
        self.display.sync()

    def activate(self, xid):
        self.ask_window_manager(xid, "_NET_ACTIVE_WINDOW", 2, X.CurrentTime)

    def minimize(self, xid):
        self.ask_window_manager(xid, "WM_CHANGE_STATE", ICONIC)

    def move(self, xid, x, y):
        # Returns where the window's client area will be: the frame is put
        # at (x, y) unless the window's gravity is static.
        left, _, top, _ = self.property(xid, "_NET_FRAME_EXTENTS") or [0] * 4
        self.window(xid).configure(x=x, y=y)
        self.display.sync()
        return [(x + left, y + top), (x, y)]
