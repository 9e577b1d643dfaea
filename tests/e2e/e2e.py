#!/usr/bin/env python3
# The real program worked as a user works it, row by row of rows.txt, on one
# desktop: X11 with openbox, GNOME Shell on Wayland, or Wine. Real input
# (XTEST, or Mutter's virtual devices), drops from another toolkit's window
# (drag.tcl, XDND), the window and its boxes read over AT-SPI (Wine: by
# vorundel_test_hand.exe inside Wine), suspend and resume from
# python-dbusmock's logind (Wine: sent as the system sends them), in a
# temporary desktop whose applications record their folder and exact
# arguments. Every wait polls its condition against a deadline.
# Usage: e2e.py x11|gnome PROGRAM SOURCE [ROUNDS] (inside dbus-run-session;
# x11 inside xvfb-run at 96 DPI), e2e.py wine BIN SOURCE (inside wine-run.sh --exec)
import contextlib, json, os, queue, re, shutil, subprocess, sys, tempfile, threading, time, urllib.parse
from types import SimpleNamespace as NS

DESKTOP, PROGRAM, SOURCE = sys.argv[1:4]
ROUNDS, DEADLINE, WINE = int((sys.argv[4:] or [1])[0]), 20.0, DESKTOP == "wine"
if not WINE:
    import pyatspi
    from dbusmock import DBusTestCase
    from gi.repository import Gio, GLib

    pyatspi.setTimeout(
        int(DEADLINE * 1000), int(DEADLINE * 1000)
    )  # AT-SPI's own 0.8 s is too short for a busy machine
failures, started = [], []  # every process started here is ended at the end


spawn = (
    lambda argv, **options: started.append(subprocess.Popen(argv, **options))
    or started[-1]
)
check = (
    lambda ok, what: ok or failures.append(what) or print("FAILED:", what, flush=True)
)


def wait(condition, what, timeout=DEADLINE):
    end = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > end:
            raise TimeoutError(what() if callable(what) else what)
        time.sleep(0.005)
    return value


run = lambda *argv: subprocess.run(
    [str(a) for a in argv], capture_output=True, text=True, timeout=DEADLINE
).stdout
xdo = lambda *args: run("xdotool", *args)
# A Windows program run to its end; Wine's own services it starts keep no pipe of ours.
wine = lambda *argv: subprocess.run(
    [Wine.LOADER, *argv],
    stdin=subprocess.DEVNULL,
    stdout=subprocess.DEVNULL,
    timeout=DEADLINE,
).returncode
T = {
    k: v.encode("latin-1", "backslashreplace").decode("unicode_escape")
    for k, v in re.findall(
        r'(k\w+) =\s*u"((?:[^"\\]|\\.)*)"',
        open(SOURCE + "/core/texts.h", encoding="utf-8").read(),
    )
}
HOSTILE = [
    re.sub(r"\\x(..)", lambda m: chr(0xDC00 + int(m[1], 16)), stem.replace("\\n", "\n"))
    for where, stem, _ in (
        line.split("\t")
        for line in open(SOURCE + "/tests/hostile_names.txt", encoding="utf-8")
        if line[0] != "#"
    )
    if "LW"[WINE] in where
]
ROOT = tempfile.mkdtemp(prefix="vorundel-e2e-")
FILES, RECORDS, WORK, APPS, FLATPAK = (
    os.path.join(ROOT, d)
    for d in ("files", "records", "work", "data/applications", "flatpak/exports")
)
os.mkdir(ROOT + "/runtime", 0o700)  # Qt takes no other
[
    os.makedirs(d)
    for d in (
        FILES,
        RECORDS,
        WORK,
        APPS,
        FLATPAK + "/share/applications",
        ROOT + "/config",
        ROOT + "/locale",
    )
]
# The real environment, for the window manager and the drag source; the program picks its Qt platform itself.
DESKTOP_ENV, _ = dict(os.environ), os.environ.pop("QT_QPA_PLATFORM", None)
os.environ.update(
    XDG_DATA_HOME=ROOT + "/data",
    XDG_CONFIG_HOME=ROOT + "/config",
    XDG_CONFIG_DIRS=ROOT + "/sys",
    XDG_DATA_DIRS=ROOT + "/sys:" + FLATPAK + "/share",
    PATH=ROOT + "/bin:" + os.environ["PATH"],
    XDG_RUNTIME_DIR=ROOT + "/runtime",
    VORUNDEL_RECORD_DIR=RECORDS,
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
    LANG="ja_JP.UTF-8",
    LOCPATH=ROOT + "/locale",
    LSAN_OPTIONS="suppressions=" + SOURCE + "/tests/linux/lsan.supp",
)
for locale in (
    "ja_JP",
    "de_DE",
    "tr_TR",
    "en_US",
):  # glibc's, for the program and for Wine, in the run's folder
    subprocess.run(
        ["localedef", "-i", locale, "-f", "UTF-8", f"{ROOT}/locale/{locale}.UTF-8"],
        check=True,
        env={},
    )


def make(name, to=None, content="x\n"):
    # A file (a "/" in the name makes folders on the way), or a link to `to`.
    path = os.path.join(FILES, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    os.symlink(to, path) if to else open(path, "wb").write(content.encode("latin-1"))
    return path


shown = lambda path: os.fsencode(path).decode(
    errors="replace"
)  # as GLib's display name: U+FFFD for a stray byte
prompt = (
    lambda program, tail="kPromptTailAssociated": T["kPromptHead"]
    + "\n\n"
    + program
    + "\n\n"
    + T[tail]
)


class X11:
    # Xvfb with openbox: input through XTEST (xdotool), window states from
    # WM_STATE, the program's widgets over AT-SPI; a desktop of entries
    # made from applications/, each the default of its type.
    APP, LABEL = "vorundel-test-recorder", staticmethod(shown)

    def __init__(self):
        self.env, self.pids = DESKTOP_ENV, {}
        for attempt in range(
            3
        ):  # openbox has been seen, rarely, to end at start; never two at once
            wm = spawn(
                ["openbox"],
                env=DESKTOP_ENV,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            if (
                wait(
                    lambda: "WINDOW"
                    in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
                    or wm.poll() is not None,
                    "wm",
                )
                and wm.poll() is None
            ):
                break
        WINE or self.desktop()

    def desktop(self):
        self.defaults, rec = {}, make(
            ROOT + "/bin/vorundel-test-recorder", SOURCE + "/tests/e2e/recorder.sh"
        )
        longer, spaced, snap = (
            make(ROOT + d + "/vorundel-test-recorder", rec)
            for d in (
                "/programs/" + "/".join(c * 200 for c in "def"),
                "/bin dir",
                "/snap/bin",
            )
        )
        make(FLATPAK + "/bin/org.example.Viewer", rec), make(
            ROOT + "/sys/mime", "/usr/share/mime"
        )  # no system applications
        self.PROMPTS = dict(
            zip(
                (
                    "{rec}",
                    "{longer}",
                    "{spaced}",
                    "{snap}",
                    "{flatpak}",
                    "{records}",
                    "{source}",
                ),
                (rec, longer, spaced, snap, FLATPAK, RECORDS, SOURCE),
            )
        )
        os.makedirs(
            services := DESKTOP_ENV["XDG_DATA_HOME"] + "/dbus-1/services", exist_ok=True
        )  # the session bus's (CMake)
        for folder, to in (("", APPS), ("flatpak/", FLATPAK + "/share/applications")):
            for name in (
                n
                for n in os.listdir(SOURCE + "/tests/e2e/applications/" + folder)
                if n.endswith(".desktop")
            ):
                entry = re.sub(
                    "@([A-Z]+)@",
                    lambda m: self.PROMPTS["{" + m[1].lower() + "}"],
                    open(f"{SOURCE}/tests/e2e/applications/{folder}{name}").read(),
                )
                open(f"{to}/{name}", "w").write(entry)
                self.defaults[re.search("MimeType=(.*);", entry)[1]], app = (
                    name,
                    name[:-8],
                )
                for service in re.findall(
                    "X-Service=(.*)", entry
                ):  # started by the session bus
                    open(f"{services}/{app}.service", "w").write(
                        f"[D-BUS Service]\nName={app}\nExec={service.format(app=app)}\n"
                    )
        self.mimeapps()

    mimeapps = lambda self, removed="": open(ROOT + "/config/mimeapps.list", "w").write(
        "[Default Applications]\n"
        + "".join(f"{k}={v}\n" for k, v in self.defaults.items())
        + removed
    )

    def change(
        self, how, path
    ):  # the type's association removed (for a type of no fallback), or its entry deleted
        mime = Gio.content_type_guess(path, None)[0]
        how == "unentry" and os.remove(APPS + "/" + self.defaults[mime])
        how == "unassociate" and self.mimeapps(
            f"[Removed Associations]\n{mime}={self.defaults.pop(mime)}\n"
        )

    def clients(self):
        # (window, pid) of each window openbox manages, without walking the window
        # tree (slow with 40 programs up). A window's pid is asked once, while its
        # program runs: the X server gives an ended program's window ids out again.
        ids, alive = re.findall(
            r"0x[0-9a-f]+", run("xprop", "-root", "_NET_CLIENT_LIST")
        ), {p.pid for p in started if p.poll() is None}
        self.pids = {
            x: self.pids[x]
            if self.pids.get(x) in alive
            else int(
                (re.findall(r"= (\d+)", run("xprop", "-id", x, "_NET_WM_PID")) or [0])[
                    0
                ]
            )
            for x in ids
        }
        return self.pids.items()

    def attach(
        self, windows
    ):  # each program's accessible, the accessibles of its controls
        apps = wait(
            lambda: (
                a := {
                    a.get_process_id(): a for a in pyatspi.Registry.getDesktop(0) if a
                }
            )
            and all(w.proc.pid in a for w in windows)
            and a,
            "programs on AT-SPI",
        )
        for w in windows:
            w.frame = wait(
                lambda: next(
                    (c for c in apps[w.proc.pid] if c and c.childCount == 3), None
                ),
                "frame",
            )
            w.app, w.parts = apps[w.proc.pid], dict(
                zip(("frame1", "set", "cancel", "label"), (*w.frame, w.frame[0][0]))
            )

    def look(self, w):
        # The window's client area, controls and box (or None) on the screen.
        def control(a):
            e, s = a.queryComponent().getExtents(pyatspi.DESKTOP_COORDS), a.getState()
            return NS(
                text=a.name,
                rect=(e.x, e.y, e.width, e.height),
                focused=s.contains(pyatspi.STATE_FOCUSED),
                down=lambda: a.getState().contains(pyatspi.STATE_PRESSED),
            )

        box, tree = next(
            (
                b
                for b in w.app
                if b
                and b.getRoleName() in ("alert", "dialog")
                and b.getState().contains(pyatspi.STATE_SHOWING)
            ),
            None,
        ), lambda a: [a] + [d for c in a for d in tree(c)]
        return NS(
            client=control(w.frame).rect,
            active=w.frame.getState().contains(pyatspi.STATE_ACTIVE),
            controls={k: control(a) for k, a in w.parts.items()},
            box=box
            and NS(
                text="\n".join(
                    a.name for a in tree(box) if a.getRoleName() == "label" and a.name
                ),
                buttons={
                    a.name: control(a)
                    for a in tree(box)
                    if a.getRoleName() == "push button"
                },
            ),
        )

    argv = staticmethod(lambda: [PROGRAM])
    opened = staticmethod(lambda path: os.fsencode(path))
    record = staticmethod(
        lambda data: [os.fsencode(a) for a in os.fsdecode(data).split("\0")[:-1]]
    )
    key = staticmethod(lambda keys: xdo("key", *keys.split()))
    click = staticmethod(
        lambda x, y, down: xdo("mousemove", x, y, "mousedown", 1, "mouseup", 1)
    )  # xdotool click sleeps 0.1 s
    press = staticmethod(
        lambda x, y: (
            xdo("mousemove", x, y, "mousedown", 1, "mousemove_relative", 8, 0),
            DRAG.line("grabbed"),
        )
    )
    over = staticmethod(
        lambda x, y: (xdo("mousemove", x, y), DRAG.line("status"))[1]
    )  # the target's answer
    release = staticmethod(lambda: xdo("mouseup", 1))
    activate = restore = staticmethod(
        lambda xid: xdo("windowactivate", xid)
    )  # openbox raises it before it is active
    place = staticmethod(lambda xid: xdo("windowmove", "--sync", xid, 200, 200))
    minimize = staticmethod(lambda xid: xdo("windowminimize", xid))
    iconic = staticmethod(lambda xid: "Iconic" in run("xprop", "-id", xid, "WM_STATE"))
    above = staticmethod(
        lambda w: "ABOVE" in run("xprop", "-id", w.box_xid(), "_NET_WM_STATE")
    )

    # S suspend, U the user's resume; A (a wake without the user) is Windows'
    power = lambda self, windows, *events: [
        e == "A" or self.emit(e == "S") for e in events
    ]


class Wine(X11):
    # vorundel.exe, its windows X clients of Wine under openbox; what X cannot
    # read or send, vorundel_test_hand.exe does from inside Wine.
    LOADER, DRIVE = (
        os.environ.get("VORUNDEL_WINE", ""),
        os.environ.get("WINEPREFIX", "") + "/drive_c",
    )
    LABEL = opened = staticmethod(lambda path: "Z:" + path.replace("/", "\\"))
    record = staticmethod(lambda data: data.decode("utf-16-le").split("\0")[:-1])
    argv = staticmethod(lambda: [Wine.LOADER, PROGRAM + "/vorundel.exe"])
    above = staticmethod(
        lambda w: "IsViewable" in run("xwininfo", "-id", w.box_xid())
    )  # no WS_EX_TOPMOST: see hand.cpp

    def __init__(self):
        super().__init__()
        self.hand = spawn(
            [self.LOADER, PROGRAM + "/vorundel_test_hand.exe"],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            encoding="utf-8",
            bufsize=1,
        )
        os.environ["VORUNDEL_RECORD_DIR"], self.APP = (
            self.LABEL(RECORDS),
            self.LABEL(PROGRAM) + "\\vorundel_test_hand.exe",
        )
        # Wine names files through the locale's code page: under ja_JP it loses what lies outside the BMP (emoji)
        os.environ["LANG"] = "en_US.UTF-8"
        self.PROMPTS = {"{rec}": self.APP, "{opener}": self.APP, "{600x}": "x" * 600}
        check(
            wine("reg", "import", self.LABEL(PROGRAM + "/associations.reg"))
            == self.dpi("96")
            == 0,
            "associations, 96 DPI",
        )
        [
            check(self.ask("readonly", k) == "ok", k)
            for k in ("Vorundel.Recorder", r"Vorundel.Recorder\shell\open\command")
        ]

    ask = (
        lambda self, *args: print("\t".join(args), file=self.hand.stdin)
        or self.hand.stdout.readline().strip()
    )

    def attach(self, windows):  # the hand reads them
        pass

    def look(self, w):
        if not (v := json.loads(self.ask("look", w.xid))):
            return
        control = lambda c: NS(
            kind=c[0],
            text=c[0] == "Button" and c[1].replace("&", "") or c[1],
            rect=tuple(c[2]),
            focused=c[3],
            style=c[4],
            down=None,
        )
        parts = {
            c.kind == "Static" and "label" or c.text: c
            for c in map(control, v["controls"])
        }
        names = {
            "frame1": "kFrame1Caption",
            "set": "kCmdSetCaption",
            "cancel": "kCmdCancelCaption",
            "label": "label",
        }  # in order
        return NS(
            client=tuple(v["client"]),
            active=v["active"],
            controls={
                k: parts.get(T.get(t, t).replace("&", "")) for k, t in names.items()
            },
            box=v["box"]
            and NS(
                text="\n".join(
                    c[1] for c in v["box"] if c[0] == "Static" and c[1]
                ).replace("\r", ""),
                buttons={c[1]: control(c) for c in v["box"] if c[0] == "Button"},
            ),
        )

    # As Windows sends them: S a sleep, A an unattended wake, U the user's return.
    power = lambda self, windows, *events: all(
        self.ask(
            "power", w.xid, *({"S": "4", "A": "18", "U": "18\t7"}[e] for e in events)
        )
        == "ok"
        for w in windows
    )
    dpi = lambda self, n: wine(
        "reg",
        "add",
        r"HKCU\Control Panel\Desktop",
        "/v",
        "LogPixels",
        "/t",
        "REG_DWORD",
        "/d",
        n,
        "/f",
    )
    # The type's association, or its class's open command, removed.
    change = lambda self, how, path: wine(
        "reg",
        "import",
        self.LABEL(
            f"{PROGRAM}/{'association' if how == 'unassociate' else 'command'}-removed.reg"
        ),
    )


class GnomeShell(X11):
    # GNOME Shell's own headless Wayland session, the program and the drag
    # source X clients of its XWayland: input through virtual devices on
    # Mutter's seat, window states from Mutter's windows, both over
    # org.gnome.Shell.Eval. It asks logind at start, so logind comes first.

    def __init__(self):
        (self.emit, self.stop), home, self.pids = logind(), ROOT + "/home", {}
        shutil.copytree(
            SOURCE + "/tests/e2e/gnome-settings", home + "/.config/glib-2.0/settings"
        )  # no lock, idle, animations
        self.env = {
            k: v
            for k, v in DESKTOP_ENV.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY")
            and not k.startswith("XDG_")
        } | dict(
            HOME=home,
            XDG_RUNTIME_DIR=ROOT + "/runtime",
            GSETTINGS_BACKEND="keyfile",
            DBUS_SYSTEM_BUS_ADDRESS=os.environ["DBUS_SYSTEM_BUS_ADDRESS"],
        )
        self.shell, self.bus, self.placed = (
            None,
            Gio.bus_get_sync(Gio.BusType.SESSION),
            0,
        )
        for attempt in range(
            3
        ):  # now and then the shell hangs at start, never answering
            self.shell and (self.shell.terminate(), self.shell.wait())
            self.shell = spawn(
                [
                    "gnome-shell",
                    "--headless",
                    "--wayland",
                    "--virtual-monitor",
                    "1280x800",
                    "--unsafe-mode",
                ],
                env=self.env,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            with contextlib.suppress(TimeoutError):
                wait(
                    lambda: self.eval("!Main.layoutManager._startingUp", quiet=True),
                    "shell",
                )
                break
        self.eval(
            """const C = imports.gi.Clutter, seat = C.get_default_backend().get_default_seat();
            global.vtPointer = seat.create_virtual_device(C.InputDeviceType.POINTER_DEVICE);
            global.vtKeys = seat.create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE); Main.overview.hide()"""
        )
        display = {
            k: self.eval(f"GLib.getenv('{k}')")
            for k in ("DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY")
        }
        os.environ.update(display), self.env.update(
            display
        ), self.desktop()  # as the shell gives them to its applications

    def eval(self, script, quiet=False):  # quiet: None while the shell does not answer
        with contextlib.suppress(*[GLib.Error] * quiet):
            ok, out = self.bus.call_sync(
                "org.gnome.Shell",
                "/org/gnome/Shell",
                "org.gnome.Shell",
                "Eval",
                GLib.Variant("(s)", (script,)),
                None,
                0,
                int(DEADLINE * 1000),
                None,
            ).unpack()
            assert ok, f"{script}: {out}"
            return out and json.loads(out)

    window = lambda self, xid, script: self.eval(  # `script` on Mutter's window `w` of that X window
        f"(w => {script})(global.display.list_all_windows().find(w => parseInt(w.get_description()) == {xid}))"
    )

    def key(
        self, keys
    ):  # xdotool's names: "alt+s"; once the focus has settled: the shell's and XWayland's agree
        wait(
            lambda: self.eval(
                "(f => f && !f.minimized && parseInt(f.get_description()))(global.display.focus_window)"
            )
            == int(xdo("getwindowfocus") or 0),
            "focus settled",
        )
        names = ",".join(
            "C.KEY_"
            + {"alt": "Alt_L", "shift": "Shift_L", "super": "Super_L"}.get(k, k)
            for k in keys.split("+")
        )
        self.eval(
            f"const C = imports.gi.Clutter, t = GLib.get_monotonic_time(), k = [{names}];"
            "k.forEach(v => global.vtKeys.notify_keyval(t, v, C.KeyState.PRESSED));"
            "k.reverse().forEach(v => global.vtKeys.notify_keyval(t, v, C.KeyState.RELEASED))"
        )

    def pointer(
        self, *steps
    ):  # (x, y) moves and True/False presses of the first button
        self.eval(
            "const C = imports.gi.Clutter, p = global.vtPointer, t = GLib.get_monotonic_time();"
            + "".join(
                f"p.notify_button(t + {i}, 1, C.ButtonState.{'PRESSED' if s else 'RELEASED'});"
                if s in (True, False)
                else f"p.notify_absolute_motion(t + {i}, {s[0]}, {s[1]});"
                for i, s in enumerate(steps)
            )
        )

    def click(
        self, x, y, down
    ):  # a press is lost now and then: again, until the button is down
        for attempt in range(
            3
        ):  # once XWayland has the pointer there, a press goes there
            self.pointer((x, y)), wait(
                lambda: xdo("getmouselocation").startswith(f"x:{x} y:{y} "), "moved"
            ), self.pointer(True)
            with contextlib.suppress(TimeoutError):
                return wait(down, "pressed", DEADLINE / 4) and self.pointer(False)
            self.pointer(False)

    press = lambda self, x, y: (
        self.pointer((x, y), True, (x + 8, y)),
        DRAG.line("grabbed"),
    )
    over = lambda self, x, y: (self.pointer((x, y)), DRAG.line("status"))[
        1
    ]  # the target's answer
    release = lambda self: self.pointer(False)
    iconic = lambda self, xid: self.window(xid, "w.minimized")
    above = lambda self, w: self.window(w.box_xid(), "w.is_above()")

    # As the dash does, until XWayland has the focus there too (keys go there).
    activate = restore = lambda self, xid: wait(
        lambda: self.window(
            xid, "Main.activateWindow(w, global.display.get_current_time_roundtrip())"
        )
        or int(xdo("getwindowfocus") or 0) == int(xid, 16),
        "focus",
    )

    def place(
        self, xid
    ):  # side by side: XWayland's stacking can lag the shell's, so no window hides another
        self.placed = (
            self.window(
                xid,
                f"w.move_frame(true, {self.placed % 2 * 600}, {40 + self.placed // 2 % 4 * 180})",
            )
            or self.placed + 1
        )

    # The user's own: Super+H on the focused window.
    minimize = lambda self, xid: (
        self.activate(xid),
        wait(lambda: self.window(xid, "w.has_focus()"), "f"),
        self.key("super+h"),
    )


class Drag:  # the Tk window of drag.tcl, its reports read as they come
    def __init__(self):
        self.proc, self.lines = (
            spawn(
                ["wish", SOURCE + "/tests/e2e/drag.tcl"],
                env=D.env,
                stdin=subprocess.PIPE,
                stdout=subprocess.PIPE,
                text=True,
                bufsize=1,
            ),
            queue.Queue(),
        )  # lines both ways
        threading.Thread(
            target=lambda: [self.lines.put(l) for l in self.proc.stdout], daemon=True
        ).start()
        self.at = [
            *map(int, self.line("up").split()[1:])
        ]  # before any window that a new window would take the focus from

    def line(
        self, wanted
    ):  # the next report, past the target's repeated answers while the pointer rests
        while (line := self.lines.get(timeout=DEADLINE)).startswith(
            "status"
        ) and wanted != "status":
            pass
        assert line.startswith(wanted), f"drag: {line!r} where {wanted!r} was due"
        return line


class Window:
    # One start of the program, found on the desktop (and on AT-SPI).

    def __init__(self, env):
        self.log = tempfile.TemporaryFile(dir=ROOT)
        self.proc = spawn(
            D.argv(),
            cwd=WORK,
            stdout=subprocess.DEVNULL,
            stderr=self.log,
            env=os.environ | env,
        )

    look = lambda self, part=None: (lambda v: v.controls[part] if part else v)(
        D.look(self)
    )

    def point(self, on):
        # Where a drop or a click on `on` lands: a control's middle, Frame1's
        # caption, Label1's top left corner, the window beside the buttons.
        x, y, w, h = (v := self.look()) and (
            v.client
            if on == "form"
            else v.controls["label" if on == "corner" else on].rect
        )
        return {
            "form": (x + w * 30 // 467, y + h * 96 // 123),
            "corner": (x + 3, y + 3),
            "frame1": (x + w // 2, y + 6),
        }.get(on, (x + w // 2, y + h // 2))

    activate = lambda self: (
        D.activate(self.xid),
        wait(lambda: self.look().active, "active"),
    )

    def drop(self, *paths, on="label"):
        # Drags `paths` onto `on`: press, one move, the target's answer to that
        # position, release, the end of the exchange. Whether it took them (on
        # Label1: and Label1 shows the path, the target having finished).
        self.activate()
        print(
            "\t".join(
                p if "://" in p else "file://" + urllib.parse.quote(os.fsencode(p))
                for p in paths
            ),
            file=DRAG.proc.stdin,
        )
        taken = (
            D.press(*DRAG.at),
            D.over(*self.point(on)) == "status 1\n",
            D.release(),
            DRAG.line("end"),
        )[1]
        return taken and (
            on not in ("label", "corner")
            or len(paths) > 1
            or self.look("label").text == D.LABEL(paths[0])
        )

    click = lambda self, on: D.click(*self.point(on), self.look(on).down)
    box = lambda self: wait(lambda: self.look().box, "box")

    # The program's window that is not its main window.
    box_xid = lambda self: wait(
        lambda: [x for x, pid in D.clients() if pid == self.proc.pid and x != self.xid],
        "box",
    )[0]

    def answer(self, keys="Return", stays=True):
        # Answers the box shown now by `keys` or "click:BUTTON" once it is active; its text once it is gone (a
        # program that ends with it is not asked: a call over AT-SPI at its end leaves libdbus memory unfreed).
        text, xid, _ = self.box().text, self.box_xid(), D.activate(self.box_xid())
        if keys.startswith("click:"):
            b = wait(
                lambda: self.box().buttons.get(keys[6:]),
                lambda: f"{keys} among {list(self.box().buttons)}",
            )
            D.click(b.rect[0] + b.rect[2] // 2, b.rect[1] + b.rect[3] // 2, b.down)
        else:
            wait(
                lambda: int(xdo("getwindowfocus") or 0) == int(xid, 0), "box focused"
            ), D.key(keys)
        return (not stays or wait(self.gone, "box answered")) and text

    def gone(self):  # the box, or the program
        with contextlib.suppress(Exception):
            return self.proc.poll() is not None or not self.look().box

    def confirm(
        self, how, keys
    ):  # Set pressed `how`; the box's text, answered by `keys`
        self.activate(), D.key("alt+s") if how == "alt+s" else self.click("set")
        return self.answer(keys)

    def end(self):
        # Exit status once the program and what it started are gone (None: still running).
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.proc.communicate(timeout=DEADLINE)
        report = os.pread(self.log.fileno(), 1 << 24, 0).decode(errors="replace")
        return (
            self.proc.returncode
            if check(not re.search("Sanitizer|runtime error", report), report)
            else report
        )


def find(*windows):
    # The windows' programs on the desktop, placed side by side, and attached.
    xids = wait(
        lambda: all(
            w.proc.pid in (x := dict(map(reversed, D.clients()))) for w in windows
        )
        and x,
        lambda: f"programs on the desktop; exit status of each: {[w.proc.poll() for w in windows]}",
    )
    for w in windows:
        w.xid = xids[w.proc.pid]
        D.place(w.xid)  # all in one place: the active one is on top
    D.attach(windows)
    return windows


def logind():  # python-dbusmock's logind; a function that sends PrepareForSleep, one that stops it
    proc, obj = DBusTestCase.spawn_server_template("logind", stdout=subprocess.DEVNULL)
    bus = started.append(proc) or DBusTestCase.get_dbus(True)
    return (
        lambda sleeping: obj.EmitSignal(
            "org.freedesktop.login1.Manager",
            "PrepareForSleep",
            "b",
            [sleeping],
            dbus_interface="org.freedesktop.DBus.Mock",
        ),
        lambda: proc.terminate()
        or wait(lambda: not bus.name_has_owner("org.freedesktop.login1"), "stop"),
    )


def rows():
    # The rows of rows.txt this desktop runs ($ROWS: those that match), a row of each hostile name for {hostile}.
    out = []
    for line in open(SOURCE + "/tests/e2e/rows.txt", encoding="utf-8"):
        if (
            line[0] != "#"
            and DESKTOP[0].upper() in line.split("\t")[0]
            and re.search(os.environ.get("ROWS", ""), line)
        ):
            where, what, file, on, env, how, keys, says, after, resume = line.rstrip(
                "\n"
            ).split("\t")
            (resume, _, arg), _, folder = (
                resume.partition(" in ")[0].partition(":"),
                0,
                resume.partition(" in ")[2],
            )
            out += [
                NS(
                    what=what + (stem and f": {stem!r}"),
                    file=file.replace("{hostile}", stem),
                    on=on.strip("-") or "label",
                    env=dict(e.split("=", 1) for e in env.split() if e != "-"),
                    how=how,
                    keys=keys,
                    says=says,
                    after=after,
                    arg=arg,
                    folder=folder,
                    # Wine expands a %NAME% in the file it is to open; Windows does not (SEE_MASK_DOENVSUBST)
                    resume="fails" if WINE and stem == "%PATH%" else resume,
                )
                for stem in (HOSTILE if "{hostile}" in file else [""])
            ]
    return sorted(
        out, key=lambda r: "dpi" in r.env
    )  # started last: the DPI is the prefix's


armed = (
    lambda r: r.how == "own"
    or r.says[:3] in ("pro", "exe")
    and r.keys in ("Return", "click:OK", "space")
)


def put(r):
    # Makes the row's file; what is dropped, and the target a link names.
    kind, given = (
        r.file.split(":", 1)
        if r.file.split(":")[0] in ("dir", "gone", "link", "two")
        else ("", r.file)
    )
    if kind in ("two", "dir") or "://" in given:
        return (
            [given]
            if "://" in given
            else [make(n) for n in given.split(",")]
            if kind == "two"
            else [os.makedirs(FILES + "/" + given) or FILES + "/" + given]
        ), ""
    if kind == "link":
        given, target, *arguments = given.split(">")
        if target[0] == "+":  # made first: a file, a folder, or under the prefix's C:
            target = target[1:]
            where = (
                D.DRIVE + target[2:].replace("\\", "/")
                if target[1:2] == ":"
                else FILES + "/" + target
            )
            os.makedirs(where, exist_ok=True) if where[-1] == "/" else make(where)
        target = D.PROMPTS.get(
            target,
            target
            if target[1:2] == ":" or target[:2] == "::"
            else (D.LABEL if WINE else str)(os.path.join(FILES, target.rstrip("/"))),
        )
        WINE and check(
            D.ask("link", D.LABEL(FILES + "/" + given), target, *arguments) == "ok",
            "shortcut " + given,
        )
        return [FILES + "/" + given if WINE else make(given, target)], target
    name, _, content = given.partition("=")
    name != name.strip() and make(
        name.strip()
    )  # its twin without the blanks, which must not open instead
    return [
        make(
            name,
            content=content.encode("latin-1", "backslashreplace").decode(
                "unicode_escape"
            )
            if "=" in given
            else "x\n",
        )
    ], ""


def expected(r, paths, target):  # the text Set shows for the row
    sub = lambda s: re.sub(
        r"\{\w+\}", lambda m: {"{target}": target, **D.PROMPTS}.get(m[0], m[0]), s
    )
    kind, _, named = r.says.partition(":")
    says = {"missing": T["kFileMissing"], "unassociated": T["kNotAssociated"]}.get(kind)
    return (
        says
        or kind == "exe"
        and prompt(sub(named) or D.LABEL(paths[0]), "kPromptTailExecutable")
        or prompt(sub(named) or D.APP)
    )


def first_window(w, table):
    # Layout, focus, Tab, nothing dropped, logind; then each row that arms nothing, one after the other.
    rects = lambda v: v and [v.client] + [c.rect for c in v.controls.values()]
    v = wait(
        lambda: (v := w.look()) and rects(v) == rects(w.look()) and v,
        "the window at rest",
    )
    for (part, c), want, caption in zip(
        v.controls.items(),
        ((8, 16, 449, 57), (64, 84, 161, 25), (240, 84, 161, 25), (16, 40, 433, 21)),
        (
            "kFrame1Caption",
            "kCmdSetCaption",
            "kCmdCancelCaption",
            "" if WINE else "kFrame1Caption",
        ),
    ):
        check(
            (c.rect[0] - v.client[0], c.rect[1] - v.client[1], *c.rect[2:]) == want
            and c.text == T.get(caption, "").replace("&", ""),
            f"{part} at {c.rect} in {v.client}: {c.text!r}",
        )
    check(
        v.client[2:] == (467, 123) and (not WINE or v.controls["label"].style & 0x80),
        f"{v.client}, SS_NOPREFIX",
    )
    check(w.activate() and w.look("cancel").focused, "Cancel has the focus first")
    check(
        all(
            D.key("Tab") or wait(lambda: w.look(a).focused, "Tab order")
            for a in ("set", "cancel")
        ),
        "Tab",
    )
    check(w.confirm("click", "Return") == T["kFileMissing"], "Set with nothing dropped")
    if not WINE:  # logind absent, then activatable, at Set
        check(
            w.drop(make("logind.txt"))
            and w.confirm("alt+s", "Return") == T["kResumeUndetectable"],
            "no logind",
        )
        shutil.copytree(
            SOURCE + "/tests/e2e/system-services", ROOT + "/data/dbus-1/services"
        )  # activatable, never up
        DBusTestCase.get_dbus(True).get_object(
            "org.freedesktop.DBus", "/org/freedesktop/DBus"
        ).ReloadConfig()
        check(
            w.confirm("click", "click:キャンセル") == prompt(D.APP) and not D.iconic(w.xid),
            "logind activatable",
        )
        D.emit, D.stop = logind()
    for r in table:
        (paths, target), before = put(r), w.look("label").text
        if r.says == "refused":
            check(
                not w.drop(*paths, on=r.on) and w.look("label").text == before,
                "drop taken: " + r.what,
            )
            continue
        paths and check(w.drop(*paths), "drop: " + r.what)
        r.file.startswith("gone:") and os.remove(paths[0])
        said = w.confirm(r.how, r.keys)
        check(
            said == expected(r, paths, target) and not D.iconic(w.xid),
            f"Set: {r.what}: {said!r}",
        )
    check(
        D.power([w], "S", "A", "U") and not w.look().box and w.proc.poll() is None,
        "not armed: power events do nothing",
    )
    w.activate(), D.key("alt+c")
    check(
        w.end() == 0 and not os.listdir(RECORDS),
        "Cancel's access key ends the program, nothing opened",
    )


RESTORES = ("restore", "alt+shift+Tab")


def arm(table):
    # Every row's window armed (or not) as the row says, side by side, and a
    # window closed later; one resume reaches them all.
    windows = []
    for n in sorted(
        {r.env.get("dpi", "96") for r in table}, key=lambda n: n != "96"
    ):  # a Wine program reads it as it starts
        group, _ = [r for r in table if r.env.get("dpi", "96") == n], WINE and D.dpi(n)
        # Under Wine one at a time: a window started while others map can be given its default size by the WM
        windows += (
            [find(Window(r.env))[0] for r in group]
            if WINE
            else find(*(Window(r.env) for r in group))
        )
    (closed,) = find(
        Window({})
    )  # the prefix's DPI is the last row's: this window's size is not checked
    check(closed.drop(make("closed.txt")), "drop on the window closed later")
    for r, w in zip(table, windows):
        n, size = int(r.env.get("dpi", 96)), w.look().client[2:]
        check(
            size == (int(7005 * n / 1440 + 0.5), int(1845 * n / 1440 + 0.5)),
            f"{r.what}: laid out: {size}",
        )
        (paths, target), w.said = put(r), None
        w.opens = re.sub(
            r"\{\w+\}", lambda m: {"{target}": target, **D.PROMPTS}[m[0]], r.arg
        ) or D.opened(paths[0])
        if r.how == "own":
            check(w.drop(*paths), r.what + ": drop"), D.minimize(w.xid)
        else:
            w.said = w.drop(*paths, on=r.on) and w.confirm(r.how, r.keys)
            check(
                w.said == expected(r, paths, target),
                f"{r.what}: Label1, Set: {w.said!r}",
            )
        armed(r) and wait(lambda: D.iconic(w.xid), r.what + ": minimized")
        if r.after in RESTORES:
            D.restore(w.xid) if r.after == "restore" else D.key(r.after)
            wait(lambda: not D.iconic(w.xid) and w.look().active, r.what + ": restored")
    return WINE and D.dpi("96"), table, windows, closed


def resume(_, table, windows, closed):
    now = [
        armed(r) and r.after not in RESTORES for r in table
    ]  # what the user sees now is what resumes
    [
        check(D.iconic(w.xid) == a, f"{r.what}: minimized {a}")
        for r, w, a in zip(table, windows, now)
    ]
    check(
        D.power(sleeping := [w for w, a in zip(windows, now) if a], "S"),
        "suspend answered at once",
    )
    if (
        WINE
    ):  # a wake without the user, a sleep again: still armed (Set, posted after them, still finds the window)
        check(D.power(sleeping, "A", "S"), "unattended wake answered at once")
        for r, w in (
            (r, w) for r, w in zip(table, windows) if w in sleeping and w.said
        ):
            D.ask("click", w.xid, T["kCmdSetCaption"])
            check(
                w.box().text == w.said,
                r.what + ": still armed after a wake without the user",
            )
            D.ask("click", w.xid, next(b for b in w.box().buttons if b != "OK")), wait(
                lambda: not w.look().box, "no box"
            )
    for r, p in ((r, FILES + "/" + r.file) for r in table):
        {
            "delete": lambda: os.remove(p),
            "rename": lambda: os.rename(p, p + ".old"),
            "folder": lambda: (os.remove(p), os.mkdir(p)),
        }.get(r.after, lambda: r.after[:2] == "un" and D.change(r.after, p))()
    if (
        not WINE
    ):  # logind restarted between arming and resume; meanwhile the suspend has launched nothing
        D.emit, D.stop = (D.stop(), logind())[1]
        check(all(D.iconic(w.xid) for w in sleeping), "a suspend launches nothing")
    check(D.power(windows, "U"), "resume answered at once")
    for r, w in zip(table, windows):
        state = w in (
            failing := [
                w for r, w, a in zip(table, windows, now) if a and r.resume == "fails"
            ]
        ) and (w.box().text, D.iconic(w.xid), D.above(w))
        check(
            not state or state == (T["kLaunchFailed"], True, True),
            f"{r.what}: the failure message, in front: {state}",
        )
    [
        make(r.file) for r in table if r.after in ("delete", "rename")
    ]  # a second launch would now succeed
    check(
        D.power(failing, "U", "S", "U"), "resumes during the failure message answered"
    )  # they do nothing
    for r, w in zip(
        table, windows
    ):  # the messages first: they may lie over other windows
        w in failing and check(
            len(w.look().box.buttons) == 1, r.what + ": one message"
        ) and w.answer(r.arg or "Return", False)
    for r, w, a in zip(table, windows, now):
        if not a:  # left running on screen: Cancel ends it
            check(w.proc.poll() is None, r.what + ": still running") and (
                w.activate(),
                w.click("cancel"),
            )
        check((status := w.end()) == 0, f"{r.what}: exit status {status}")
    check(
        closed.activate() and not D.key("alt+F4") and closed.end() == 0,
        "closed: exit status",
    )
    got = [
        D.record(open(n, "rb").read()) + [os.remove(n)][1:]
        for n in (os.path.join(RECORDS, n) for n in os.listdir(RECORDS) if "." not in n)
    ]
    for r, w, a in zip(table, windows, now):
        mine = [g for g in got if w.opens in g[1:]]
        check(
            len(mine) == (a and r.resume == "opens"),
            f"{r.what}: opened once, or not at all",
        )
        check(
            all(g[0] == D.opened(r.folder or WORK) for g in mine),
            r.what + ": launched in the program's folder",
        )
        check(
            all(
                re.fullmatch(rb"id=vorundel-.+_TIME[1-9]\d*", g[-1])
                for g in mine
                if r.file.endswith(".tex")
            ),
            r.what + ": X time",
        )
    check(
        len(got) == sum(a and r.resume == "opens" for r, a in zip(table, now)),
        "nothing else opened: " + repr(got),
    )


def main():
    global D, DRAG
    if not WINE:
        bus = spawn(
            [
                "dbus-daemon",
                "--session",
                "--nofork",
                "--print-address",
                "--address=unix:path=" + ROOT + "/bus",
            ],
            stdout=subprocess.PIPE,
            text=True,
        )
        os.environ[
            "DBUS_SYSTEM_BUS_ADDRESS"
        ] = bus.stdout.readline().strip()  # activatable: XDG_DATA_HOME's services
    D = {"x11": X11, "gnome": GnomeShell, "wine": Wine}[DESKTOP]()
    DRAG, table = Drag(), rows()
    shared = [
        r
        for r in table
        if not armed(r) and not r.env and r.after == "-" and DESKTOP != "gnome"
    ]
    DESKTOP == "gnome" or first_window(find(Window({}))[0], shared)
    D.power([], "U", "S")  # nothing is armed yet: nothing happens
    [resume(*arm([r for r in table if r not in shared])) for _ in range(ROUNDS)]
    check(
        all(
            "pwned" not in fs
            for top in (ROOT, os.getcwd())
            for _, _, fs in os.walk(top)
        ),
        "a name ran",
    )


if __name__ == "__main__":
    try:
        main()
    finally:
        for p in reversed(
            started
        ):  # a signal the shell handles: it takes XWayland's files in /tmp with it
            with contextlib.suppress(subprocess.TimeoutExpired):
                p.terminate(), p.wait(DEADLINE)
            p.kill(), p.wait()
        shutil.rmtree(ROOT, ignore_errors=True)
    sys.exit(f"{len(failures)} failed" if failures else 0)
