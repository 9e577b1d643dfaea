#!/usr/bin/env python3
# A D-Bus activatable application: dbus-daemon starts it for the name
# APP_ID; it records the folder it runs in ("/", as a daemon's) and the
# paths it is asked to open, as recorder.sh does, into RECORD_DIR, and ends.
# Usage (a D-Bus service's Exec): dbus_opener.py APP_ID RECORD_DIR
import os, sys
from gi.repository import Gio


def opened(app, files, n, hint):
    name = os.path.join(sys.argv[2], "." + str(os.getpid()))
    with open(name, "wb") as f:
        f.write(
            b"".join(
                os.fsencode(p) + b"\0"
                for p in [os.getcwd()] + [g.get_path() for g in files]
            )
        )
    os.rename(name, os.path.join(sys.argv[2], str(os.getpid())))


os.chdir("/")
app = Gio.Application(
    application_id=sys.argv[1],
    flags=Gio.ApplicationFlags.IS_SERVICE | Gio.ApplicationFlags.HANDLES_OPEN,
)
app.connect("open", opened)
sys.exit(app.run([sys.argv[0]]))
