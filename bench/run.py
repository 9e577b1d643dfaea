#!/usr/bin/env python3
"""Measures Vorundel on Linux against references run in the same session.

Usage: bench/run.py [--build DIR] [--samples N] [--idle SECONDS]
                    [--starts N] [--windows vorundel.exe]

Starts Xvfb (-dpi 96) with openbox, a private system bus with
python-dbusmock's logind template on it, a private session bus,
and a temporary XDG data/config home in which a stamp helper opens .txt
files. Prints one table; every figure is also given as a ratio to its
reference, because this machine is shared.
Vorundel is armed as a user would: the file dropped on Label1 (XDND),
Set clicked, the confirmation answered. With a built vorundel.exe, its
size and its start-up under Wine (own prefix) are added for the record.
"""
import argparse
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

try:
    from dbusmock import DBusTestCase
except ImportError:  # python3-dbusmock is Debian's, for Debian's Python
    if sys.executable == "/usr/bin/python3":
        raise
    os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEADLINE = 10.0  # seconds any single step may take


def fail(message):
    sys.exit(f"bench: {message}")


def read_line(stream, timeout=DEADLINE):
    """One line from a pipe, or failure after `timeout` seconds."""
    ready, _, _ = select.select([stream], [], [], timeout)
    if not ready:
        fail("timed out waiting for a line")
    return stream.readline().decode().strip()


def wait_for_line(stream, wanted, timeout=DEADLINE):
    end = time.monotonic() + timeout
    while True:
        line = read_line(stream, max(0.0, end - time.monotonic()))
        if line == wanted:
            return


def twips(value, dpi=96):
    return (value * dpi + 720) // 1440


class Session:
    """Display, window manager, buses, logind and XDG homes."""

    def __init__(self, build):
        self.build = build
        self.tmp = tempfile.mkdtemp(prefix="vorundel-bench-")
        self.procs = []
        self.env = dict(os.environ)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.env["XDG_RUNTIME_DIR"] = self.path("runtime")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.tool = lambda name: os.path.join(build, "bench", name)
        self.file = self.path("memo.txt")
        with open(self.file, "w") as f:
            f.write("bench\n")
        self.stamp = self.path("stamp.fifo")
        os.mkfifo(self.stamp)
        self.env["BENCH_STAMP"] = self.stamp
        self._xdg()
        self._display()
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = self._bus()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._bus()
        os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = self.env["DBUS_SYSTEM_BUS_ADDRESS"]
        logind, self.logind = DBusTestCase.spawn_server_template(
            "logind", stdout=subprocess.DEVNULL
        )
        self.procs.append(logind)
        # Held open so the helper never blocks on a FIFO without a reader.
        self.stamp_fd = os.open(self.stamp, os.O_RDONLY | os.O_NONBLOCK)
        self.stamp_keep = os.open(self.stamp, os.O_WRONLY)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def spawn(self, argv, **kwargs):
        proc = subprocess.Popen(argv, env=kwargs.pop("env", self.env), **kwargs)
        self.procs.append(proc)
        return proc

    def _xdg(self):
        data = self.path("data")
        config = self.path("config")
        os.makedirs(os.path.join(data, "applications"))
        os.makedirs(config)
        with open(os.path.join(data, "applications", "bench-stamp.desktop"), "w") as f:
            f.write(
                "[Desktop Entry]\nType=Application\nName=Bench stamp\n"
                f"Exec={self.tool('bench_stamp_helper')} %f\n"
                "MimeType=text/plain;\nNoDisplay=true\n"
            )
        with open(os.path.join(config, "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\ntext/plain=bench-stamp.desktop\n")
        self.env["XDG_DATA_HOME"] = data
        self.env["XDG_CONFIG_HOME"] = config

    def _display(self):
        for number in range(90, 120):
            if not os.path.exists(f"/tmp/.X11-unix/X{number}"):
                break
        read_end, write_end = os.pipe()
        self.spawn(
            [
                "Xvfb",
                f":{number}",
                "-screen",
                "0",
                "1024x768x24",
                "-dpi",
                "96",
                "-nolisten",
                "tcp",
                "-displayfd",
                str(write_end),
            ],
            pass_fds=[write_end],
            stderr=subprocess.DEVNULL,
        )
        os.close(write_end)
        with os.fdopen(read_end, "rb") as r:
            read_line(r)
        self.env["DISPLAY"] = f":{number}"
        self.spawn(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # openbox is ready once it has set the supporting-WM property.
        end = time.monotonic() + DEADLINE
        while (
            b"_NET_SUPPORTING_WM_CHECK(WINDOW)"
            not in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                env=self.env,
                capture_output=True,
            ).stdout
        ):
            if time.monotonic() > end:
                fail("openbox did not start")
            time.sleep(0.05)

    def _bus(self):
        proc = self.spawn(
            ["dbus-daemon", "--session", "--print-address", "--nofork", "--nopidfile"],
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
        )
        return read_line(proc.stdout)

    def emit_resume(self):
        """Has logind emit PrepareForSleep(false); returns the time (CLOCK_MONOTONIC,
        ns) taken just before the request, which includes its trip to logind."""
        sent = time.monotonic_ns()
        self.logind.EmitSignal(
            "org.freedesktop.login1.Manager",
            "PrepareForSleep",
            "b",
            [False],
            dbus_interface="org.freedesktop.DBus.Mock",
        )
        return sent

    def read_stamp(self):
        """The helper's start time, once it has written it."""
        ready, _, _ = select.select([self.stamp_fd], [], [], DEADLINE)
        if not ready:
            fail("the helper never started")
        line = os.read(self.stamp_fd, 65536).decode()
        stamp, opened = line.rstrip("\n").split(" ", 1)
        if opened not in (self.file, "file://" + self.file):
            fail(f"the helper opened {opened!r}")
        return int(stamp)

    def xdotool(self, *args):
        # A search fails when a window it walks ends under it: ask again.
        end = time.monotonic() + DEADLINE
        while True:
            done = subprocess.run(
                ["xdotool", *args], env=self.env, capture_output=True, timeout=DEADLINE
            )
            if done.returncode == 0 or args[0] != "search" or time.monotonic() > end:
                done.check_returncode()
                return done.stdout.decode().split()

    def window_state(self, window):
        out = subprocess.run(
            ["xprop", "-id", window, "WM_STATE"],
            env=self.env,
            capture_output=True,
            timeout=DEADLINE,
        ).stdout.decode()
        return "Iconic" if "Iconic" in out else "Normal"

    def wait_iconic(self, window):
        end = time.monotonic() + DEADLINE
        while self.window_state(window) != "Iconic":
            if time.monotonic() > end:
                fail("window was not minimized")
            time.sleep(0.02)

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)


def arm_vorundel(session, extra_env=None, **popen):
    """Starts Vorundel, drops the file, presses Set and OK; returns (proc, window)."""
    env = dict(session.env, **(extra_env or {}))
    proc = session.spawn(
        [os.path.join(session.build, "ui", "qt", "vorundel")], env=env, **popen
    )
    window = session.xdotool(
        "search",
        "--sync",
        "--onlyvisible",
        "--pid",
        str(proc.pid),
        "--name",
        "^Vorundel$",
    )[0]
    label = (twips(120 + 120 + 6495 // 2), twips(240 + 360 + 315 // 2))
    subprocess.run(
        [
            session.tool("bench_xdnd_drop"),
            window,
            str(label[0]),
            str(label[1]),
            session.file,
        ],
        env=env,
        check=True,
        capture_output=True,
        timeout=DEADLINE,
    )
    session.xdotool(
        "mousemove",
        "--window",
        window,
        str(twips(960 + 2415 // 2)),
        str(twips(1260 + 375 // 2)),
        "click",
        "1",
    )
    end = time.monotonic() + DEADLINE
    while True:
        windows = session.xdotool(
            "search", "--onlyvisible", "--pid", str(proc.pid), "--name", "^Vorundel$"
        )
        boxes = [w for w in windows if w != window]
        if boxes:
            break
        if time.monotonic() > end:
            fail("no confirmation appeared")
        time.sleep(0.02)
    session.xdotool("windowactivate", "--sync", boxes[0], "key", "Return")
    session.wait_iconic(window)
    return proc, window


def latency_vorundel(session):
    proc, _ = arm_vorundel(session)
    emitted = session.emit_resume()
    stamp = session.read_stamp()
    proc.wait(DEADLINE)
    return stamp - emitted


def latency_listener(session, *mode):
    proc = session.spawn(
        [session.tool("bench_listener"), *mode], stdout=subprocess.PIPE
    )
    wait_for_line(proc.stdout, "ready")
    emitted = session.emit_resume()
    stamp = session.read_stamp()
    proc.wait(DEADLINE)
    return stamp - emitted


def latency_script(session):
    script = (
        "dbus-monitor --system \"type='signal',interface='org.freedesktop.login1.Manager',"
        'member=\'PrepareForSleep\'" | while read -r line; do case "$line" in '
        "*member=NameLost*) echo ready;; *'boolean false'*) exec gio open \"$1\";; "
        "esac; done"
    )
    proc = session.spawn(
        ["bash", "-c", script, "script", session.file],
        stdout=subprocess.PIPE,
        start_new_session=True,
    )
    wait_for_line(proc.stdout, "ready")
    emitted = session.emit_resume()
    stamp = session.read_stamp()
    os.killpg(proc.pid, signal.SIGTERM)
    proc.wait(DEADLINE)
    return stamp - emitted


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def measure_latency(session, samples):
    subjects = {
        "vorundel": latency_vorundel,
        "bare listener": lambda s: latency_listener(s, "gio", s.file),
        "common script": latency_script,
        "floor": lambda s: latency_listener(
            s, "spawn", s.file, s.tool("bench_stamp_helper")
        ),
    }
    names = list(subjects)
    results = {name: [] for name in names}
    for round_number in range(samples):
        shift = round_number % len(names)
        for name in names[shift:] + names[:shift]:
            results[name].append(subjects[name](session) / 1e6)
    return results


def task_counters(pid):
    """Context switches of each thread, and the process's CPU time in ms."""
    switches = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/status") as f:
            switches[task] = sum(
                int(line.split()[1])
                for line in f
                if line.startswith(
                    ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")
                )
            )
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu_ticks = int(fields[11]) + int(fields[12])
    return switches, cpu_ticks * 1000 // os.sysconf("SC_CLK_TCK")


def wakeups(before, after):
    """Switches of the threads alive throughout, plus one for each thread
    that started or ended in between (it woke to do so)."""
    common = before.keys() & after.keys()
    return sum(after[t] - before[t] for t in common) + len(before.keys() ^ after.keys())


def memory(pid):
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "RssAnon"):
                values[key] = int(rest.split()[0]) / 1024
    return values


def idle_cost(session, pids, seconds):
    """Wake-ups and CPU of each process over the same `seconds`, then 10 s
    of strace -c on each (in parallel)."""
    before = [task_counters(pid) for pid in pids]
    time.sleep(seconds)
    after = [task_counters(pid) for pid in pids]
    traces = [
        subprocess.Popen(
            ["timeout", "-s", "INT", "10", "strace", "-c", "-f", "-p", str(pid)],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.PIPE,
            text=True,
        )
        for pid in pids
    ]
    results = []
    for b, a, trace in zip(before, after, traces):
        out = trace.communicate()[1]
        calls = sum(
            int(m.group(1))
            for m in re.finditer(r"^\s*[\d.]+\s+[\d.]+\s+\d+\s+(\d+)", out, re.M)
        )
        results.append(
            {"switches": wakeups(b[0], a[0]), "cpu_ms": a[1] - b[1], "syscalls": calls}
        )
    return results


def start_reference(session, env):
    proc = session.spawn([session.tool("bench_reference_window")], env=env)
    window = session.xdotool(
        "search",
        "--sync",
        "--onlyvisible",
        "--pid",
        str(proc.pid),
        "--name",
        "^Vorundel$",
    )[0]
    return proc, window


def first_frame(session, start):
    """ms from exec to the first frame, for `start` given an environment."""
    frame = session.path("frame")
    open(frame, "w").close()
    env = dict(
        session.env,
        LD_PRELOAD=session.tool("libbench_first_frame.so"),
        BENCH_FRAME=frame,
    )
    began = time.monotonic_ns()
    proc, window = start(env)
    end = time.monotonic() + DEADLINE
    while not open(frame).read():
        if time.monotonic() > end:
            fail("no frame was painted")
        time.sleep(0.005)
    painted = int(open(frame).read().split()[0])
    proc.terminate()
    proc.wait(DEADLINE)
    return (painted - began) / 1e6


def start_vorundel(session, env):
    proc = session.spawn([os.path.join(session.build, "ui", "qt", "vorundel")], env=env)
    window = session.xdotool(
        "search",
        "--sync",
        "--onlyvisible",
        "--pid",
        str(proc.pid),
        "--name",
        "^Vorundel$",
    )[0]
    return proc, window


def wine_startup_in_session(exe, runs):
    """Inside a wine-run.sh session: ms from starting `exe` to its window
    being visible, after one warm-up run."""
    times = []
    for i in range(runs + 1):
        began = time.monotonic_ns()
        proc = subprocess.Popen(
            [os.environ["VORUNDEL_WINE"], exe],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        subprocess.run(
            ["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Vorundel$"],
            check=True,
            capture_output=True,
            timeout=60,
        )
        shown = time.monotonic_ns()
        proc.terminate()
        proc.wait(30)
        if i > 0:
            times.append((shown - began) / 1e6)
    print(" ".join(f"{t:.1f}" for t in times))


def windows_rows(exe, runs):
    """exe size and start-up under Wine, in a prefix of its own; where Wine
    cannot run here, the start-up row says why."""
    wine_run = [
        os.path.join(ROOT, "cmake", "wine-run.sh"),
        "64",
        tempfile.mkdtemp(prefix="vorundel-bench-wine-"),
    ]
    yield ("vorundel.exe size", f"{os.path.getsize(exe)} bytes", "")
    try:
        for step in (
            ["--create"],
            [
                "--exec",
                sys.executable,
                os.path.abspath(__file__),
                "--wine-startup",
                exe,
                "--starts",
                str(runs),
            ],
        ):
            done = subprocess.run(
                wine_run + step, capture_output=True, text=True, timeout=300
            )
            if done.returncode:
                why = (
                    done.stderr.strip().splitlines()
                    or [f"exit status {done.returncode}"]
                )[-1]
                yield (
                    "vorundel.exe start to window, Wine",
                    "not measurable here: " + why,
                    "",
                )
                return
        times = [float(t) for t in done.stdout.split()]
        yield (
            "vorundel.exe start to window, Wine",
            f"median {statistics.median(times):.0f} ms of {len(times)}",
            "",
        )
    finally:
        subprocess.run(wine_run + ["--remove"], capture_output=True)


class Table(list):
    """Rows printed as they are measured: a long run shows its progress."""

    WIDTH, VWIDTH = 36, 48

    def __init__(self):
        super().__init__()
        print(f"{'measure'.ljust(self.WIDTH)} | {'value'.ljust(self.VWIDTH)} | ratio")
        print(f"{'-' * self.WIDTH}-|-{'-' * self.VWIDTH}-|------", flush=True)

    def append(self, row):
        super().append(row)
        name, value, rel = row
        print(
            f"{name.ljust(self.WIDTH)} | {value.ljust(self.VWIDTH)} | {rel}", flush=True
        )

    def extend(self, rows):
        for row in rows:
            self.append(row)


def ratio(value, reference):
    return f"{value / reference:.2f}x" if reference else "n/a"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "linux"))
    parser.add_argument("--samples", type=int, default=50)
    parser.add_argument("--idle", type=int, default=30)
    parser.add_argument("--starts", type=int, default=10)
    parser.add_argument(
        "--windows",
        default=os.path.join(ROOT, "build", "windows", "bin", "vorundel.exe"),
        help="vorundel.exe to time under Wine, if it exists",
    )
    parser.add_argument("--wine-startup", metavar="EXE", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.wine_startup:
        wine_startup_in_session(args.wine_startup, args.starts)
        return
    session = Session(os.path.abspath(args.build))
    try:
        rows = Table()
        lat = measure_latency(session, args.samples)
        bare50, bare95 = percentile(lat["bare listener"], 50), percentile(
            lat["bare listener"], 95
        )
        for name, values in lat.items():
            p50, p95 = percentile(values, 50), percentile(values, 95)
            rows.append(
                (
                    f"resume→launch {name}",
                    f"p50 {p50:.2f} ms, p95 {p95:.2f} ms",
                    f"{ratio(p50, bare50)} / {ratio(p95, bare95)} of bare listener",
                )
            )

        starts = {"vorundel": [], "reference": []}
        first_frame(
            session, lambda env: start_reference(session, env)
        )  # warm the font cache
        for i in range(args.starts):
            order = [
                ("vorundel", lambda env: start_vorundel(session, env)),
                ("reference", lambda env: start_reference(session, env)),
            ]
            for name, start in order if i % 2 == 0 else order[::-1]:
                starts[name].append(first_frame(session, start))
        ref_med, ref_95 = statistics.median(starts["reference"]), percentile(
            starts["reference"], 95
        )
        for name, values in starts.items():
            med, p95 = statistics.median(values), percentile(values, 95)
            rows.append(
                (
                    f"exec→first frame {name}",
                    f"median {med:.1f} ms, p95 {p95:.1f} ms",
                    f"{ratio(med, ref_med)} / {ratio(p95, ref_95)} of reference",
                )
            )

        proc, window = arm_vorundel(session)
        ref, ref_window = start_reference(session, session.env)
        session.xdotool("windowminimize", "--sync", ref_window)
        time.sleep(2)
        mem_v, mem_r = memory(proc.pid), memory(ref.pid)
        idle_v, idle_r = idle_cost(session, [proc.pid, ref.pid], args.idle)
        for key in ("VmRSS", "RssAnon"):
            rows.append(
                (
                    f"{key} armed",
                    f"vorundel {mem_v[key]:.1f} MiB, reference {mem_r[key]:.1f} MiB",
                    ratio(mem_v[key], mem_r[key]),
                )
            )
        rows.append(
            (
                f"idle {args.idle} s: context switches",
                f"vorundel {idle_v['switches']}, " f"reference {idle_r['switches']}",
                "",
            )
        )
        rows.append(
            (
                f"idle {args.idle} s: CPU",
                f"vorundel {idle_v['cpu_ms']} ms, " f"reference {idle_r['cpu_ms']} ms",
                "",
            )
        )
        rows.append(
            (
                "idle strace -c 10 s: syscalls",
                f"vorundel {idle_v['syscalls']}, " f"reference {idle_r['syscalls']}",
                "",
            )
        )
        if os.path.exists(args.windows):
            rows.extend(windows_rows(os.path.abspath(args.windows), args.starts))
    finally:
        session.close()


if __name__ == "__main__":
    main()
