#!/usr/bin/env python3
# The real program worked as a user works it: XTEST through xdotool, XDND
# drops from a Tk drag source, widgets and message boxes read over AT-SPI,
# logind played by python-dbusmock on a private system bus, in a temporary XDG
# desktop whose applications record their folder and exact arguments. Every
# wait polls its condition against a deadline.
# Usage (inside xvfb-run at 96 DPI and dbus-run-session): e2e.py PROGRAM SOURCE_DIR
import contextlib, os, queue, re, shutil, subprocess, sys, tempfile, threading, time, urllib.parse
import pyatspi
from dbusmock import DBusTestCase
from gi.repository import Gio

PROGRAM, SOURCE, DEADLINE = *sys.argv[1:3], 20.0
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
    XDG_RUNTIME_DIR=ROOT + "/runtime", VORUNDEL_RECORD_DIR=RECORDS, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
    LANG="ja_JP.UTF-8", LSAN_OPTIONS="suppressions=" + SOURCE + "/tests/linux/lsan.supp")


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


def clients():
    # (window, pid) of each window openbox manages, without walking the window
    # tree (slow with 40 programs up). A window's pid is asked once, while its
    # program runs: the X server gives an ended program's window ids out again.
    global PIDS
    ids, alive = re.findall(r"0x[0-9a-f]+", run("xprop", "-root", "_NET_CLIENT_LIST")), {
        p.pid for p in started if p.poll() is None}
    PIDS = {x: PIDS[x] if PIDS.get(x) in alive else int(
        (re.findall(r"= (\d+)", run("xprop", "-id", x, "_NET_WM_PID")) or [0])[0]) for x in ids}
    return PIDS.items()


def shown(path):  # as GLib's display name shows a path in UTF-8: U+FFFD for each byte of no character
    return os.fsencode(path).decode(errors="replace")


def prompt(program, tail="kPromptTailAssociated"):
    return T["kPromptHead"] + (br := T["kLineBreak"].replace("\r", "") * 2) + program + br + T[tail]


class Drag:
    # A Tk window whose drag carries the URIs of the line written to it last;
    # it reports where it is, the grab, each XdndStatus of the target and the
    # drag's end. tkdnd leaves a 10 s wait for XdndFinished armed after every
    # drop: fired during a later drag it would end that drag, so each end
    # cancels it.
    SCRIPT = r"""package require tkdnd; fconfigure stdout -buffering line
wm title . "drag source"; wm attributes . -topmost 1; wm geometry . 60x40-0-0
pack [label .s -text drag] -fill both -expand 1; tkdnd::drag_source register .s DND_Files
bind .s <<DragInitCmd>> {after idle {puts grabbed}; list copy DND_Files [split [gets stdin] "\t"]}
bind .s <<DragEndCmd>> {foreach t [after info] {after cancel $t}; puts end}
trace add execution ::tkdnd::xdnd::_HandleXdndStatus leave {apply {{c args} {puts "status [dict get [lindex $c 1] accept]"}}}
tkwait visibility .s; puts "up [expr [winfo rootx .s] + 30] [expr [winfo rooty .s] + 20]"
"""

    def __init__(self):
        open(ROOT + "/drag.tcl", "w").write(self.SCRIPT)
        self.proc = spawn(["wish", ROOT + "/drag.tcl"], env=DESKTOP, stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, text=True, bufsize=1)  # lines both ways
        self.lines = queue.Queue()
        threading.Thread(target=lambda: [self.lines.put(l) for l in self.proc.stdout], daemon=True).start()
        self.at = self.line("up").split()[1:]  # before any window that a new window would take the focus from

    def line(self, wanted):
        # The next report, past the target's repeated answers while the pointer rests.
        while (line := self.lines.get(timeout=DEADLINE)).startswith("status") and wanted != "status":
            pass
        assert line.startswith(wanted), f"drag: {line!r} where {wanted!r} was due"
        return line


class Window:
    # One start of the program, found over AT-SPI and X.

    def __init__(self):
        self.log = tempfile.TemporaryFile(dir=ROOT)
        self.proc = spawn([PROGRAM], cwd=WORK, stdout=subprocess.PIPE, stderr=self.log)

    def point(self, a):
        # Its middle; for Frame1, the middle of its caption.
        e = a.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x + e.width // 2, e.y + (6 if a == self.frame1 else e.height // 2)

    def activate(self, xid=None, a=None):
        xdo("windowactivate", xid or self.xid)  # openbox raises it before it is active
        wait(lambda: (a or self.frame).getState().contains(pyatspi.STATE_ACTIVE), "active")

    def drop(self, *paths, target=None):
        # Drags `paths` onto Label1 (or `target`): press, one move, the target's
        # answer to that position, release, the end of the exchange. Whether it
        # took them (one file on Label1: and Label1 shows it, the target having finished).
        self.activate()
        print("\t".join(p if "://" in p else "file://" + urllib.parse.quote(os.fsencode(p)) for p in paths), file=DRAG.proc.stdin)
        xdo("mousemove", *DRAG.at, "mousedown", 1, "mousemove_relative", 8, 0)
        DRAG.line("grabbed"), xdo("mousemove", *self.point(target or self.label))
        taken = DRAG.line("status") == "status 1\n"
        xdo("mouseup", 1), DRAG.line("end")
        return taken and (target is not None or len(paths) > 1 or self.label.name == shown(paths[0]))

    def click(self, a):
        xdo("mousemove", *self.point(a), "mousedown", 1, "mouseup", 1)  # xdotool click sleeps 0.1 s

    def box(self):
        # The message box shown now: its texts, its buttons, itself.
        box = wait(lambda: next((w for w in self.app if w and w.getRoleName() in ("alert", "dialog")
                                 and w.getState().contains(pyatspi.STATE_SHOWING)), None), "box")
        tree = lambda a: [a] + [d for c in a for d in tree(c)]
        return ([a.name for a in tree(box) if a.getRoleName() == "label" and a.name],
                [a for a in tree(box) if a.getRoleName() == "push button"], box)

    def box_xid(self):  # the program's X window that is not its main window
        return wait(lambda: [x for x, pid in clients() if pid == self.proc.pid and x != self.xid], "box")[0]

    def answer(self, button="OK", set_keys=None):
        # Presses Set (by mouse or `set_keys`) unless None, then the box's
        # `button` once the box is placed and active; the box's text.
        if set_keys is not None:
            self.activate()
            xdo("key", set_keys) if set_keys else self.click(self.set)
        texts, buttons, box = self.box()
        self.activate(self.box_xid(), box)
        xdo("key", "Return") if button == "OK" else self.click(next(b for b in buttons if b.name == button))
        return "\n".join(texts)

    def iconic(self):
        return "Iconic" in run("xprop", "-id", self.xid, "WM_STATE")

    def end(self):
        # Exit status once the program and what it started are gone (None: still running).
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.proc.communicate(timeout=DEADLINE)
        report = os.pread(self.log.fileno(), 1 << 24, 0).decode(errors="replace")
        return self.proc.returncode if check(not re.search("Sanitizer|runtime error", report), report) else report


def find(*windows):
    # The windows' programs over AT-SPI (one pass over the desktop a poll), their X windows, controls.
    def found():
        nonlocal missing
        apps, xids = {a.get_process_id(): a for a in pyatspi.Registry.getDesktop(0) if a}, dict(map(reversed, clients()))
        missing = [(w.proc.pid in apps, w.proc.pid in xids, w.proc.poll()) for w in windows
                   if w.proc.pid not in apps or w.proc.pid not in xids]
        return not missing and (apps, xids)
    missing = []
    try:
        apps, xids = wait(found, "programs on AT-SPI and X")
    except TimeoutError:
        raise TimeoutError(f"(on AT-SPI, on X, exit status) of the programs not found: {missing}") from None
    for w in windows:
        w.app, w.xid = apps[w.proc.pid], xids[w.proc.pid]
        xdo("windowmove", "--sync", w.xid, 200, 200)  # all in one place: the active one is on top
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
    # change after arming, try an .exe of the same name first)
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
    return out + [(what, make(name), "vorundel-test-recorder", 0, change, False) for what, name, change in [
        ("file deleted after arming", "deleted.txt", os.remove),
        ("file renamed after arming", "renamed.txt", lambda p: os.rename(p, p + ".old")),
        ("file replaced by a folder", "folder.txt", lambda p: (os.remove(p), os.mkdir(p))),
        ("association removed in mimeapps.list", "removed.odt", unassociate),
        ("application's entry deleted", "gone.pdf", lambda p: os.remove(gone)),
        ("resume during the failure message", "during.txt", os.remove)]]


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


def main():
    bus = spawn(["dbus-daemon", "--session", "--nofork", "--print-address", "--address=unix:path=" + ROOT + "/bus"],
                stdout=subprocess.PIPE, text=True)
    os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = bus.stdout.readline().strip()  # activatable: XDG_DATA_HOME's services
    for attempt in range(3):  # openbox has been seen, rarely, to end at start; never two at once
        wm = spawn(["openbox"], env=DESKTOP, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait(lambda: "WINDOW" in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK") or wm.poll() is not None, "wm")
        if wm.poll() is None:
            break
    global DRAG
    DRAG, _, _ = Drag(), associate(".txt"), associate(".exe", mime="application/x-ms-dos-executable")
    associate("", mime="inode/directory")  # a folder opened at resume would be recorded
    first_window(find(Window())[0])
    emit, stop = logind()
    table = rows()
    *windows, restored, closed = find(*(Window() for _ in range(len(table) + 2)))
    emit(False), emit(True)  # nothing is armed yet: nothing happens
    check(closed.drop(make("closed.txt")), "drop on the window closed later")
    for (what, path, program, _, _, exe), w in zip(table, windows):
        if exe:  # Label1 shows it, the confirmation names it, Cancel arms nothing
            check(w.drop(exe := make(path[:-4] + ".exe")) and w.answer("キャンセル", "")
                  == prompt(shown(exe), "kPromptTailExecutable") and not w.iconic(), what + ": .exe")
        check(w.drop(path) and w.answer(set_keys="") == prompt(program), what + ": Label1, prompt")
        wait(w.iconic, what + ": minimized")
    restored.drop(make("restored.txt")), restored.answer(set_keys="alt+s")
    wait(restored.iconic, "restored row minimized")
    emit(True)
    restored.activate()
    [change(path) for _, path, _, _, change, _ in table if change]
    stop()
    emit, stop = logind()  # restarted between arming and resume
    emit(False)
    for (what, _, _, launches, _, _), w in zip(table, windows):
        check(launches or w.box()[0] == [T["kLaunchFailed"]] and w.iconic() and "ABOVE" in run(
            "xprop", "-id", w.box_xid(), "_NET_WM_STATE"), what + ": the failure message, in front")
    make("during.txt"), emit(False)  # a resume during the failure messages does nothing
    for (what, _, _, launches, _, _), w in zip(table, windows):
        launches or w.answer()
        check(w.end() == 0, what + ": exit status")
    restored.click(restored.cancel)
    check(restored.end() == 0, "restored, then Cancel: exit status")
    closed.activate(), xdo("key", "alt+F4")
    check(closed.end() == 0, "closed: exit status")
    got = [os.fsdecode(open(os.path.join(RECORDS, n), "rb").read()).split("\0")[:-1]
           for n in os.listdir(RECORDS) if not n.startswith(".")]
    for what, path, program, launches, _, _ in table:
        check(sum(r[1:].count(path) for r in got) == launches, f"{what}: opened once, or not at all")
    check(len(got) == sum(r[3] for r in table), "nothing else opened: " + repr(got))
    check(all(r[0] in (WORK, "/") for r in got), "launched in the program's folder")
    check([re.fullmatch(r"id=vorundel-.+_TIME[1-9]\d*", r[-1]) is not None for r in got if r[1].endswith(".tex")]
          == [True], "a startup id with the X server's time")
    check(all("pwned" not in fs for top in (ROOT, os.getcwd()) for _, _, fs in os.walk(top)), "a name ran")


if __name__ == "__main__":
    try:
        main()
    finally:
        [p.kill() or p.wait() for p in reversed(started)]
        shutil.rmtree(ROOT, ignore_errors=True)
    sys.exit(f"{len(failures)} failed" if failures else 0)
