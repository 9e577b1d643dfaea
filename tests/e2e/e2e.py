#!/usr/bin/env python3
# The real program worked as a user works it, row by row of rows.txt, on one
# desktop: X11 with openbox, GNOME Shell on Wayland, or Wine. Real input
# (XTEST, or Mutter's virtual devices), drops from another toolkit's window
# (drag.tcl, XDND), the window and its boxes read over AT-SPI (Wine: by
# vorundel_test_hand.exe inside Wine), suspend and resume from
# python-dbusmock's logind (Wine: sent as the system sends them), in a
# temporary desktop whose applications record their folder and exact
# arguments.
# Usage: e2e.py x11|gnome PROGRAM SOURCE [ROUNDS] (inside dbus-run-session;
# x11 inside xvfb-run at 96 DPI), e2e.py wine BIN SOURCE (inside
# wine-run.sh --exec)
import contextlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

import desktops
from harness import DEADLINE, DESKTOP, FILES, HOSTILE, NS, RECORDS, ROOT, ROUNDS, SOURCE
from harness import T, WINE, WORK, check, failures, limit, make, prompt, spawn
from harness import again_until, stop_all, wait

RESTORES = ("restore", "alt+shift+Tab")


class Window:
    # One start of the program, found on the desktop (and on AT-SPI).

    def __init__(self, env, arguments=()):
        self.log = tempfile.TemporaryFile(dir=ROOT)
        self.proc = spawn(
            D.argv() + list(arguments),
            cwd=WORK,
            stdout=subprocess.DEVNULL,
            stderr=self.log,
            env=os.environ | env,
        )

    def look(self, part=None):
        # None once the program has ended: its accessibles go a moment
        # before it does.
        try:
            view = D.look(self)
        except Exception:
            with contextlib.suppress(subprocess.TimeoutExpired):
                self.proc.wait(limit(5))
            if self.proc.poll() is None:
                raise
            return None
        return view.controls[part] if part else view

    def point(self, on):
        # Where a drop or a click on `on` lands: a control's middle, Frame1's
        # caption, Label1's top left corner, the window beside the buttons.
        view = self.look()
        if on == "form":
            x, y, w, h = view.client
            return x + w * 30 // 467, y + h * 96 // 123
        x, y, w, h = view.controls["label" if on == "corner" else on].rect
        if on == "corner":
            return x + 3, y + 3
        if on == "frame1":
            return x + w // 2, y + 6
        return x + w // 2, y + h // 2

    def activate(self):
        # Active, with the keyboard: the X focus, and a control's.
        return bring(self.xid, lambda: self.look().active and D.focus() == self.xid)

    def drop(self, *paths, on="label"):
        # Drags `paths` onto `on`: press, one move, the target's answer there,
        # release, the end of the exchange. Whether it took them (on
        # Label1: and Label1 shows the path, the target having finished).
        self.activate()
        uris = [
            p if "://" in p else "file://" + urllib.parse.quote(os.fsencode(p))
            for p in paths
        ]
        print("\t".join(uris), file=DRAG.proc.stdin)
        D.press(*DRAG.at)
        status = D.over(*self.point(on))
        if status == "status 0\n":
            # Held there a moment, as a user does: Wine 10 asks a window's
            # drop target at the first position over it, but sends its
            # answer only from the next, which the source repeats while the
            # pointer rests.
            status = DRAG.line("status")
        taken = status == "status 1\n"
        D.release()
        DRAG.line("end")
        if not taken or on not in ("label", "corner") or len(paths) > 1:
            return taken
        return self.look("label").text == D.LABEL(paths[0])

    def click(self, on):
        D.click(*self.point(on), self.look(on).down)

    def box(self, seconds=DEADLINE):
        # The box shown; None once the program has ended without one.
        def shown():
            view = self.look()
            return view.box if view else "ended"

        box = wait(shown, "box", seconds)
        return None if box == "ended" else box

    def box_xid(self):
        # The program's window that is not its main window.
        def others():
            return [
                x for x, pid in D.clients() if pid == self.proc.pid and x != self.xid
            ]

        return wait(others, "box")[0]

    def answer(self, keys="Return", stays=True):
        # Answers the box shown now by `keys` or "click:BUTTON", once it has
        # the focus; its text once it is gone. A program that ends with it is
        # not asked over AT-SPI (a call at its end leaves libdbus memory
        # unfreed): its box's window going is the answer.
        text, xid = self.box().text, self.box_xid()
        bring(xid, lambda: self.box_focused(xid))
        self.press(keys)

        def box_gone():
            return self.proc.poll() is not None or xid not in D.client_ids()

        answered = self.gone if stays else box_gone

        def what():
            focus = f"focus {D.focus()}, box {xid} focused {self.box_focused(xid)}"
            return f"box answered by {keys}: {text!r} ({focus})"

        if WINE and " " not in keys:
            self.press_again_until(answered, xid, keys, what)
        else:
            wait(answered, what)
        return text

    def press(self, keys):
        # `keys`, or "click:BUTTON" on the box's button of that name
        if not keys.startswith("click:"):
            D.key(keys)
            return
        name = keys[len("click:") :]
        button = wait(
            lambda: self.box().buttons.get(name),
            lambda: f"{keys} among {list(self.box().buttons)}",
        )
        x, y, w, h = button.rect
        at = x + w // 2, y + h // 2
        # the box over the others shown at the same place, as a user sees it
        xid = int(self.box_xid())
        bring(xid, lambda: xid in D.x.windows_at(*at))
        D.click(*at, button.down)

    def press_again_until(self, answered, xid, keys, what):
        # Wine now and then loses a key or a click, or the box its focus
        # (seen under load): pressed again, as a user would, while the box
        # is still there; brought back first if it lost the keyboard.
        def again():
            if self.box_focused(xid):
                self.press(keys)
            else:
                D.activate(xid)

        again_until(answered, again, what, limit(2), acted=True)

    def box_focused(self, xid):
        # The box has the keyboard: the X focus, and one of its buttons in
        # the active window.
        if D.focus() != int(xid):
            return False
        view = self.look()
        box = view and view.box
        return box and box.active and any(b.focused for b in box.buttons.values())

    def gone(self):  # the box, or the program
        with contextlib.suppress(Exception):
            return self.proc.poll() is not None or not self.look().box

    def confirm(self, how, keys):
        # Set pressed `how`; the box's text, answered by `keys`.
        self.activate()
        if how == "alt+s":
            D.key("alt+s")
        else:
            self.click("set")
        return self.answer(keys)

    def stderr(self):
        return os.pread(self.log.fileno(), 1 << 24, 0).decode(errors="replace")

    def end(self):
        # Exit status once the program and what it started are gone (None:
        # still running), or the sanitizers' report.
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.proc.communicate(timeout=limit())
        report = self.stderr()
        if check(not re.search("Sanitizer|runtime error", report), report):
            return self.proc.returncode
        return report


def bring(xid, ready):
    # Asks the window manager to activate the window until `ready` holds,
    # again each second: now and then a request brings the X focus but not
    # Wine's (seen under openbox), and a user would click again.
    def what():
        return f"window {xid} active: X focus on {D.focus()}"

    return again_until(ready, lambda: D.activate(xid), what, 1)


def find(*windows):
    # The windows' programs on the desktop, placed side by side, and attached.
    def on_desktop():
        pids = {pid: x for x, pid in D.clients()}
        return all(w.proc.pid in pids for w in windows) and pids

    def statuses():
        statuses = [w.proc.poll() for w in windows]
        said = [w.stderr()[-400:] for w in windows if w.proc.poll() is not None]
        return f"programs on the desktop; exit status of each: {statuses} {said}"

    xids = wait(on_desktop, statuses)
    for w in windows:
        w.xid = xids[w.proc.pid]
        D.place(w.xid)
    D.attach(windows)
    return windows


def rows():
    # The rows of rows.txt this desktop runs ($ROWS: those that match), a
    # row of each hostile name for {hostile}.
    out = []
    for line in open(SOURCE + "/tests/e2e/rows.txt", encoding="utf-8"):
        if line.startswith("#") or DESKTOP[0].upper() not in line.split("\t")[0]:
            continue
        if not re.search(os.environ.get("ROWS", ""), line):
            continue
        out += rows_of(*line.rstrip("\n").split("\t")[1:])
    return out


def rows_of(what, file, on, env, how, keys, says, after, resume):
    resume, _, folder = resume.partition(" in ")
    resume, _, arg = resume.partition(":")
    stems = HOSTILE if "{hostile}" in file else [""]
    out = []
    for stem in stems:
        row = NS(
            what=what + (f": {stem!r}" if stem else ""),
            file=file.replace("{hostile}", stem),
            on=on.strip("-") or "label",
            env=dict(e.split("=", 1) for e in env.split() if e != "-"),
            how=how,
            keys=keys,
            says=says,
            after=after,
            arg=arg,
            folder=folder,
            resume=resume,
        )
        if says == "gio":
            what_gio_says(row)
        # Wine expands a %NAME% in the file it is to open; Windows does not
        # (SEE_MASK_DOENVSUBST)
        if WINE and stem == "%PATH%":
            row.resume = "fails"
        out.append(row)
    return out


def what_gio_says(row):
    # Set asks to open the file where the type GIO gives it has a default
    # application, and the row then opens it.
    name, _, content = row.file.partition("=")
    if D.associated(name, content_of(content)):
        row.says = "prompt"
    else:
        row.says, row.resume = "unassociated", "-"


def content_of(written):
    # NAME=CONTENT: Python escapes, a byte each
    return written.encode("latin-1", "backslashreplace").decode("unicode_escape")


OK = ("Return", "space", "click:OK", "click:確定", "click:确定")


def armed(r):
    confirmed = r.says[:3] in ("pro", "exe") and r.keys in OK
    return r.how == "own" or confirmed


def put(r):
    # Makes the row's file; what is dropped, and the target a link names.
    kind, _, given = r.file.partition(":")
    if kind not in ("dir", "gone", "link", "two"):
        kind, given = "", r.file
    if "://" in given:
        return [given], ""
    if kind == "two":
        return [make(n) for n in given.split(",")], ""
    if kind == "dir":
        os.makedirs(FILES + "/" + given)
        return [FILES + "/" + given], ""
    if kind == "link":
        return put_link(*given.split(">"))
    name, equals, content = given.partition("=")
    if name != name.strip():
        make(name.strip())  # its twin without the blanks, which must not open instead
    if equals:
        return [make(name, content=content_of(content))], ""
    return [make(name)], ""


def put_link(name, target, *arguments):
    if target.startswith("+"):  # made first: a file, a folder, or under the prefix's C:
        target = target[1:]
        if target[1:2] == ":":
            where = D.DRIVE + target[2:].replace("\\", "/")
        else:
            where = FILES + "/" + target
        if where.endswith("/"):
            os.makedirs(where, exist_ok=True)
        else:
            make(where)
    if target in D.PROMPTS:
        target = D.PROMPTS[target]
    elif target[1:2] != ":" and not target.startswith("::"):
        target = os.path.join(FILES, target.rstrip("/"))
        if WINE:
            target = D.LABEL(target)
    if not WINE:
        return [make(name, to=target)], target
    made = D.ask("link", D.LABEL(FILES + "/" + name), target, *arguments)
    check(made == "ok", "shortcut " + name)
    return [FILES + "/" + name], target


def substitute(text, target):
    names = {"{target}": target, **D.PROMPTS}
    return re.sub(r"\{\w+\}", lambda m: names.get(m[0], m[0]), text)


def expected(r, paths, target):
    # The text Set shows for the row.
    kind, _, named = r.says.partition(":")
    if kind == "missing":
        return T["kFileMissing"]
    if kind == "unassociated":
        return T["kNotAssociated"]
    named = substitute(named, target)
    if kind == "exe":
        return prompt(named or D.LABEL(paths[0]), "kPromptTailExecutable")
    return prompt(named or D.APP)


TEXT_AT_96 = {}  # Wine: the buttons' captions' height in the first window
LAYOUT = {  # where each control lies in the client area, and its text
    "frame1": ((8, 16, 449, 57), "kFrame1Caption"),
    "set": ((64, 84, 161, 25), "kCmdSetCaption"),
    "cancel": ((240, 84, 161, 25), "kCmdCancelCaption"),
    "label": ((16, 40, 433, 21), "" if WINE else "kFrame1Caption"),
}


def check_layout(w):
    def rects(view):
        return view and [view.client] + [c.rect for c in view.controls.values()]

    def at_rest():
        view = w.look()
        return rects(view) == rects(w.look()) and view

    view = wait(at_rest, "the window at rest")
    x0, y0 = view.client[:2]
    for part, (rect, caption) in LAYOUT.items():
        c = view.controls[part]
        placed = (c.rect[0] - x0, c.rect[1] - y0, *c.rect[2:]) == rect
        text = T.get(caption, "").replace("&", "")
        check(
            placed and c.text == text,
            f"{part} at {c.rect} in {view.client}: {c.text!r}",
        )
    no_prefix = not WINE or view.controls["label"].style & 0x80
    check(view.client[2:] == (467, 123) and no_prefix, f"{view.client}, SS_NOPREFIX")


def check_keyboard(w):
    check(w.activate() and w.look("cancel").focused, "Cancel has the focus first")
    for part in ("set", "cancel"):
        D.key("Tab")
        wait(lambda: w.look(part).focused, "Tab order to " + part)


def check_logind_at_set(w):
    # logind absent, then activatable but never up, at Set.
    dropped = w.drop(make("logind.txt"))
    check(
        dropped and w.confirm("alt+s", "Return") == T["kResumeUndetectable"],
        "no logind",
    )
    services = SOURCE + "/tests/e2e/system-services"
    shutil.copytree(services, ROOT + "/data/dbus-1/services")
    bus = desktops.DBusTestCase.get_dbus(True)
    bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus").ReloadConfig()
    said = w.confirm("click", "click:キャンセル")
    check(said == prompt(D.APP) and not D.iconic(w.xid), "logind activatable")
    D.emit, D.stop = desktops.logind()


def check_unarmed_row(w, r):
    (paths, target), before = put(r), w.look("label").text
    if r.says == "refused":
        taken = w.drop(*paths, on=r.on)
        check(not taken and w.look("label").text == before, "drop taken: " + r.what)
        return
    if paths:
        check(w.drop(*paths), "drop: " + r.what)
    if r.file.startswith("gone:"):
        os.remove(paths[0])
    said = w.confirm(r.how, r.keys)
    right = said == expected(r, paths, target)
    check(right and not D.iconic(w.xid), f"Set: {r.what}: {said!r}")


def first_window(w, table):
    # Layout, focus, Tab, nothing dropped, logind; then each row that arms
    # nothing, one after the other.
    check_layout(w)
    if WINE:
        TEXT_AT_96.update(text_heights(w))
    check_keyboard(w)
    check(w.confirm("click", "Return") == T["kFileMissing"], "Set with nothing dropped")
    if not WINE:
        check_logind_at_set(w)
    for r in table:
        check_unarmed_row(w, r)
    calm = D.power([w], "S", "A", "U") and not w.look().box
    check(calm and w.proc.poll() is None, "not armed: power events do nothing")
    w.activate()
    D.key("alt+c")
    ended = w.end() == 0
    check(
        ended and not os.listdir(RECORDS),
        "Cancel's access key ends the program, nothing opened",
    )


def client_size(dpi):
    return int(7005 * dpi / 1440 + 0.5), int(1845 * dpi / 1440 + 0.5)


def start_windows(table):
    # Every row's window. Under Wine one at a time: a window started while
    # others map can be given its default size by the window manager.
    if WINE:
        return [find(Window(r.env))[0] for r in table]
    return find(*(Window(r.env) for r in table))


def dpi_of(r):
    return int(r.env.get("dpi", 96))


def sessions(table):
    # Under Wine, the rows of each DPI in a session started at it, as
    # Windows signs in at one; the first at 96.
    if not WINE:
        yield table
        return
    for dpi in sorted({dpi_of(r) for r in table}, key=lambda n: n != 96):
        D.start_session(dpi)
        yield [r for r in table if dpi_of(r) == dpi]


def text_heights(w):
    # The height of the buttons' captions as drawn, the window in front:
    # the same on two looks in a row (a busy desktop may not have painted).
    w.activate()

    def heights():
        out = {}
        for part in ("set", "cancel"):
            x, y, width, height = w.look(part).rect
            inside = (x + 4, y + 4, width - 8, height - 8)  # no edge
            out[part] = D.x.ink_height(inside)
        return out

    def painted():
        first = heights()
        return all(first.values()) and heights() == first and first

    return wait(painted, "captions drawn")


def check_fonts(r, w, dpi):
    # The captions drawn in a font scaled for the DPI.
    for part, got in text_heights(w).items():
        scaled = TEXT_AT_96[part] * dpi / 96
        at_96 = f"{r.what}: {part}'s text {got} px, {TEXT_AT_96[part]} px at 96 DPI"
        check(abs(got - scaled) <= max(2, scaled / 8), at_96)


def arm_row(r, w):
    dpi = dpi_of(r)
    view = w.look()
    check(view.client[2:] == client_size(dpi), f"{r.what}: laid out: {view.client}")
    if WINE and dpi != 96:
        check_fonts(r, w, dpi)
    (paths, target), w.said = put(r), None
    w.opens = substitute(r.arg, target) or D.opened(paths[0])
    if r.how == "own":
        check(w.drop(*paths), r.what + ": drop")
        D.minimize(w.xid)
    else:
        w.said = w.drop(*paths, on=r.on) and w.confirm(r.how, r.keys)
        check(
            w.said == expected(r, paths, target), f"{r.what}: Label1, Set: {w.said!r}"
        )
    if armed(r):
        wait(lambda: D.iconic(w.xid), r.what + ": minimized")
    if r.after in RESTORES:
        if r.after == "restore":
            D.restore(w.xid)
        else:
            D.key(r.after)
        wait(lambda: not D.iconic(w.xid) and w.look().active, r.what + ": restored")


def arm(table):
    # Every row's window armed (or not) as the row says, side by side, and a
    # window closed later; one resume reaches them all.
    windows = start_windows(table)
    (closed,) = find(Window({}))
    check(closed.drop(make("closed.txt")), "drop on the window closed later")
    for r, w in zip(table, windows):
        arm_row(r, w)
    return windows, closed


def change_after_arming(r):
    path = FILES + "/" + r.file
    if r.after == "delete":
        os.remove(path)
    elif r.after == "rename":
        os.rename(path, path + ".old")
    elif r.after == "folder":
        os.remove(path)
        os.mkdir(path)
    elif r.after.startswith("un"):
        D.change(r.after, path)


def check_unattended_wake(table, windows, sleeping):
    # A wake without the user, a sleep again: still armed (Set, posted
    # after them, still finds the window).
    check(D.power(sleeping, "A", "S"), "unattended wake answered at once")
    for r, w in zip(table, windows):
        if w not in sleeping or not w.said:
            continue
        D.ask("click", str(w.xid), T["kCmdSetCaption"])
        check(
            w.box().text == w.said,
            r.what + ": still armed after a wake without the user",
        )
        other = next(b for b in w.box().buttons if b != "OK")
        D.ask("click", str(w.xid), other)
        wait(lambda: not w.look().box, "no box")


def check_failure_messages(table, windows, failing):
    showing = []
    for r, w in zip(table, windows):
        if w not in failing:
            continue
        # the program gives a launch 25 s before it says it failed
        box = w.box(DEADLINE + 25)
        ended = f"{r.what}: ended without the failure message: {w.proc.returncode}"
        if check(box, ended):
            state = (box.text, D.iconic(w.xid), D.above(w))
            check(
                state == (T["kLaunchFailed"], True, True),
                f"{r.what}: the failure message, in front: {state}",
            )
            showing.append((r, w))
    for r in table:
        if r.after in ("delete", "rename"):
            make(r.file)  # a second launch would now succeed
    answering = [w for _, w in showing]
    check(
        D.power(answering, "U", "S", "U"), "resumes during the failure message answered"
    )
    # the messages first: they may lie over other windows
    for r, w in showing:
        if check(len(w.look().box.buttons) == 1, r.what + ": one message"):
            w.answer(r.arg or "Return", stays=False)


def records():
    return [name for name in os.listdir(RECORDS) if "." not in name]


def recorded(expected):
    # What the recording application was started with, each start once,
    # once the starts expected have written theirs (a program ends before
    # what it started has).
    with contextlib.suppress(TimeoutError):
        wait(lambda: len(records()) >= expected, "records")
    got = []
    for name in records():
        path = os.path.join(RECORDS, name)
        got.append(D.record(open(path, "rb").read()))
        os.remove(path)
    return got


def check_launches(table, windows, now):
    opening = sum(shown and r.resume == "opens" for r, shown in zip(table, now))
    got = recorded(opening)
    for r, w, shown in zip(table, windows, now):
        mine = [g for g in got if w.opens in g[1:]]
        opens = shown and r.resume == "opens"
        check(len(mine) == opens, f"{r.what}: opened once, or not at all")
        folder = D.opened(r.folder or WORK)
        check(
            all(g[0] == folder for g in mine),
            r.what + ": launched in the program's folder",
        )
        if r.file.endswith(".tex"):
            stamped = all(
                re.fullmatch(rb"id=vorundel-.+_TIME[1-9]\d*", g[-1]) for g in mine
            )
            check(stamped, r.what + ": X time")
    check(len(got) == opening, "nothing else opened: " + repr(got))


def resume(table, windows, closed):
    # what the user sees now is what resumes
    now = [armed(r) and r.after not in RESTORES for r in table]
    for r, w, shown in zip(table, windows, now):
        check(D.iconic(w.xid) == shown, f"{r.what}: minimized {shown}")
    sleeping = [w for w, shown in zip(windows, now) if shown]
    check(D.power(sleeping, "S"), "suspend answered at once")
    if WINE:
        check_unattended_wake(table, windows, sleeping)
    for r in table:
        change_after_arming(r)
    if not WINE:
        # logind restarted between arming and resume; meanwhile the suspend
        # has launched nothing
        D.stop()
        D.emit, D.stop = desktops.logind()
        check(all(D.iconic(w.xid) for w in sleeping), "a suspend launches nothing")
    check(D.power(windows, "U"), "resume answered at once")
    failing = [
        w for r, w, shown in zip(table, windows, now) if shown and r.resume == "fails"
    ]
    check_failure_messages(table, windows, failing)
    for r, w, shown in zip(table, windows, now):
        if not shown and check(w.proc.poll() is None, r.what + ": still running"):
            w.activate()  # left running on screen: Cancel ends it
            w.click("cancel")
        status = w.end()
        check(status == 0, f"{r.what}: exit status {status}")
    closed.activate()
    D.key("alt+F4")
    check(closed.end() == 0, "closed: exit status")
    check_launches(table, windows, now)


# A Qt platform the user chooses wins over the program's own choice of X11
# under XWayland: the environment, the arguments, Mutter's kind of client.
PLATFORM_CHOICES = (
    ({"QT_QPA_PLATFORM": "wayland"}, [], "wayland"),
    ({}, ["-platform", "wayland"], "wayland"),
)


def close_until_ended(w):
    # Closed again while it stays, as a user clicks again: a close can be
    # lost under load (seen with the focus already there).
    def ended():
        return w.proc.poll() is not None

    with contextlib.suppress(TimeoutError):
        again_until(ended, lambda: D.close(w.proc.pid), "closed", limit(2))


def check_platform_choices():
    for env, arguments, kind in PLATFORM_CHOICES:
        w = Window(env, arguments)
        got = wait(lambda: D.client_kinds(w.proc.pid), "window of " + repr(env))
        check(got == [kind], f"platform {env} {arguments}: {got}")
        # closed as a user closes it: on screen, with the focus
        wait(lambda: D.has_focus(w.proc.pid), "focus of " + repr(env))
        close_until_ended(w)
        status = w.end()
        check(status == 0, f"platform {env} {arguments}: closed, exit status {status}")


def main():
    global D, DRAG
    D, DRAG = desktops.start()
    if DESKTOP == "gnome":
        check_platform_choices()
    table = rows()
    shared = []
    if DESKTOP != "gnome":
        shared = [r for r in table if not armed(r) and not r.env and r.after == "-"]
        first_window(find(Window({}))[0], shared)
    D.power([], "U", "S")  # nothing is armed yet: nothing happens
    table = [r for r in table if r not in shared]
    for _ in range(ROUNDS):
        for group in sessions(table):
            resume(group, *arm(group))
    ran = any(
        "pwned" in files for top in (ROOT, os.getcwd()) for _, _, files in os.walk(top)
    )
    check(not ran, "a name ran")


if __name__ == "__main__":
    try:
        main()
    finally:
        stop_all()
        shutil.rmtree(ROOT, ignore_errors=True)
    sys.exit(f"{len(failures)} failed" if failures else 0)
