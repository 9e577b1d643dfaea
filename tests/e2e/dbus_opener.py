#!/usr/bin/env python3
# A D-Bus activatable application: dbus-daemon starts it for the name
# APP_ID; it records the folder it runs in ("/", as a daemon's) and the
# paths it is asked to open, as recorder.sh does, into RECORD_DIR, and ends.
# "silent": it takes the name and never answers, as a hung application;
# it ends with the bus.
# Usage (a D-Bus service's Exec): dbus_opener.py APP_ID RECORD_DIR [silent]
import os
import sys

from gi.repository import Gio, GLib

APPLICATION = """<node><interface name="org.freedesktop.Application">
<method name="Activate"><arg type="a{sv}" direction="in"/></method>
<method name="Open"><arg type="as" direction="in"/><arg type="a{sv}" direction="in"/>
</method></interface></node>"""
unanswered = []


def opened(app, files, n, hint):
    paths = [os.getcwd()] + [g.get_path() for g in files]
    name = os.path.join(sys.argv[2], "." + str(os.getpid()))
    with open(name, "wb") as f:
        f.write(b"".join(os.fsencode(p) + b"\0" for p in paths))
    os.rename(name, os.path.join(sys.argv[2], str(os.getpid())))


def keep_unanswered(*call):
    unanswered.append(call[-1])  # the invocation


def silent(app_id):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    interface = Gio.DBusNodeInfo.new_for_xml(APPLICATION).interfaces[0]
    path = "/" + app_id.replace(".", "/")
    bus.register_object(path, interface, keep_unanswered)
    Gio.bus_own_name_on_connection(bus, app_id, 0, None, None)
    GLib.MainLoop().run()


os.chdir("/")
if sys.argv[3:] == ["silent"]:
    silent(sys.argv[1])
app = Gio.Application(
    application_id=sys.argv[1],
    flags=Gio.ApplicationFlags.IS_SERVICE | Gio.ApplicationFlags.HANDLES_OPEN,
)
app.connect("open", opened)
sys.exit(app.run([sys.argv[0]]))
