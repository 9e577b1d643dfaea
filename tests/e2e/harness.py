# What every part of the end-to-end run shares: its arguments, waits whose
# limit grows with the machine's load, the failures found, the processes
# started, and the run's folder with the environment the program gets.
import os
import re
import subprocess
import sys
import tempfile
import time
from types import SimpleNamespace

DESKTOP, PROGRAM, SOURCE = sys.argv[1:4]
ROUNDS = int(sys.argv[4]) if len(sys.argv) > 4 else 1
WINE = DESKTOP == "wine"
NS = SimpleNamespace
DEADLINE = 20.0  # seconds, on a machine with a core free for each task


def slowness():
    # How many times longer than on an idle machine things take now: the
    # runnable tasks per core over the last minute, at least 1.
    return max(1.0, os.getloadavg()[0] / os.cpu_count())


def limit(seconds=DEADLINE):
    return seconds * slowness()


def wait(condition, what, seconds=DEADLINE):
    # Polls `condition` until it holds; returns what it gave.
    start = time.monotonic()
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() - start > limit(seconds):
            raise TimeoutError(what() if callable(what) else what)
        time.sleep(0.005)


def again_until(done, act, what, every, acted=False):
    # Waits for `done`, doing `act` again each `every` seconds meanwhile
    # (first at once, unless it was just done), as a user tries again.
    last = [time.monotonic() if acted else -every]

    def tried():
        if done():
            return True
        if time.monotonic() - last[0] > every:
            act()
            last[0] = time.monotonic()

    return wait(tried, what)


failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what, flush=True)
    return ok


started = []  # every process started here, ended at the end


def spawn(argv, **options):
    proc = subprocess.Popen(argv, **options)
    started.append(proc)
    return proc


def stop_all():
    # Newest first, by a signal they handle: the shell takes XWayland's
    # files in /tmp with it.
    for proc in reversed(started):
        proc.terminate()
        try:
            proc.wait(limit())
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def program_texts():
    # The program's own texts by name, from core/texts.h.
    source = open(SOURCE + "/core/texts.h", encoding="utf-8").read()
    texts = {}
    for name, text in re.findall(r'(k\w+) =\s*u"((?:[^"\\]|\\.)*)"', source):
        texts[name] = text.encode("latin-1", "backslashreplace").decode(
            "unicode_escape"
        )
    return texts


def hostile_names():
    # The names of hostile_names.txt legal on this desktop; \xNN a stray byte.
    names = []
    for line in open(SOURCE + "/tests/hostile_names.txt", encoding="utf-8"):
        if line.startswith("#"):
            continue
        where, stem, _ = line.split("\t")
        if ("W" if WINE else "L") in where:
            stem = stem.replace("\\n", "\n")
            names.append(
                re.sub(r"\\x(..)", lambda m: chr(0xDC00 + int(m[1], 16)), stem)
            )
    return names


T = program_texts()
HOSTILE = hostile_names()
ROOT = tempfile.mkdtemp(prefix="vorundel-e2e-")
FILES = ROOT + "/files"
RECORDS = ROOT + "/records"
WORK = ROOT + "/work"
APPS = ROOT + "/data/applications"
FLATPAK = ROOT + "/flatpak/exports"
LOCALES = ("ja_JP", "de_DE", "tr_TR", "en_US", "zh_TW", "zh_HK", "zh_CN")
# The real environment, for the window manager and the drag source.
DESKTOP_ENV = dict(os.environ)


def prepare_run_folder():
    os.mkdir(ROOT + "/runtime", 0o700)  # Qt takes no other
    folders = (FILES, RECORDS, WORK, APPS, FLATPAK + "/share/applications")
    for folder in folders + (ROOT + "/config", ROOT + "/locale"):
        os.makedirs(folder)
    # The program picks its Qt platform itself.
    os.environ.pop("QT_QPA_PLATFORM", None)
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
    )
    # glibc's, for the program and for Wine, in the run's folder; all at
    # once, each takes a second of a core
    making = []
    for locale in LOCALES:
        made = f"{ROOT}/locale/{locale}.UTF-8"
        argv = ["localedef", "-i", locale, "-f", "UTF-8", made]
        making.append(subprocess.Popen(argv, env={}))
    for localedef in making:
        check(localedef.wait() == 0, f"localedef: {localedef.args}")


def make(name, to=None, content="x\n"):
    # A file (a "/" in the name makes folders on the way), or a link to `to`.
    path = os.path.join(FILES, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if to:
        os.symlink(to, path)
    else:
        with open(path, "wb") as file:
            file.write(content.encode("latin-1"))
    return path


def shown(path):
    # As GLib's display name: U+FFFD for a stray byte.
    return os.fsencode(path).decode(errors="replace")


def prompt(program, tail="kPromptTailAssociated"):
    return T["kPromptHead"] + "\n\n" + program + "\n\n" + T[tail]
