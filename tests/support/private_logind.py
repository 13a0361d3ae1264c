#!/usr/bin/python3
"""A private message bus with a stand-in for systemd-logind, for tests of the power actions.

Every session gets its own folder (named nodrel-private-bus-*) holding the bus
configuration, the bus socket, the logs of the bus and of the stand-in, and state.json.
The bus is a dbus-daemon of its own that listens only on a socket inside that folder;
the machine's system bus is never contacted. The stand-in is python3-dbusmock's logind
template, run with DBUS_SYSTEM_BUS_ADDRESS pointing at the private bus, completed with
Halt and with a sleep that announces itself: Hibernate and Suspend emit
PrepareForSleep(true), then PrepareForSleep(false) a moment later, as the real service
does around a suspend and resume.

From Python (any interpreter: the parts that speak D-Bus run in /usr/bin/python3):

    logind = PrivateLogind(); logind.start()
    env["DBUS_SYSTEM_BUS_ADDRESS"] = logind.address
    logind.fail("PowerOff", ACCESS_DENIED, "Permission denied")
    logind.all_power_calls()    # {"Halt": [], ..., "PowerOff": [[False]], ...}
    logind.stop()

From a program in another language, one command per step; all but start take the
session folder that start reports:

    private_logind.py start [--owner PID] [--lifetime SECONDS]
        prints {"address": ..., "folder": ..., ...}; status 77 when dbus-daemon or
        python3-dbusmock is missing
    private_logind.py calls FOLDER                 prints {"Halt": [], ...}: the arguments
                                                   of every call of the five power methods
    private_logind.py fail FOLDER METHOD ERROR MESSAGE
    private_logind.py resume FOLDER METHOD SECONDS|never
    private_logind.py stop FOLDER

A watcher process ends the bus and the stand-in when the owner process has gone or the
lifetime has run out, so that a crashed test leaves nothing behind.
"""

import argparse
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SYSTEM_PYTHON = "/usr/bin/python3"
DBUS_DAEMON = "/usr/bin/dbus-daemon"
FOLDER_PREFIX = "nodrel-private-bus-"

SERVICE = "org.freedesktop.login1"
OBJECT = "/org/freedesktop/login1"
MANAGER = "org.freedesktop.login1.Manager"
MOCK_INTERFACE = "org.freedesktop.DBus.Mock"

POWER_METHODS = ("PowerOff", "Reboot", "Halt", "Hibernate", "Suspend")
SLEEP_METHODS = ("Hibernate", "Suspend")

NOT_AUTHORISED_INTERACTIVE = "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"
ACCESS_DENIED = "org.freedesktop.DBus.Error.AccessDenied"

# How long after PrepareForSleep(true) the stand-in announces the resume, by default.
DEFAULT_RESUME_AFTER = 0.2
STARTUP_TIMEOUT = 15.0
UNAVAILABLE_STATUS = 77

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class Unavailable(Exception):
    """dbus-daemon or python3-dbusmock is not installed."""


class HarnessError(Exception):
    """The private bus or its stand-in did not behave."""


def missing_tools():
    """What is missing to run a private bus with the stand-in ("" when nothing)."""
    if not os.access(DBUS_DAEMON, os.X_OK):
        return DBUS_DAEMON + " is not installed (package dbus-daemon)"
    probe = subprocess.run([SYSTEM_PYTHON, "-c", "import dbus, dbusmock, gi"],
                           stdin=subprocess.DEVNULL, capture_output=True, check=False)
    if probe.returncode != 0:
        return "python3-dbusmock (with python3-dbus and python3-gi) is not installed"
    return ""


# --- safety: only our own folder, socket and processes are ever touched -----------------

def _check_folder(folder):
    folder = os.path.realpath(folder)
    if not os.path.basename(folder).startswith(FOLDER_PREFIX):
        raise HarnessError("not a private bus folder: %s" % folder)
    return folder


def _check_address(address, folder):
    if not address.startswith("unix:path=" + folder + "/"):
        raise HarnessError("refusing a bus address outside %s: %r" % (folder, address))
    return address


def _read_state(folder):
    folder = _check_folder(folder)
    with open(os.path.join(folder, "state.json"), encoding="utf-8") as f:
        state = json.load(f)
    _check_address(state["address"], folder)
    return state


def _alive(pid):
    try:
        with open("/proc/%d/stat" % pid, encoding="utf-8") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def _kill_ours(pid, marker):
    """Ends process `pid` if its command line still carries `marker` (never a stranger
    that has inherited the number)."""
    try:
        with open("/proc/%d/cmdline" % (pid or 0), "rb") as f:
            if marker.encode() not in f.read().replace(b"\0", b" "):
                return
    except OSError:
        return
    for signum in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.kill(pid, signum)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass  # not our child: whoever adopted it reaps it
            if not _alive(pid):
                return
            time.sleep(0.02)


def _end_session(state, folder):
    if state.get("watch_pid") != os.getpid():
        _kill_ours(state.get("watch_pid"), "private_logind.py watch")
    _kill_ours(state.get("mock_pid"), "dbusmock")
    _kill_ours(state.get("bus_pid"), folder)
    shutil.rmtree(folder, ignore_errors=True)


# --- the parts that speak D-Bus (only ever in /usr/bin/python3) --------------------------

def _sleep_code(resume_after):
    """The body of Hibernate/Suspend: announce the sleep, then (maybe) the resume."""
    emit = "self.EmitSignal(%r, 'PrepareForSleep', 'b', [%s])"
    if resume_after is None:
        return emit % (MANAGER, True)
    if resume_after <= 0:
        return emit % (MANAGER, True) + "\n" + emit % (MANAGER, False)
    return "\n".join([emit % (MANAGER, True), "from gi.repository import GLib",
                      "GLib.timeout_add(%d, lambda self=self: (%s, False)[1])"
                      % (int(resume_after * 1000), emit % (MANAGER, False))])


def _control(address, operation, args):
    """Carries out one operation on the stand-in; returns a JSON-able result."""
    import dbus  # pylint: disable=import-outside-toplevel
    bus = dbus.bus.BusConnection(address)
    try:
        if operation == "prepare":
            # Waits until the stand-in owns its name, then declares every power method
            # again, so that a session starts from a known state whatever the template holds.
            deadline = time.monotonic() + STARTUP_TIMEOUT
            while not bus.name_has_owner(SERVICE):
                if time.monotonic() > deadline:
                    raise HarnessError("%s got no owner in time" % SERVICE)
                time.sleep(0.02)
        mock = dbus.Interface(bus.get_object(SERVICE, OBJECT), MOCK_INTERFACE)
        if operation == "prepare":
            methods = [(name, "b", "", _sleep_code(DEFAULT_RESUME_AFTER)
                        if name in SLEEP_METHODS else "") for name in POWER_METHODS]
            mock.AddMethods(MANAGER, dbus.Array(methods, signature="(ssss)"))
            mock.ClearCalls()
        elif operation == "calls":
            # Every power method takes one boolean.
            return {m: [[bool(v) for v in call_args] for _, call_args in mock.GetMethodCalls(m)]
                    for m in POWER_METHODS}
        elif operation == "fail":
            method, error_name, message = args
            code = "raise dbus.exceptions.DBusException(%r, name=%r)" % (message, error_name)
            mock.AddMethod(MANAGER, method, "b", "", code)
        elif operation == "resume":
            method, after = args
            seconds = None if after == "never" else float(after)
            mock.AddMethod(MANAGER, method, "b", "", _sleep_code(seconds))
        else:
            raise HarnessError("unknown operation %r" % operation)
        return None
    finally:
        bus.close()


# --- sessions ----------------------------------------------------------------------------

class PrivateLogind:
    """One private bus with the stand-in on it."""

    def __init__(self, owner=None, lifetime=600.0):
        # owner 0: no owner, only the lifetime bounds the session.
        self.owner = os.getpid() if owner is None else owner
        self.lifetime = lifetime
        self.folder = self.address = None
        self._children = {}

    def state(self):
        pids = {name + "_pid": child.pid for name, child in self._children.items()}
        return dict(address=self.address, folder=self.folder, **pids)

    def start(self):
        missing = missing_tools()
        if missing:
            raise Unavailable(missing)
        self.folder = os.path.realpath(tempfile.mkdtemp(prefix=FOLDER_PREFIX))
        try:
            self._start_bus()
            env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.address)
            env.pop("DBUS_SESSION_BUS_ADDRESS", None)
            with open(os.path.join(self.folder, "mock.log"), "wb") as log:
                self._children["mock"] = subprocess.Popen(
                    [SYSTEM_PYTHON, "-m", "dbusmock", "--system", "--template", "logind"],
                    stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, env=env,
                    start_new_session=True)
            self._write_state()
            self._children["watch"] = subprocess.Popen(
                [SYSTEM_PYTHON, os.path.abspath(__file__), "watch", self.folder,
                 str(self.owner), str(self.lifetime)],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True)
            self._write_state()
            self._run("prepare")
        except BaseException:
            self.stop()
            raise
        return self

    def _start_bus(self):
        # The bus stays a child of this process (no --fork), so that it is reaped when it
        # ends even where the init process reaps nothing.
        config = os.path.join(self.folder, "bus.conf")
        with open(config, "w", encoding="utf-8") as f:
            f.write(BUS_CONFIG.format(folder=self.folder))
        with open(os.path.join(self.folder, "bus.log"), "wb") as log:
            bus = self._children["bus"] = subprocess.Popen(
                [DBUS_DAEMON, "--config-file=" + config, "--nofork", "--print-address=1",
                 "--print-pid=1"],
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log,
                start_new_session=True)
        data = b""
        deadline = time.monotonic() + STARTUP_TIMEOUT
        while data.count(b"\n") < 2 and time.monotonic() < deadline:
            if select.select([bus.stdout], [], [], 0.1)[0]:
                chunk = os.read(bus.stdout.fileno(), 4096)
                if not chunk:
                    break
                data += chunk
        bus.stdout.close()
        lines = data.decode("utf-8", "replace").split("\n")
        if len(lines) < 2 or lines[1] != str(bus.pid):
            raise HarnessError("dbus-daemon did not start: %r %s" % (lines, self.log("bus")))
        self.address = _check_address(lines[0], self.folder)

    def _write_state(self):
        path = os.path.join(self.folder, "state.json")
        with open(path + ".new", "w", encoding="utf-8") as f:
            json.dump(self.state(), f)
        os.replace(path + ".new", path)  # the watcher never reads half a file

    def stop(self):
        """Ends the stand-in and the bus and removes the folder; safe to call twice."""
        if self.folder is None:
            return
        state, folder, self.folder = self.state(), self.folder, None
        _end_session(state, folder)
        for child in self._children.values():
            child.wait(timeout=10)
        self._children = {}

    def log(self, which="mock"):
        """The log of the stand-in ("mock") or of the bus ("bus"), for failure reports."""
        try:
            with open(os.path.join(self.folder or "", which + ".log"), "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def _run(self, operation, *args):
        if self.folder is None:
            raise HarnessError("the private bus is not running")
        out = subprocess.run([SYSTEM_PYTHON, os.path.abspath(__file__), operation, self.folder]
                             + [str(a) for a in args], stdin=subprocess.DEVNULL,
                             capture_output=True, timeout=30, check=False)
        if out.returncode != 0:
            raise HarnessError("%s failed: %s" % (operation, out.stderr.decode("utf-8", "replace")))
        text = out.stdout.decode("utf-8").strip()
        return json.loads(text) if text else None

    def all_power_calls(self):
        """{method: [arguments of each call]} for the five power methods."""
        return self._run("calls")

    def fail(self, method, error_name, message):
        """From now on `method` answers with this D-Bus error (the call is still logged)."""
        self._run("fail", method, error_name, message)

    def resume_after(self, method, seconds):
        """Hibernate/Suspend announce the resume `seconds` after the sleep (0: at once,
        before the reply; "never")."""
        self._run("resume", method, seconds)


# --- command line ----------------------------------------------------------------------

def _watch(folder, owner, lifetime):
    """Ends the session when its owner has gone or its lifetime has run out."""
    state = _read_state(folder)
    deadline = time.monotonic() + lifetime
    while _alive(state["bus_pid"]) or _alive(state["mock_pid"]):
        if (owner and not _alive(owner)) or time.monotonic() > deadline:
            break
        time.sleep(0.25)
    _end_session(state, _check_folder(folder))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n", 1)[0])
    sub = parser.add_subparsers(dest="command", required=True)
    start = sub.add_parser("start")
    start.add_argument("--owner", type=int, default=0)
    start.add_argument("--lifetime", type=float, default=600.0)
    for name, rest in (("calls", 0), ("fail", 3), ("resume", 2), ("stop", 0), ("prepare", 0)):
        p = sub.add_parser(name)
        p.add_argument("folder")
        if rest:
            p.add_argument("rest", nargs=rest)
    watch = sub.add_parser("watch")
    watch.add_argument("folder")
    watch.add_argument("owner", type=int)
    watch.add_argument("lifetime", type=float)
    args = parser.parse_args(argv)

    if args.command == "start":
        session = PrivateLogind(owner=args.owner, lifetime=args.lifetime)
        try:
            session.start()
        except Unavailable as missing:
            print(str(missing), file=sys.stderr)
            return UNAVAILABLE_STATUS
        print(json.dumps(session.state()), flush=True)
        return 0  # the session outlives this command: stop or the watcher end it
    if args.command == "watch":
        _watch(args.folder, args.owner, args.lifetime)
    elif args.command == "stop":
        _end_session(_read_state(args.folder), _check_folder(args.folder))
    else:
        result = _control(_read_state(args.folder)["address"], args.command,
                          getattr(args, "rest", []))
        if result is not None:
            print(json.dumps(result, sort_keys=True))
    return 0


if __name__ == "__main__":
    sys.exit(main())
