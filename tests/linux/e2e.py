#!/usr/bin/env python3
# The real program worked as a user works it, on one of two desktops (X11
# with openbox, or GNOME Shell on Wayland): real input, drops from another
# toolkit's window, widgets and message boxes read over AT-SPI, logind played
# by python-dbusmock on a private system bus, in a temporary XDG desktop whose
# applications record their folder and exact arguments. Every wait polls its
# condition against a deadline.
# Usage, inside dbus-run-session: e2e.py PROGRAM SOURCE_DIR (inside xvfb-run at
# 96 DPI), or e2e.py PROGRAM SOURCE_DIR gnome [ROUNDS]
import contextlib, json, os, queue, re, shutil, subprocess, sys, tempfile, threading, time, urllib.parse
import pyatspi
from dbusmock import DBusTestCase
from gi.repository import Gio, GLib

PROGRAM, SOURCE, DEADLINE = *sys.argv[1:3], 20.0
GNOME, ROUNDS = sys.argv[3:4] == ["gnome"], int((sys.argv[4:] or [1])[0])
pyatspi.setTimeout(int(DEADLINE * 1000), int(DEADLINE * 1000))  # AT-SPI's own 0.8 s is too short for a busy machine
failures, started, PIDS = [], [], {}  # every process started here is ended at the end; X clients' pids


def spawn(argv, **options):
    return started.append(subprocess.Popen(argv, **options)) or started[-1]


def check(ok, what):
    ok or failures.append(what) or print("FAILED:", what, flush=True)
    return ok


def wait(condition, what, timeout=DEADLINE):
    end = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > end:
            raise TimeoutError(what)
        time.sleep(0.005)
    return value


T = {k: v.encode("latin-1", "backslashreplace").decode("unicode_escape") for k, v in re.findall(
    r'(k\w+) =\s*u"((?:[^"\\]|\\.)*)"', open(SOURCE + "/core/texts.h", encoding="utf-8").read())}
HOSTILE = [(what.strip(), re.sub(r"\\x(..)", lambda m: chr(0xDC00 + int(m[1], 16)), stem.replace("\\n", "\n")))
           for where, stem, what in (
    line.split("\t") for line in open(SOURCE + "/tests/hostile_names.txt", encoding="utf-8")
    if line[0] != "#") if "L" in where]
ROOT = tempfile.mkdtemp(prefix="vorundel-e2e-")
FILES, RECORDS, WORK, APPS, FLATPAK = (os.path.join(ROOT, d) for d in (
    "files", "records", "work", "data/applications", "flatpak/exports"))
RECORDER = ROOT + "/bin/vorundel-test-recorder"
os.mkdir(ROOT + "/runtime", 0o700)  # Qt takes no other
for d in (FILES, RECORDS, WORK, APPS, FLATPAK + "/share/applications", ROOT + "/config", ROOT + "/data/dbus-1/services"):
    os.makedirs(d)
DESKTOP, DEFAULTS = dict(os.environ), {}  # the real environment, for the window manager and the drag source
SERVICES = DESKTOP["XDG_DATA_HOME"] + "/dbus-1/services"  # the session bus's, set before it started (CMake)
os.environ.update(
    XDG_DATA_HOME=ROOT + "/data", XDG_CONFIG_HOME=ROOT + "/config", XDG_CONFIG_DIRS=ROOT + "/sys",
    XDG_DATA_DIRS=ROOT + "/sys:" + FLATPAK + "/share", PATH=ROOT + "/bin:" + os.environ["PATH"],
    XDG_RUNTIME_DIR=ROOT + "/runtime", VORUNDEL_RECORD_DIR=RECORDS, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
    LANG="ja_JP.UTF-8", LSAN_OPTIONS="suppressions=" + SOURCE + "/tests/linux/lsan.supp")
os.environ.pop("QT_QPA_PLATFORM", None)  # the program picks its platform itself


def mimeapps(removed=""):
    open(ROOT + "/config/mimeapps.list", "w").write(
        "[Default Applications]\n" + "".join(f"{k}={v}\n" for k, v in DEFAULTS.items()) + removed)


def associate(ext, exec_line="vorundel-test-recorder %f", keys="", folder=APPS, mime=None):
    # Makes an entry running `exec_line` the default for the type of `ext`.
    mime = mime or Gio.content_type_guess("x" + ext, None)[0]
    DEFAULTS[mime] = "vt." + mime.replace("/", ".") + ".desktop"  # a D-Bus name, as activation needs
    with open(os.path.join(folder, DEFAULTS[mime]), "w") as f:
        f.write(f"[Desktop Entry]\nType=Application\nName=Recorder\nExec={exec_line}\n"
                f"{keys}MimeType={mime};\nNoDisplay=true\n")
    mimeapps()
    return f.name


def activatable(ext, service):
    # A D-Bus activatable default for `ext`, started as `service` (with {} the app id) by the session bus.
    app = os.path.basename(associate(ext, "vorundel-test-recorder %U", "DBusActivatable=true\n"))[:-8]
    os.makedirs(SERVICES, exist_ok=True)
    open(f"{SERVICES}/{app}.service", "w").write(f"[D-BUS Service]\nName={app}\nExec={service.format(app)}\n")
    DBusTestCase.get_dbus(False).get_object("org.freedesktop.DBus", "/org/freedesktop/DBus").ReloadConfig()
    return True


def make(name, to=None, content="x\n"):
    # A file (a "/" in the name makes folders on the way), or a link to `to`.
    path = os.path.join(FILES, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    os.symlink(to, path) if to else open(path, "wb").write(content.encode("latin-1"))
    return path


make(ROOT + "/sys/mime", "/usr/share/mime")  # the system's types, none of its applications
make(RECORDER, SOURCE + "/tests/linux/recorder.sh")


def run(*argv):
    return subprocess.run([str(a) for a in argv], capture_output=True, text=True, timeout=DEADLINE).stdout


def xdo(*args):
    return run("xdotool", *args)


def shown(path):  # as GLib's display name shows a path in UTF-8: U+FFFD for each byte of no character
    return os.fsencode(path).decode(errors="replace")


def prompt(program, tail="kPromptTailAssociated"):
    return T["kPromptHead"] + (br := T["kLineBreak"].replace("\r", "") * 2) + program + br + T[tail]


class X11:
    # Xvfb with openbox: input through XTEST (xdotool), window states from
    # WM_STATE, drops from a Tk (tkdnd, XDND) drag source.
    DRAG_RUN, DRAG = ["wish"], r"""package require tkdnd; fconfigure stdout -buffering line
wm title . "drag source"; wm attributes . -topmost 1; wm geometry . 60x40-0-0
pack [label .s -text drag] -fill both -expand 1; tkdnd::drag_source register .s DND_Files
bind .s <<DragInitCmd>> {after idle {puts grabbed}; list copy DND_Files [split [gets stdin] "\t"]}
bind .s <<DragEndCmd>> {foreach t [after info] {after cancel $t}; puts end}
trace add execution ::tkdnd::xdnd::_HandleXdndStatus leave {apply {{c args} {puts "status [dict get [lindex $c 1] accept]"}}}
tkwait visibility .s; puts "up [expr [winfo rootx .s] + 30] [expr [winfo rooty .s] + 20]"
"""  # tkdnd leaves a 10 s wait for XdndFinished armed after every drop: fired
    # during a later drag it would end that drag, so each end cancels it.

    def __init__(self):
        self.env, self.pids = DESKTOP, {}
        for attempt in range(3):  # openbox has been seen, rarely, to end at start; never two at once
            wm = spawn(["openbox"], env=DESKTOP, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait(lambda: "WINDOW" in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK") or wm.poll() is not None, "wm")
            if wm.poll() is None:
                break

    def clients(self):
        # (window, pid) of each window openbox manages, without walking the window
        # tree (slow with 40 programs up). A window's pid is asked once, while its
        # program runs: the X server gives an ended program's window ids out again.
        ids, alive = re.findall(r"0x[0-9a-f]+", run("xprop", "-root", "_NET_CLIENT_LIST")), {
            p.pid for p in started if p.poll() is None}
        self.pids = {x: self.pids[x] if self.pids.get(x) in alive else int(
            (re.findall(r"= (\d+)", run("xprop", "-id", x, "_NET_WM_PID")) or [0])[0]) for x in ids}
        return self.pids.items()

    origin = staticmethod(lambda xid, root: (0, 0))  # AT-SPI's desktop coordinates are the screen's
    key = staticmethod(lambda keys: xdo("key", keys))
    click = staticmethod(lambda x, y, down: xdo("mousemove", x, y, "mousedown", 1, "mouseup", 1))  # xdotool click sleeps 0.1 s
    press = staticmethod(lambda x, y: (xdo("mousemove", x, y, "mousedown", 1, "mousemove_relative", 8, 0),
                                       DRAG.line("grabbed")))
    over = staticmethod(lambda x, y: (xdo("mousemove", x, y), DRAG.line("status"))[1])  # the target's answer
    release = staticmethod(lambda: xdo("mouseup", 1))
    activate = restore = staticmethod(lambda xid: xdo("windowactivate", xid))  # openbox raises it before it is active
    place = staticmethod(lambda xid: xdo("windowmove", "--sync", xid, 200, 200))
    minimize = staticmethod(lambda xid: xdo("windowminimize", xid))
    iconic = staticmethod(lambda xid: "Iconic" in run("xprop", "-id", xid, "WM_STATE"))
    above = staticmethod(lambda xid: "ABOVE" in run("xprop", "-id", xid, "_NET_WM_STATE"))


class GnomeShell(X11):
    # GNOME Shell's own headless Wayland session, the program and the Tk drag
    # source X clients of its XWayland: input through virtual devices on
    # Mutter's seat, window states from Mutter's windows, both over
    # org.gnome.Shell.Eval. It asks logind at start, so logind comes first.

    def __init__(self):
        self.logind, home, self.pids = logind(), ROOT + "/home", {}
        os.makedirs(home + "/.config/glib-2.0/settings")
        open(home + "/.config/glib-2.0/settings/keyfile", "w").write(  # no lock, no idle, no animations
            "[org/gnome/desktop/screensaver]\nlock-enabled=false\n[org/gnome/desktop/session]\nidle-delay=uint32 0\n"
            "[org/gnome/desktop/interface]\nenable-animations=false\n")
        self.env = dict(DESKTOP, HOME=home, XDG_RUNTIME_DIR=ROOT + "/runtime", GSETTINGS_BACKEND="keyfile",
                        DBUS_SYSTEM_BUS_ADDRESS=os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
        for k in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
            self.env.pop(k, None)
        self.shell, self.bus = None, Gio.bus_get_sync(Gio.BusType.SESSION)
        for attempt in range(3):  # now and then the shell hangs at start, never answering
            self.shell and (self.shell.terminate(), self.shell.wait())
            self.shell = spawn(["gnome-shell", "--headless", "--wayland", "--virtual-monitor", "1280x800",
                                "--unsafe-mode"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with contextlib.suppress(TimeoutError):
                wait(lambda: self.eval("!Main.layoutManager._startingUp", quiet=True), "shell")
                break
        self.eval("""const C = imports.gi.Clutter, seat = C.get_default_backend().get_default_seat();
            global.vtPointer = seat.create_virtual_device(C.InputDeviceType.POINTER_DEVICE);
            global.vtKeys = seat.create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE); Main.overview.hide()""")
        display = {k: self.eval(f"GLib.getenv('{k}')") for k in ("DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY")}
        os.environ.update(display), self.env.update(display)  # as the shell gives them to its applications

    def eval(self, script, quiet=False):
        try:
            ok, out = self.bus.call_sync("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                                         GLib.Variant("(s)", (script,)), None, 0, int(DEADLINE * 1000), None).unpack()
        except GLib.Error:
            if quiet:
                return None
            raise
        assert ok, f"{script}: {out}"
        return out and json.loads(out)

    def window(self, xid, script):  # `script` on Mutter's window `w` of that X window
        return self.eval(f"(w => {script})(global.display.list_all_windows().find(w => parseInt(w.get_description()) == {xid}))")

    def key(self, keys):  # xdotool's names: "alt+s"; once the focus has settled: the shell's and XWayland's agree
        wait(lambda: self.eval("(f => f && !f.minimized && parseInt(f.get_description()))(global.display.focus_window)")
             == int(xdo("getwindowfocus") or 0), "focus settled")
        names = [{"alt": "Alt_L", "shift": "Shift_L", "super": "Super_L"}.get(k, k) for k in keys.split("+")]
        self.eval("const C = imports.gi.Clutter, t = GLib.get_monotonic_time(), k = [%s];"
                  "k.forEach(v => global.vtKeys.notify_keyval(t, v, C.KeyState.PRESSED));"
                  "k.reverse().forEach(v => global.vtKeys.notify_keyval(t, v, C.KeyState.RELEASED))"
                  % ",".join("C.KEY_" + n for n in names))

    def pointer(self, *steps):  # (x, y) moves and True/False presses of the first button
        self.eval("const C = imports.gi.Clutter, p = global.vtPointer, t = GLib.get_monotonic_time();" + "".join(
            f"p.notify_button(t + {i}, 1, C.ButtonState.{'PRESSED' if s else 'RELEASED'});" if s in (True, False)
            else f"p.notify_absolute_motion(t + {i}, {s[0]}, {s[1]});" for i, s in enumerate(steps)))

    def move(self, x, y):
        # Once XWayland has the pointer there, a press goes there and a drag
        # has entered it.
        self.pointer((x, y))
        wait(lambda: xdo("getmouselocation").startswith(f"x:{x} y:{y} "), "pointer moved")

    def click(self, x, y, down):  # a press is lost now and then: again, until the button is down
        for attempt in range(3):
            self.move(x, y), self.pointer(True)
            with contextlib.suppress(TimeoutError):
                return wait(down, "pressed", DEADLINE / 4) and self.pointer(False)
            self.pointer(False)

    def press(self, x, y):
        self.pointer((x, y), True, (x + 8, y)), DRAG.line("grabbed")

    def over(self, x, y):  # the target's answer
        self.pointer((x, y))
        return DRAG.line("status")

    def release(self):
        self.pointer(False)

    def activate(self, xid):  # as the dash does, until XWayland has the focus there too (keys go there)
        wait(lambda: self.window(xid, "Main.activateWindow(w, global.display.get_current_time_roundtrip())")
             or int(xdo("getwindowfocus") or 0) == int(xid, 16), "focus")

    restore = activate

    def place(self, xid):  # side by side: XWayland's stacking can lag the shell's, so no window hides another
        self.placed = getattr(self, "placed", -1) + 1
        self.window(xid, f"w.move_frame(true, {self.placed % 2 * 600}, {40 + self.placed // 2 % 4 * 180})")

    def minimize(self, xid):  # the user's own: Super+H on the focused window
        self.activate(xid)
        wait(lambda: self.window(xid, "w.has_focus()"), "focused")
        self.key("super+h")

    def iconic(self, xid):
        return self.window(xid, "w.minimized")

    def above(self, xid):
        return self.window(xid, "w.is_above()")


class Drag:
    # A window of another toolkit whose drag carries the URIs of the line
    # written to it last; it reports where it is ("up X Y"), the grab, the
    # target's acceptance ("status 1" or "status 0") and the drag's end.

    def __init__(self):
        open(ROOT + "/drag", "w").write(D.DRAG)
        self.proc = spawn([*D.DRAG_RUN, ROOT + "/drag"], env=D.env, stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, text=True, bufsize=1)  # lines both ways
        self.lines = queue.Queue()
        threading.Thread(target=lambda: [self.lines.put(l) for l in self.proc.stdout], daemon=True).start()
        self.at = [*map(int, self.line("up").split()[1:])]  # before any window that a new window would take the focus from

    def line(self, wanted, timeout=DEADLINE):
        # The next report, past the target's repeated answers while the pointer rests.
        while (line := self.lines.get(timeout=timeout)).startswith("status") and wanted != "status":
            pass
        assert line.startswith(wanted), f"drag: {line!r} where {wanted!r} was due"
        return line


class Window:
    # One start of the program, found over AT-SPI and on the desktop.

    def __init__(self):
        self.log = tempfile.TemporaryFile(dir=ROOT)
        self.proc = spawn([PROGRAM], cwd=WORK, stdout=subprocess.PIPE, stderr=self.log)

    def point(self, a, xid=None, root=None):
        # Its middle on the screen; for Frame1, the middle of its caption.
        e, (x, y) = a.queryComponent().getExtents(pyatspi.DESKTOP_COORDS), D.origin(xid or self.xid, root or self.frame)
        return x + e.x + e.width // 2, y + e.y + (6 if a == self.frame1 else e.height // 2)

    def activate(self, xid=None, a=None):
        D.activate(xid or self.xid)
        wait(lambda: (a or self.frame).getState().contains(pyatspi.STATE_ACTIVE), "active")

    def drop(self, *paths, target=None):
        # Drags `paths` onto Label1 (or `target`): press, one move, the target's
        # answer to that position, release, the end of the exchange. Whether it
        # took them (one file on Label1: and Label1 shows it, the target having finished).
        self.activate()
        print("\t".join(p if "://" in p else "file://" + urllib.parse.quote(os.fsencode(p)) for p in paths), file=DRAG.proc.stdin)
        D.press(*DRAG.at)
        taken = D.over(*self.point(target or self.label)) == "status 1\n"
        D.release(), DRAG.line("end")
        return taken and (target is not None or len(paths) > 1 or self.label.name == shown(paths[0]))

    def click(self, a, xid=None, root=None):
        D.click(*self.point(a, xid, root), lambda: a.getState().contains(pyatspi.STATE_PRESSED))

    def box(self):
        # The message box shown now: its texts, its buttons, itself.
        box = wait(lambda: next((w for w in self.app if w and w.getRoleName() in ("alert", "dialog")
                                 and w.getState().contains(pyatspi.STATE_SHOWING)), None), "box")
        tree = lambda a: [a] + [d for c in a for d in tree(c)]
        return ([a.name for a in tree(box) if a.getRoleName() == "label" and a.name],
                [a for a in tree(box) if a.getRoleName() == "push button"], box)

    def box_xid(self):  # the program's window that is not its main window
        return wait(lambda: [x for x, pid in D.clients() if pid == self.proc.pid and x != self.xid], "box")[0]

    def answer(self, button="OK", set_keys=None, click=False):
        # Presses Set (by mouse or `set_keys`) unless None, then the box's
        # `button` (OK by Enter unless `click`) once the box is placed and
        # active; the box's text.
        if set_keys is not None:
            self.activate()
            D.key(set_keys) if set_keys else self.click(self.set)
        texts, buttons, box = self.box()
        self.activate(xid := self.box_xid(), box)
        if button == "OK" and not click:
            D.key("Return")
        else:
            self.click(next(b for b in buttons if b.name == button), xid, box)
        return "\n".join(texts)

    def iconic(self):
        return D.iconic(self.xid)

    def end(self):
        # Exit status once the program and what it started are gone (None: still running).
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.proc.communicate(timeout=DEADLINE)
        report = os.pread(self.log.fileno(), 1 << 24, 0).decode(errors="replace")
        return self.proc.returncode if check(not re.search("Sanitizer|runtime error", report), report) else report


def find(*windows):
    # The windows' programs over AT-SPI (one pass over the desktop a poll), their windows, controls.
    def found():
        nonlocal missing
        apps, xids = {a.get_process_id(): a for a in pyatspi.Registry.getDesktop(0) if a}, dict(map(reversed, D.clients()))
        missing = [(w.proc.pid in apps, w.proc.pid in xids, w.proc.poll()) for w in windows
                   if w.proc.pid not in apps or w.proc.pid not in xids]
        return not missing and (apps, xids)
    missing = []
    try:
        apps, xids = wait(found, "programs on AT-SPI and the desktop")
    except TimeoutError:
        raise TimeoutError(f"(on AT-SPI, on the desktop, exit status) of the programs not found: {missing}") from None
    for w in windows:
        w.app, w.xid = apps[w.proc.pid], xids[w.proc.pid]
        D.place(w.xid)  # all in one place: the active one is on top
        w.frame = wait(lambda: next((c for c in w.app if c and c.childCount == 3), None), "frame")
        (w.frame1, w.set, w.cancel), w.label = w.frame, w.frame[0][0]
    return windows


def logind():  # python-dbusmock's logind; a function that sends PrepareForSleep, one that stops it
    proc, obj = DBusTestCase.spawn_server_template("logind", stdout=subprocess.DEVNULL)
    started.append(proc)
    bus = DBusTestCase.get_dbus(True)
    return (lambda sleeping: obj.EmitSignal("org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                                            [sleeping], dbus_interface="org.freedesktop.DBus.Mock"),
            lambda: proc.terminate() or wait(lambda: not bus.name_has_owner("org.freedesktop.login1"), "stop"))


def rows():
    # (what, file to arm, program the prompt names, launches at resume,
    # change after arming, try an .exe of the same name first; then how the
    # window is armed, or not: window_rows())
    rec, shared, fp = RECORDER, FLATPAK + "/share/applications", (
        RECORDER + " run --branch=stable --arch=x86_64 --command=view --file-forwarding ")
    snap, spaced = (make(ROOT + d + "/vorundel-test-recorder", rec) for d in ("/snap/bin", "/bin dir"))
    longer = make(ROOT + "/programs/" + "/".join(c * 200 for c in "def") + "/vorundel-test-recorder", rec)
    out = [(what, associate(ext, exec_line, keys, folder) and make("entry" + ext), program, 1, None, False)
           for what, ext, exec_line, keys, folder, program in [  # the desktop entry wraps the program
            ("program path over 512 bytes", ".csv", longer + " %f", "", APPS, longer),
            ("env", ".c", "env FOO=bar " + rec + " %f", "", APPS, rec),
            ("env with options", ".h", "env -iu HOME --unset=LANG --chdir / -S \"-- VORUNDEL_RECORD_DIR="
             + RECORDS + " '" + spaced + "'\" %f", "", APPS, spaced),
            ("snap", ".md", "env BAMF_DESKTOP_FILE_HINT=/x.desktop " + snap + " %u", "", APPS, snap),
            ("flatpak", ".css", fp + "org.example.Viewer @@ %F @@", "X-Flatpak=org.example.Viewer\n",
             shared, make(FLATPAK + "/bin/org.example.Viewer", rec)),
            ("flatpak without launcher", ".xml", fp + "org.example.Other @@ %F @@",
             "X-Flatpak=org.example.Other\n", shared, "org.example.Other"),
            ("TryExec", ".java", "vorundel-test-recorder %f", "TryExec=" + rec + "\n", APPS, rec),
            ("several globs: .html", ".html", rec + " %f", "", APPS, rec),
            ("several globs: .json", ".json", rec + " %f", "", APPS, rec),
            ("startup notification", ".tex", rec + " %f", "StartupNotify=true\n", APPS, rec)]]
    out += [("empty .html: text to GIO", make("empty.html", content=""), "vorundel-test-recorder", 1, None, False)]
    extra = [("'*' and '?' are ordinary", "what*is?"), ("255 bytes", "\U0001F600" * 62 + "あ")]
    out += [(what, make(stem + ".txt"), "vorundel-test-recorder", 1, None, True) for what, stem in HOSTILE + extra]
    out += [(what, activatable(ext, service) and make("activated" + ext), "vorundel-test-recorder", opens, None, False)
            for what, ext, service, opens in [
                ("D-Bus activated, not running", ".ods", f"{sys.executable} {SOURCE}/tests/linux/dbus_opener.py {{}} {RECORDS}", 1),
                ("D-Bus service that cannot start", ".odp", "/bin/false {}", 0)]]
    unassociate = lambda p: mimeapps(  # types that fall back on no other type's application
        f"[Removed Associations]\n{(m := Gio.content_type_guess(p, None)[0])}={DEFAULTS.pop(m)}\n")
    gone, _ = associate(".pdf"), associate(".odt")
    return [r + ("Set",) for r in out] + window_rows()[1:] + [  # openbox's Alt+Tab leaves a minimized window be
        (what, make(name), "vorundel-test-recorder", 0, change, False, "Set") for what, name, change in [
        ("file deleted after arming", "deleted.txt", os.remove),
        ("file renamed after arming", "renamed.txt", lambda p: os.rename(p, p + ".old")),
        ("file replaced by a folder", "folder.txt", lambda p: (os.remove(p), os.mkdir(p))),
        ("association removed in mimeapps.list", "removed.odt", unassociate),
        ("application's entry deleted", "gone.pdf", lambda p: os.remove(gone)),
        ("resume during the failure message", "during.txt", os.remove)]]


RESTORES = ("restore", "alt+shift+Tab")


def window_rows():
    # Set by its access key, OK by Enter (every other row: Set and OK by
    # Enter) or by click; the user's own minimize; restored after arming.
    # GNOME's switcher lists the windows on screen first, minimized ones last:
    # Alt+Shift+Tab reaches the only one minimized, so that row comes first.
    return [(what, make(name), "vorundel-test-recorder", launches, None, False, how) for what, name, launches, how in [
        ("restored by Alt+Shift+Tab", "alt-tab.txt", 0, "alt+shift+Tab"),
        ("Set by Alt+S, OK by Enter", "enter.txt", 1, "alt+s"), ("OK by click", "click.txt", 1, "click"),
        ("minimized by the user", "own.txt", 1, "own"), ("restored from the dash", "dash.txt", 0, "restore")]]


def first_window(w):
    # Layout, focus, refused drops and refusals, with no logind on the bus.
    e = lambda a: a.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    for a, parent, want, caption in [  # the client area at 96 DPI, then each control in its parent
            (w.frame, w.frame, (0, 0, 467, 123), "kAppTitle"), (w.frame1, w.frame, (8, 16, 449, 57), "kFrame1Caption"),
            (w.label, w.frame1, (8, 24, 433, 21), "kFrame1Caption"), (w.set, w.frame, (64, 84, 161, 25), "kCmdSetCaption"),
            (w.cancel, w.frame, (240, 84, 161, 25), "kCmdCancelCaption")]:
        r, p = e(a), e(parent)
        check((r.x - p.x, r.y - p.y, r.width, r.height) == want and a.name == T[caption].replace("&", ""),
              f"{a.name} at {r.x - p.x},{r.y - p.y} {r.width}x{r.height}")
    focused = lambda a: a.getState().contains(pyatspi.STATE_FOCUSED)
    w.activate()
    check(focused(w.cancel), "Cancel has the focus first")
    check(all(xdo("key", "Tab") or wait(lambda: focused(a), "Tab order") for a in (w.set, w.cancel)), "Tab")
    check(w.answer(set_keys="") == T["kFileMissing"], "Set with nothing dropped")
    one, two, folder, dangling = make("one.txt"), make("two.txt"), FILES + "/a folder", FILES + "/dangling"
    os.mkdir(folder), os.symlink(FILES + "/nothing", dangling)
    for what, uris, target in [("two files", [one, two], None), ("a web address", ["https://example.com/a.txt"], None),
                               ("on cmdSet", [one], w.set), ("on Frame1's caption", [one], w.frame1)]:
        check(not w.drop(*uris, target=target) and w.label.name == T["kFrame1Caption"], "drop taken: " + what)
    for what, path, keys, text in [
            ("missing file", one, "", "kFileMissing"), ("folder", folder, "", "kFileMissing"),
            ("dangling link", dangling, "", "kFileMissing"),
            ("unassociated", make("data.vorundel-unknown", content="\0\xff"), "alt+s", "kNotAssociated"),
            ("no logind", two, "alt+s", "kResumeUndetectable")]:
        check(w.drop(path), "drop " + what)
        path == one and os.remove(one)
        check(w.answer(set_keys=keys) == T[text] and not w.iconic(), "Set refuses " + what)
    open(ROOT + "/data/dbus-1/services/login1.service", "w").write(
        "[D-BUS Service]\nName=org.freedesktop.login1\nExec=/bin/false\n")
    DBusTestCase.get_dbus(True).get_object("org.freedesktop.DBus", "/org/freedesktop/DBus").ReloadConfig()
    w.click(w.set)
    check(sorted(b.name for b in w.box()[1]) == ["OK", "キャンセル"], "buttons in the user's language")
    check(w.answer("キャンセル") == prompt("vorundel-test-recorder") and not w.iconic(),
          "logind activatable: confirmation; Cancel arms nothing")
    w.activate(), xdo("key", "alt+c")
    check(w.end() == 0 and not os.listdir(RECORDS), "Cancel's access key ends the program, nothing opened")


def arm(table):
    # Every row's window armed (or not) as the row says, side by side, and a
    # window closed later; one resume reaches them all.
    *windows, closed = find(*(Window() for _ in range(len(table) + 1)))
    check(closed.drop(make("closed.txt")), "drop on the window closed later")
    for (what, path, program, _, _, exe, how), w in zip(table, windows):
        if exe:  # Label1 shows it, the confirmation names it, Cancel arms nothing
            check(w.drop(exe := make(path[:-4] + ".exe")) and w.answer("キャンセル", "")
                  == prompt(shown(exe), "kPromptTailExecutable") and not w.iconic(), what + ": .exe")
        check(w.drop(path) and (how == "own" or w.answer(set_keys="alt+s" if how == "alt+s" else "", click=how == "click")
                                == prompt(program)), what + ": Label1, prompt")
        how == "own" and D.minimize(w.xid)
        wait(w.iconic, what + ": minimized")
        if how in RESTORES:
            D.restore(w.xid) if how == "restore" else D.key(how)
            wait(lambda: not w.iconic() and w.frame.getState().contains(pyatspi.STATE_ACTIVE), what + ": restored")
    return windows, closed


def resume(table, emit, stop):
    windows, closed = arm(table)
    armed = [how not in RESTORES for *_, how in table]  # what the user sees now is what resumes
    for (what, *_), w, a in zip(table, windows, armed):
        check(w.iconic() == a, what + (": minimized" if a else ": on screen"))
    emit(True)
    [change(path) for _, path, _, _, change, _, _ in table if change]
    stop()
    emit, stop = logind()  # restarted between arming and resume
    emit(False)
    for (what, _, _, launches, *_), w, a in zip(table, windows, armed):
        check(launches or not a or w.box()[0] == [T["kLaunchFailed"]] and w.iconic() and D.above(w.box_xid()),
              what + ": the failure message, in front")
    make("during.txt"), emit(False)  # a resume during the failure messages does nothing
    for (what, _, _, launches, *_), w, a in zip(table, windows, armed):
        a and not launches and w.answer()
        if not a:  # left running on screen: Cancel ends it
            check(w.proc.poll() is None, what + ": still running") and (w.activate(), w.click(w.cancel))
        check(w.end() == 0, what + ": exit status")
    closed.activate(), D.key("alt+F4")
    check(closed.end() == 0, "closed: exit status")
    got = [os.fsdecode(open(n, "rb").read()).split("\0")[:-1] + [os.remove(n)][1:] for n in (
        os.path.join(RECORDS, n) for n in os.listdir(RECORDS) if not n.startswith("."))]  # the next round's afresh
    for what, path, program, launches, _, _, _ in table:
        check(sum(r[1:].count(path) for r in got) == launches, f"{what}: opened once, or not at all")
    check(len(got) == sum(r[3] for r in table), "nothing else opened: " + repr(got))
    check(all(r[0] in (WORK, "/") for r in got), "launched in the program's folder")
    check(all(re.fullmatch(r"id=vorundel-.+_TIME[1-9]\d*", r[-1]) for r in got if r[1].endswith(".tex")),
          "a startup id with the X server's time")
    return emit, stop


def main():
    global D, DRAG
    bus = spawn(["dbus-daemon", "--session", "--nofork", "--print-address", "--address=unix:path=" + ROOT + "/bus"],
                stdout=subprocess.PIPE, text=True)
    os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = bus.stdout.readline().strip()  # activatable: XDG_DATA_HOME's services
    D = GnomeShell() if GNOME else X11()
    DRAG, _, _ = Drag(), associate(".txt"), associate(".exe", mime="application/x-ms-dos-executable")
    associate("", mime="inode/directory")  # a folder opened at resume would be recorded
    if GNOME:  # the rows of the window's states
        emit, stop = D.logind
        table = lambda: window_rows() + [("file deleted after arming", make("deleted.txt"), "vorundel-test-recorder",
                                          0, os.remove, False, "Set")]
    else:
        first_window(find(Window())[0])
        emit, stop, table = *logind(), rows
    emit(False), emit(True)  # nothing is armed yet: nothing happens
    for _ in range(ROUNDS):
        emit, stop = resume(table(), emit, stop)
    check(all("pwned" not in fs for top in (ROOT, os.getcwd()) for _, _, fs in os.walk(top)), "a name ran")


if __name__ == "__main__":
    try:
        main()
    finally:
        for p in reversed(started):  # a signal the shell handles: it takes XWayland's files in /tmp with it
            p.terminate()
            with contextlib.suppress(subprocess.TimeoutExpired):
                p.wait(DEADLINE)
            p.kill(), p.wait()
        shutil.rmtree(ROOT, ignore_errors=True)
    sys.exit(f"{len(failures)} failed" if failures else 0)
