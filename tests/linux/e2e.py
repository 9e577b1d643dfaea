#!/usr/bin/env python3
"""The real program, worked as a user works it: XTEST through xdotool, XDND
drops from a Tk drag source, widgets and message boxes read over AT-SPI,
logind played by python-dbusmock on a private system bus, in a temporary
XDG desktop whose applications record their folder and exact arguments.
Run inside xvfb-run (96 DPI) and dbus-run-session.
Usage: e2e.py PROGRAM SOURCE_DIR"""
import os, queue, re, shutil, subprocess, sys, tempfile, threading, time, urllib.parse
import dbus, pyatspi
from dbusmock import DBusTestCase
from gi.repository import Gio

PROGRAM, SOURCE = sys.argv[1], sys.argv[2]
DEADLINE = 20.0
failures = []
started = []  # every process this run starts, ended at its end
T0 = time.monotonic()


def spawn(argv, **options):
    started.append(subprocess.Popen(argv, **options))
    return started[-1]


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what, flush=True)
    return ok


def wait(condition, what, timeout=DEADLINE):
    """Polls `condition` until it holds, for at most `timeout` seconds."""
    end = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > end:
            raise TimeoutError(what)
        time.sleep(0.005)
    return value


def until(condition, what):
    """Checks that `condition` comes to hold within DEADLINE."""
    try:
        return wait(condition, what)
    except TimeoutError:
        return check(False, what)


def cstrings(header):
    """The C++ u"..." literals of a header, by the name or comment before them."""
    text = open(os.path.join(SOURCE, header), encoding="utf-8").read()
    decode = lambda s: s.encode("latin-1", "backslashreplace").decode("unicode_escape")
    return ({m[0]: decode(m[1]) for m in re.findall(r'(k\w+) =\s*u"((?:[^"\\]|\\.)*)"', text)},
            [(m[0], decode(m[1])) for m in re.findall(r'\{"([^"]+)", u"((?:[^"\\]|\\.)*)", true', text)])


T, _ = cstrings("core/texts.h")
_, HOSTILE = cstrings("tests/hostile_names.h")
ROOT = tempfile.mkdtemp(prefix="vorundel-e2e-")
FILES, RECORDS, WORK = (os.path.join(ROOT, d) for d in ("files", "records", "work"))
APPS = os.path.join(ROOT, "data/applications")
FLATPAK = os.path.join(ROOT, "flatpak/exports")
RECORDER = os.path.join(ROOT, "bin/vorundel-test-recorder")
for d in (FILES, RECORDS, WORK, APPS, FLATPAK + "/bin", FLATPAK + "/share/applications",
          ROOT + "/config", ROOT + "/sys", ROOT + "/bin", ROOT + "/run"):
    os.makedirs(d, exist_ok=True)
os.chmod(ROOT + "/run", 0o700)
os.symlink("/usr/share/mime", ROOT + "/sys/mime")  # the system's types, none of its applications
os.symlink(os.path.join(SOURCE, "tests/linux/recorder.sh"), RECORDER)
ENV = dict(os.environ, XDG_DATA_HOME=ROOT + "/data", XDG_CONFIG_HOME=ROOT + "/config",
           XDG_DATA_DIRS=ROOT + "/sys:" + FLATPAK + "/share", XDG_CONFIG_DIRS=ROOT + "/sys",
           XDG_RUNTIME_DIR=ROOT + "/run",
           PATH=ROOT + "/bin:" + os.environ["PATH"], VORUNDEL_RECORD_DIR=RECORDS,
           QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANGUAGE="ja",
           LANG="ja_JP.UTF-8", LSAN_OPTIONS="suppressions=" + SOURCE + "/tests/linux/lsan.supp")
ENV.pop("WAYLAND_DISPLAY", None)
DESKTOP = dict(os.environ)  # the window manager and the drag source keep the real one
os.environ.update(ENV)
DEFAULTS = {}


def associate(ext, exec_line="vorundel-test-recorder %f", keys="", folder=APPS, mime=None):
    """Makes an entry running `exec_line` the default for the type of `ext`."""
    mime = mime or Gio.content_type_guess("x" + ext, None)[0]
    name = "vt-" + mime.replace("/", "-") + ".desktop"
    with open(os.path.join(folder, name), "w") as f:
        f.write(f"[Desktop Entry]\nType=Application\nName=Recorder\nExec={exec_line}\n"
                f"{keys}MimeType={mime};\nNoDisplay=true\n")
    DEFAULTS[mime] = name
    with open(ROOT + "/config/mimeapps.list", "w") as f:
        f.write("[Default Applications]\n" + "".join(f"{k}={v}\n" for k, v in DEFAULTS.items()))
    return os.path.join(folder, name)


def make(name, text="x\n"):
    path = os.path.join(FILES, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)
    return path


def records():
    out = []
    for name in os.listdir(RECORDS):
        if not name.startswith("."):
            fields = open(os.path.join(RECORDS, name), "rb").read().decode().split("\0")
            out.append((fields[0], fields[1:-1]))
    return out


def xdo(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          timeout=DEADLINE).stdout.split()


def prompt(program, tail="PromptTailAssociated"):
    br = T["kLineBreak"].replace("\r", "")
    return T["kPromptHead"] + br * 2 + program + br * 2 + T["k" + tail]


class Drag:
    """A Tk window whose drag carries the URIs it was last given."""
    SCRIPT = r"""package require tkdnd
wm title . "drag source"; wm attributes . -topmost 1; wm geometry . 60x40-0-0
label .s -text drag; pack .s -fill both -expand 1
proc bgerror {message} {puts "end error $message"; flush stdout}
tkdnd::drag_source register .s DND_Files
set uris {}
bind .s <<DragInitCmd>> {
  after idle {puts grabbed; flush stdout}
  set guard [after 3000 {set ::tkdnd::xdnd::_dragging 0}]
  list copy DND_Files $uris
}
bind .s <<DragEndCmd>> {after cancel $guard; puts end; flush stdout}
rename ::tkdnd::xdnd::_HandleXdndStatus ::tkdnd::xdnd::_Status
proc ::tkdnd::xdnd::_HandleXdndStatus {e} {::tkdnd::xdnd::_Status $e; puts "status [dict get $e accept]"; flush stdout}
fileevent stdin readable {if {[gets stdin line] < 0} exit; set uris [split $line "\t"]; puts ready; flush stdout}
"""

    def __init__(self):
        with open(ROOT + "/drag.tcl", "w") as f:
            f.write(self.SCRIPT)
        self.proc = spawn(["wish", f.name], env=DESKTOP, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=lambda: [self.lines.put(l) for l in self.proc.stdout], daemon=True).start()
        self.source = wait(lambda: xdo("search", "--onlyvisible", "--name", "^drag source$"), "drag source")

    def line(self, wanted, timeout=DEADLINE):
        while not (line := self.lines.get(timeout=timeout)).startswith(wanted):
            pass
        return line

    def drop(self, uris, x, y):
        """Drags `uris` onto (x, y); whether the target said it takes them."""
        self.proc.stdin.write("\t".join(uris) + "\n")
        self.proc.stdin.flush()
        self.line("ready")
        while not self.lines.empty():
            self.lines.get()
        xdo("mousemove", "--window", self.source[0], 30, 20, "mousedown", 1, "mousemove_relative", 8, 0)
        self.line("grabbed")
        accepted = None
        for step in range(20):  # until the target answers a position
            xdo("mousemove", x + step % 2, y)
            try:
                accepted = self.line("status", 1) == "status 1\n"
                break
            except queue.Empty:
                pass
        xdo("mouseup", 1)
        self.line("end")
        return accepted


def uri(path):
    return "file://" + urllib.parse.quote(path)


class Window:
    """One start of the program, found over AT-SPI and X."""

    def __init__(self, cwd=WORK):
        self.log = tempfile.TemporaryFile(dir=ROOT)
        self.proc = spawn([PROGRAM], cwd=cwd, stdout=subprocess.PIPE, stderr=self.log)

    def find(self, app, xid):
        self.app, self.xid = app, xid
        xdo("windowmove", "--sync", xid, 200, 200)  # one place for all: the active one is on top
        self.frame = wait(lambda: next((w for w in app if w and w.childCount == 3), None), "frame")
        self.frame1, self.set, self.cancel = self.frame
        self.label = self.frame1[0]
        return self

    def point(self, accessible):
        """Its middle; for Frame1, the middle of its caption."""
        e = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x + e.width // 2, e.y + (6 if accessible == self.frame1 else e.height // 2)

    def activate(self, xid=None, accessible=None):
        xdo("windowactivate", "--sync", xid or self.xid)
        wait(lambda: (accessible or self.frame).getState().contains(pyatspi.STATE_ACTIVE), "active")

    def drop(self, *paths, target=None):
        """Drags `paths` onto Label1 (or `target`). Whether it was taken; one
        file dropped on Label1 is taken once Label1 shows it (dragged again,
        at most thrice, should the drag have gone astray)."""
        uris = [p if "://" in p else uri(p) for p in paths]
        for attempt in range(1 if target or len(paths) > 1 or "://" in paths[0] else 3):
            self.activate()
            taken = DRAG.drop(uris, *self.point(target or self.label))
            if attempt == 0 and (target or len(paths) > 1 or "://" in paths[0]):
                return taken
            try:
                return wait(lambda: self.label.name == paths[0], "Label1 shows the drop", 2)
            except TimeoutError:
                print("drop again:", paths[0], taken, flush=True)
        return False

    def click(self, accessible):
        xdo("mousemove", *self.point(accessible), "click", 1)

    def box(self):
        """The message box shown now: (texts, buttons, box accessible)."""
        box = wait(lambda: next((w for w in self.app if w and w.getRoleName() in ("alert", "dialog")
                                 and w.getState().contains(pyatspi.STATE_SHOWING)), None), "box")
        found = {"label": [], "push button": []}
        stack = [box]
        while stack:
            a = stack.pop()
            found.setdefault(a.getRoleName(), []).append(a)
            stack.extend(a)
        return [a.name for a in found["label"] if a.name], found["push button"], box

    def answer(self, button):
        """Presses the box's button named `button` once the box is placed and
        active; the box's text."""
        texts, buttons, box = self.box()
        self.activate(self.box_xid(), box)
        if button == "OK":
            xdo("key", "Return")
        else:
            self.click(next(b for b in buttons if b.name == button))
        return "\n".join(texts)

    def box_xid(self):
        return wait(lambda: [x for x in xdo("search", "--all", "--onlyvisible", "--pid", self.proc.pid,
                                            "--name", "^Vorundel$") if x != self.xid], "box")[0]

    def iconic(self):
        return "Iconic" in subprocess.run(["xprop", "-id", self.xid, "WM_STATE"], capture_output=True,
                                          text=True).stdout

    def end(self):
        """Exit status once the program and what it started are gone."""
        try:
            self.proc.communicate(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.communicate()
            return "still running"
        self.log.seek(0)
        report = self.log.read().decode(errors="replace")
        check("LeakSanitizer" not in report and "runtime error" not in report, "sanitizer: " + report)
        return self.proc.returncode


def find(*windows):
    """Each window's program over AT-SPI, in one pass over the desktop per poll."""
    def apps():
        found = {a.get_process_id(): a for a in pyatspi.Registry.getDesktop(0) if a}
        return found if all(w.proc.pid in found for w in windows) else None
    found = wait(apps, "programs on AT-SPI")
    search = ("search", "--onlyvisible", "--name", "^Vorundel$")
    xids = wait(lambda: len(x := xdo(*search)) == len(windows) and x, "X windows")
    pids = {int(xdo("getwindowpid", x)[0]): x for x in xids}
    return [w.find(found[w.proc.pid], pids[w.proc.pid]) for w in windows]


class Logind:
    """python-dbusmock's logind on the private system bus."""

    def __init__(self):
        self.proc, self.obj = DBusTestCase.spawn_server_template("logind", stdout=subprocess.DEVNULL)
        started.append(self.proc)

    def emit(self, sleeping):
        self.obj.EmitSignal("org.freedesktop.login1.Manager", "PrepareForSleep", "b", [sleeping],
                            dbus_interface="org.freedesktop.DBus.Mock")

    def stop(self):
        self.proc.terminate()
        self.proc.wait(DEADLINE)
        bus = DBusTestCase.get_dbus(True)
        wait(lambda: not bus.name_has_owner("org.freedesktop.login1"), "logind gone")


def set_and_answer(w, button="OK", keys=None):
    """Presses Set (by mouse, or by `keys`), answers the box; its text."""
    if keys:
        w.activate()
        xdo("key", keys)
    else:
        w.click(w.set)
    return w.answer(button)


def main():
    bus = spawn(["dbus-daemon", "--session", "--nofork", "--print-address"],
                           stdout=subprocess.PIPE, text=True)  # the system bus, activation from XDG_DATA_HOME
    os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = bus.stdout.readline().strip()
    wm = spawn(["openbox"], env=DESKTOP, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait(lambda: "WINDOW" in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                            capture_output=True, text=True).stdout, "openbox")
    global DRAG
    DRAG = Drag()
    associate(".txt")
    associate(".exe", mime="application/x-ms-dos-executable")
    associate("", mime="inode/directory")  # a folder opened at resume would be recorded
    first = find(Window())[0]
    initial_run(first)
    logind = Logind()
    # Rows: (what, path to arm, program the prompt names, launches at resume,
    # change after arming, whether an .exe of the same name is tried first)
    rows = entry_rows() + hostile_rows() + fault_rows()
    windows = [Window() for _ in rows]
    restored, closed = Window(), Window()
    print("DBG started", time.monotonic() - T0, flush=True)
    find(*windows, restored, closed)
    print("DBG found", time.monotonic() - T0, flush=True)
    logind.emit(False)  # nothing is armed yet: nothing happens
    logind.emit(True)
    check(closed.drop(make("closed.txt")), "drop on the window closed later")
    for (what, path, program, _, _, exe), w in zip(rows, windows):
        if exe:
            exe = make(path[len(FILES) + 1:-4] + ".exe")
            check(w.drop(exe), what + ": Label1 shows the .exe")
            text = set_and_answer(w, "キャンセル")
            check(text == prompt(exe, "PromptTailExecutable"), what + ": .exe prompt " + repr(text))
            check(not w.iconic(), what + ": Cancel arms nothing")
        check(w.drop(path), what + ": Label1 shows the path")
        text = set_and_answer(w)
        check(text == prompt(program), what + ": prompt " + repr(text))
        wait(w.iconic, what + ": minimized")
    restored.drop(make("restored.txt"))
    set_and_answer(restored, keys="alt+s")
    wait(restored.iconic, "restored row minimized")
    logind.emit(True)
    restored.activate()
    for (what, path, _, _, change, _), w in zip(rows, windows):
        if change:
            change(path)
    logind.stop()
    logind = Logind()  # restarted between arming and resume
    logind.emit(False)
    print("DBG resumed", time.monotonic() - T0, flush=True)
    during = None
    for (what, path, program, launches, change, _), w in zip(rows, windows):
        if not launches:
            texts, buttons, box = w.box()
            check(texts == [T["kLaunchFailed"]], what + ": " + repr(texts))
            check(w.iconic() and "ABOVE" in subprocess.run(["xprop", "-id", w.box_xid(), "_NET_WM_STATE"],
                  capture_output=True, text=True).stdout, what + ": box in front of the minimized window")
            if what == "resume during the failure message":
                during = (w, path)
                continue
            w.answer("OK")
        status = w.end()
        check(status == 0, f"{what}: exit status {status}")
    w, path = during
    make(path[len(FILES) + 1:])
    logind.emit(False)
    w.answer("OK")
    check(w.end() == 0, "during the failure message: exit status")
    restored.click(restored.cancel)
    check(restored.end() == 0, "restored, then Cancel: exit status")
    closed.activate()
    xdo("key", "alt+F4")
    check(closed.end() == 0, "closed: exit status")
    got = records()
    for what, path, program, launches, _, _ in rows:
        n = sum(args.count(path) for _, args in got)
        check(n == launches, f"{what}: opened {n} times")
    check(len(got) == sum(r[3] for r in rows), "nothing else opened: " + repr(got))
    for cwd, args in got:
        check(cwd in (WORK, "/"), "launched in " + cwd)
    for top in (ROOT, os.getcwd()):
        check("pwned" not in [f for _, _, fs in os.walk(top) for f in fs], "a name ran as a command")
    logind.stop()


def link(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    os.symlink(RECORDER, path)
    return path


def entry_rows():
    """Desktop entries that wrap the program: the prompt names the program."""
    rec, shared = RECORDER, FLATPAK + "/share/applications"
    snap = link(ROOT + "/snap/bin/vorundel-test-recorder")
    spaced = link(ROOT + "/bin dir/vorundel-test-recorder")
    longer = link(ROOT + "/programs/" + "/".join(c * 200 for c in "def") + "/vorundel-test-recorder")
    launcher = link(FLATPAK + "/bin/org.example.Viewer")
    run = rec + " run --branch=stable --arch=x86_64 --command=view --file-forwarding "
    table = [
        ("program path over 512 bytes", ".csv", longer + " %f", "", APPS, longer),
        ("env", ".c", "env FOO=bar " + rec + " %f", "", APPS, rec),
        ("env with options", ".h", "env -iu HOME --unset=LANG --chdir / -S \"-- VORUNDEL_RECORD_DIR="
         + RECORDS + " '" + spaced + "'\" %f", "", APPS, spaced),
        ("snap", ".md", "env BAMF_DESKTOP_FILE_HINT=/x.desktop " + snap + " %u", "", APPS, snap),
        ("flatpak", ".css", run + "org.example.Viewer @@ %F @@", "X-Flatpak=org.example.Viewer\n",
         shared, launcher),
        ("flatpak without launcher", ".xml", run + "org.example.Other @@ %F @@",
         "X-Flatpak=org.example.Other\n", shared, "org.example.Other"),
        ("TryExec", ".java", "vorundel-test-recorder %f", "TryExec=" + rec + "\n", APPS, rec),
    ]
    rows = []
    for what, ext, exec_line, keys, folder, program in table:
        associate(ext, exec_line, keys, folder)
        rows.append((what, make("entry" + ext), program, 1, None, False))
    return rows


def hostile_rows():
    """Names a shell, markup or a command template would take apart."""
    extra = [("'*' and '?' are ordinary", "what*is?"), ("255 bytes", "\U0001F600" * 62 + "あ")]
    return [(what, make(stem + ".txt"), "vorundel-test-recorder", 1, None, True)
            for what, stem in HOSTILE + extra]


def fault_rows():
    """What changes between arming and resume: a failure message, nothing opened."""
    def unassociate(path):
        mime = Gio.content_type_guess(path, None)[0]
        entry = DEFAULTS.pop(mime)
        with open(ROOT + "/config/mimeapps.list", "w") as f:
            f.write("[Default Applications]\n" + "".join(f"{k}={v}\n" for k, v in DEFAULTS.items())
                    + f"[Removed Associations]\n{mime}={entry}\n")
    gone = associate(".pdf")  # types that fall back to no other type's application
    associate(".odt")
    return [(what, make(name), "vorundel-test-recorder", 0, change, False) for what, name, change in [
        ("file deleted after arming", "deleted.txt", os.remove),
        ("file renamed after arming", "renamed.txt", lambda p: os.rename(p, p + ".old")),
        ("file replaced by a folder", "folder.txt", lambda p: (os.remove(p), os.mkdir(p))),
        ("association removed in mimeapps.list", "removed.odt", unassociate),
        ("application's entry deleted", "gone.pdf", lambda p: os.remove(gone)),
        ("resume during the failure message", "during.txt", os.remove)]]


def initial_run(w):
    """One window with nothing on the bus that can report resumes."""
    e = lambda a: a.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    f = e(w.frame)
    check((f.width, f.height) == (467, 123), f"client area {f.width}x{f.height}")
    for a, parent, want in [(w.frame1, w.frame, (8, 16, 449, 57)), (w.label, w.frame1, (8, 24, 433, 21)),
                            (w.set, w.frame, (64, 84, 161, 25)), (w.cancel, w.frame, (240, 84, 161, 25))]:
        r, p = e(a), e(parent)
        check((r.x - p.x, r.y - p.y, r.width, r.height) == want, f"{a.name} at {r.x - p.x},{r.y - p.y} {r.width}x{r.height}")
    for a, want in [(w.frame1, "kFrame1Caption"), (w.set, "kCmdSetCaption"), (w.cancel, "kCmdCancelCaption")]:
        check(a.name == T[want].replace("&", ""), "caption " + a.name)
    focused = lambda a: a.getState().contains(pyatspi.STATE_FOCUSED)
    w.activate()
    check(focused(w.cancel), "Cancel has the focus first")
    for a in (w.set, w.cancel):
        xdo("key", "Tab")
        check(wait(lambda: focused(a) or None, "focus moves"), "Tab order")
    check(set_and_answer(w) == T["kFileMissing"], "Set with nothing dropped")
    one, two, folder = make("one.txt"), make("two.txt"), os.path.join(FILES, "a folder")
    os.mkdir(folder)
    for what, uris, target in [("two files", [one, two], None), ("a web address", ["https://example.com/a.txt"], None),
                               ("on cmdSet", [one], w.set), ("on Frame1's caption", [one], w.frame1)]:
        check(not w.drop(*uris, target=target), "drop taken: " + what)
        check(w.label.name == T["kFrame1Caption"], "Label1 after a drop " + what)
    for what, path, keys, text in [
            ("missing file", one, None, "kFileMissing"), ("folder", folder, None, "kFileMissing"),
            ("unassociated", make("data.vorundel-unknown"), "alt+s", "kNotAssociated"),
            ("no logind", two, "alt+s", "kResumeUndetectable")]:
        check(w.drop(path), "drop " + what)
        if path == one:
            os.remove(one)
        check(set_and_answer(w, keys=keys) == T[text], "Set refuses " + what)
        check(not w.iconic(), what + " arms nothing")
    service = ROOT + "/data/dbus-1/services/org.freedesktop.login1.service"
    os.makedirs(os.path.dirname(service))
    with open(service, "w") as f:
        f.write("[D-BUS Service]\nName=org.freedesktop.login1\nExec=/bin/false\n")
    DBusTestCase.get_dbus(True).get_object("org.freedesktop.DBus", "/org/freedesktop/DBus").ReloadConfig()
    w.click(w.set)
    _, buttons, _ = w.box()
    check(sorted(b.name for b in buttons) == ["OK", "キャンセル"], "buttons in the user's language")
    check(w.answer("キャンセル") == prompt("vorundel-test-recorder"), "logind activatable: confirmation")
    check(not w.iconic(), "Cancel on the confirmation arms nothing")
    w.activate()
    xdo("key", "alt+c")
    check(w.end() == 0, "Cancel's access key: exit status")
    check(not records(), "nothing opened")


if __name__ == "__main__":
    try:
        main()
    finally:
        for p in reversed(started):
            p.kill()
            p.wait()
        shutil.rmtree(ROOT, ignore_errors=True)
    sys.exit(f"{len(failures)} failed" if failures else 0)
