#!/usr/bin/python3
"""A private message bus with a stand-in for systemd-logind, for tests of the power actions.

Run as a child of the test: a dbus-daemon listening only inside a new folder
nodrel-private-bus-*, with python3-dbusmock's logind template on it (Hibernate and Suspend
send PrepareForSleep(true), then (false) 0.2 s later). Prints the bus address, then answers
each command line on stdin (fields split by tabs) with one line:
    calls                         the calls so far, e.g. "PowerOff(false) Suspend(false)"
    fail METHOD ERROR MESSAGE     from now on METHOD answers with this D-Bus error
    resume METHOD SECONDS|never   when Hibernate/Suspend announce the resume (0: before the reply)
    stall METHOD SECONDS          from now on METHOD answers after SECONDS, nothing else meanwhile
    matches N                     from now on a connection may add at most N match rules
Like logind, a call whose argument is not a boolean gets InvalidArgs. When stdin closes,
also on a crash of the test, it ends both and removes the folder. Status 77 without
dbus-daemon or python3-dbusmock.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SERVICE, OBJECT = "org.freedesktop.login1", "/org/freedesktop/login1"
MANAGER = SERVICE + ".Manager"
POWER_METHODS = ("Halt", "Hibernate", "PowerOff", "Reboot", "Suspend")
ACCESS_DENIED = "org.freedesktop.DBus.Error.AccessDenied"
UNAVAILABLE = 77
BUS_CONFIG = """<busconfig><type>session</type><listen>unix:dir=%s</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy>%s</busconfig>"""
MATCH_LIMIT = '<limit name="max_match_rules_per_connection">%s</limit>'
# dbusmock converts the arguments to the declared signature before the method's code runs
# (a uint32 0 becomes false); its m_args are still as they came over the bus.
CHECK_SIGNATURE = ("if not isinstance(m_args[0], dbus.Boolean): raise dbus.exceptions"
                   ".DBusException('Expected a boolean', name=%r)\n"
                   % "org.freedesktop.DBus.Error.InvalidArgs")


class PrivateLogind:
    """The stand-in as a child of this process (any Python interpreter)."""

    def __init__(self):
        self.proc = subprocess.Popen(["/usr/bin/python3", os.path.abspath(__file__)], text=True,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        line = self.proc.stdout.readline()
        if not line and self.proc.wait(10) == UNAVAILABLE:
            raise unittest.SkipTest("dbus-daemon or python3-dbusmock is not installed")
        self.address = line.strip()

    def ask(self, *words):
        self.proc.stdin.write("\t".join(words) + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().rstrip("\n")

    def stop(self):
        self.proc.stdin.close()
        self.proc.wait(10)
        self.proc.stdout.close()


def _sleep_code(after):
    emit = "self.EmitSignal(%r, 'PrepareForSleep', 'b', [%%s])" % MANAGER
    if after is None:
        return emit % True
    if after <= 0:
        return emit % True + "\n" + emit % False
    return "%s\nfrom gi.repository import GLib\nGLib.timeout_add(%d, %s)" % (
        emit % True, after * 1000, "lambda self=self: (%s, False)[1]" % (emit % False))


def _die_with_parent():
    ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


def serve():
    try:
        import dbus  # pylint: disable=import-outside-toplevel
        import dbusmock  # noqa: F401  pylint: disable=import-outside-toplevel,unused-import
    except ImportError:
        return UNAVAILABLE
    if not os.access("/usr/bin/dbus-daemon", os.X_OK):
        return UNAVAILABLE
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    folder = os.path.realpath(tempfile.mkdtemp(prefix="nodrel-private-bus-"))
    children = []
    try:
        def configure(limits=""):
            with open(folder + "/bus.conf", "w", encoding="utf-8") as f:
                f.write(BUS_CONFIG % (folder, limits))
        configure()
        children.append(subprocess.Popen(
            ["/usr/bin/dbus-daemon", "--config-file=" + folder + "/bus.conf", "--nofork",
             "--print-address=1"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            preexec_fn=_die_with_parent))
        address = children[0].stdout.readline().decode().strip()
        if not address.startswith("unix:path=" + folder + "/"):  # only ever our own bus
            raise RuntimeError("dbus-daemon gave %r" % address)
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        children.append(subprocess.Popen(
            ["/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"], env=env,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, preexec_fn=_die_with_parent))
        bus = dbus.bus.BusConnection(address)
        for _ in range(750):  # 15 s for the stand-in to take its name
            if bus.name_has_owner(SERVICE) or children[1].poll() is not None:
                break
            time.sleep(0.02)
        mock = dbus.Interface(bus.get_object(SERVICE, OBJECT), "org.freedesktop.DBus.Mock")
        mock.AddMethods(MANAGER, dbus.Array([
            (m, "b", "", CHECK_SIGNATURE + (_sleep_code(0.2) if m in ("Hibernate", "Suspend")
                                            else "")) for m in POWER_METHODS], signature="(ssss)"))
        print(address, flush=True)
        for line in iter(sys.stdin.readline, ""):
            command, *args = line.rstrip("\n").split("\t")
            if command == "calls":
                print(" ".join("%s(%s)" % (m, ",".join(str(bool(a)).lower() for a in args))
                               for _, m, args in mock.GetCalls()), flush=True)
                continue
            if command == "matches":
                configure(MATCH_LIMIT % int(args[0]))
                bus.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "ReloadConfig", "", [])
                print("ok", flush=True)
                continue
            code = {"fail": lambda: "raise dbus.exceptions.DBusException(%r, name=%r)"
                            % (args[2], args[1]),
                    "resume": lambda: _sleep_code(None if args[1] == "never" else float(args[1])),
                    "stall": lambda: "import time\ntime.sleep(%f)" % float(args[1])}
            mock.AddMethod(MANAGER, args[0], "b", "", CHECK_SIGNATURE + code[command]())
            print("ok", flush=True)
        return 0
    finally:
        for child in reversed(children):
            child.kill()
            child.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(serve())
