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

From Python (the module itself needs only the standard library; the parts that speak
D-Bus run in /usr/bin/python3, in a child process when this interpreter lacks the dbus
module):

    with PrivateLogind() as logind:
        env["DBUS_SYSTEM_BUS_ADDRESS"] = logind.address
        logind.fail("PowerOff", NOT_AUTHORISED_INTERACTIVE, "Interactive authentication required.")
        ...
        logind.calls("PowerOff")        # [[False]]: one call, argument false

From a program written in another language, one command per step; all but start take
the session folder that start reports:

    private_logind.py start [--owner PID] [--lifetime SECONDS]
        prints {"address": ..., "folder": ..., "bus_pid": ..., "mock_pid": ...}
    private_logind.py calls FOLDER [METHOD]        prints the calls' arguments, e.g. [[false]];
                                                   without METHOD: {"Halt": [], ...} for all
                                                   five power methods
    private_logind.py fail FOLDER METHOD ERROR [MESSAGE]
    private_logind.py resume FOLDER METHOD SECONDS|never
    private_logind.py clear FOLDER
    private_logind.py stop FOLDER

start exits with status 77 when dbus-daemon or python3-dbusmock is missing. A watcher
process ends the bus and the stand-in when the owner process has gone, or when the
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
OPERATION_IN_PROGRESS = "org.freedesktop.login1.OperationInProgress"

# How long after PrepareForSleep(true) the stand-in announces the resume, by default.
DEFAULT_RESUME_AFTER = 0.2
STARTUP_TIMEOUT = 15.0
DEFAULT_LIFETIME = 600.0
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
    if not os.access(SYSTEM_PYTHON, os.X_OK):
        return SYSTEM_PYTHON + " is not installed"
    probe = subprocess.run([SYSTEM_PYTHON, "-c", "import dbus, dbusmock, gi"],
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False)
    if probe.returncode != 0:
        return "python3-dbusmock (with python3-dbus and python3-gi) is not installed"
    return ""


# --- safety --------------------------------------------------------------------------

def _check_folder(folder):
    """The session folder, made absolute; refuses anything this module did not create."""
    folder = os.path.realpath(folder)
    if not os.path.basename(folder).startswith(FOLDER_PREFIX):
        raise HarnessError("not a private bus folder: %s" % folder)
    return folder


def _check_address(address, folder):
    """Only a socket inside the session folder is ever spoken to."""
    if not address.startswith("unix:path=" + folder + "/"):
        raise HarnessError("refusing a bus address outside %s: %r" % (folder, address))
    return address


def _read_state(folder):
    folder = _check_folder(folder)
    with open(os.path.join(folder, "state.json"), encoding="utf-8") as f:
        state = json.load(f)
    _check_address(state["address"], folder)
    return state


def _read_lines(stream, count, timeout):
    """Up to `count` lines from a pipe, waiting at most `timeout` seconds in all."""
    deadline = time.monotonic() + timeout
    data = b""
    while data.count(b"\n") < count:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([stream], [], [], left)[0]:
            break
        chunk = os.read(stream.fileno(), 4096)
        if not chunk:
            break
        data += chunk
    return data.decode("utf-8", "replace").split("\n")[:count] if data else []


def _process_command_line(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().replace(b"\0", b" ").decode("utf-8", "replace")
    except OSError:
        return ""


def _alive(pid):
    try:
        with open("/proc/%d/stat" % pid, encoding="utf-8") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (OSError, IndexError):
        return False
    return fields[0] != "Z"


def _kill_ours(pid, marker, timeout=5.0):
    """Ends process `pid` if its command line still carries `marker` (never a stranger
    that has inherited the number)."""
    if not pid or marker not in _process_command_line(pid):
        return
    for signum in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.kill(pid, signum)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                if os.waitpid(pid, os.WNOHANG)[0] == pid:
                    return
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

def _connect(address):
    import dbus  # pylint: disable=import-outside-toplevel
    return dbus.bus.BusConnection(address)


def _mock(bus):
    import dbus  # pylint: disable=import-outside-toplevel
    return dbus.Interface(bus.get_object(SERVICE, OBJECT), MOCK_INTERFACE)


def _sleep_code(resume_after):
    """The body of Hibernate/Suspend: announce the sleep, then (maybe) the resume."""
    lines = ["self.EmitSignal(%r, 'PrepareForSleep', 'b', [True])" % MANAGER]
    if resume_after is None:
        return "\n".join(lines)
    if resume_after <= 0:
        lines.append("self.EmitSignal(%r, 'PrepareForSleep', 'b', [False])" % MANAGER)
        return "\n".join(lines)
    lines += [
        "from gi.repository import GLib",
        "GLib.timeout_add(%d, lambda mock=self: (mock.EmitSignal(%r, 'PrepareForSleep', 'b',"
        " [False]), False)[1])" % (int(resume_after * 1000), MANAGER),
    ]
    return "\n".join(lines)


def _plain(value):
    """A D-Bus value as a plain JSON-able one (a boolean stays a boolean)."""
    import dbus  # pylint: disable=import-outside-toplevel
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (list, tuple)):
        return [_plain(v) for v in value]
    if isinstance(value, dict):
        return {str(k): _plain(v) for k, v in value.items()}
    if isinstance(value, int):
        return int(value)
    if isinstance(value, float):
        return float(value)
    return str(value)


def _prepare(bus, timeout):
    """Waits until the stand-in owns its name, then completes its methods."""
    import dbus  # pylint: disable=import-outside-toplevel
    deadline = time.monotonic() + timeout
    while not bus.name_has_owner(SERVICE):
        if time.monotonic() > deadline:
            raise HarnessError("%s got no owner within %.0f s" % (SERVICE, timeout))
        time.sleep(0.02)
    mock = _mock(bus)
    # Halt is not part of the template; every power method is declared again so that a
    # session starts from a known state whatever the template version holds.
    methods = [(name, "b", "", "") for name in POWER_METHODS if name not in SLEEP_METHODS]
    methods += [(name, "b", "", _sleep_code(DEFAULT_RESUME_AFTER)) for name in SLEEP_METHODS]
    mock.AddMethods(MANAGER, dbus.Array(methods, signature="(ssss)"))
    mock.ClearCalls()


def _control(address, operation, args):
    """Carries out one operation on the stand-in; returns a JSON-able result."""
    bus = _connect(address)
    try:
        if operation == "prepare":
            _prepare(bus, float(args[0]))
            return None
        mock = _mock(bus)
        if operation == "calls":
            methods = args or POWER_METHODS
            found = {m: [_plain(a) for _, a in mock.GetMethodCalls(m)] for m in methods}
            return found if not args else found[args[0]]
        if operation == "clear":
            mock.ClearCalls()
            return None
        if operation == "fail":
            method, error_name, message = args
            code = "raise dbus.exceptions.DBusException(%r, name=%r)" % (message, error_name)
            mock.AddMethod(MANAGER, method, "b", "", code)
            return None
        if operation == "resume":
            method, after = args
            mock.AddMethod(MANAGER, method, "b", "", _sleep_code(after))
            return None
        raise HarnessError("unknown operation %r" % operation)
    finally:
        bus.close()


def _have_dbus_here():
    try:
        import dbus  # noqa: F401  pylint: disable=import-outside-toplevel,unused-import
        import dbusmock  # noqa: F401  pylint: disable=import-outside-toplevel,unused-import
    except ImportError:
        return False
    return True


# --- sessions ----------------------------------------------------------------------------

class PrivateLogind:
    """One private bus with the stand-in on it; a context manager."""

    def __init__(self, owner=None, lifetime=DEFAULT_LIFETIME):
        # 0: no owner, only the lifetime bounds the session.
        self.owner = os.getpid() if owner is None else owner
        self.lifetime = lifetime
        self.folder = None
        self.address = None
        self.bus_pid = None
        self.mock_pid = None
        self._bus_process = None
        self._mock_process = None
        self._watcher = None
        self._in_process = _have_dbus_here()

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def state(self):
        return {"address": self.address, "folder": self.folder,
                "bus_pid": self.bus_pid, "mock_pid": self.mock_pid,
                "watch_pid": self._watcher.pid if self._watcher else None}

    def start(self):
        missing = missing_tools()
        if missing:
            raise Unavailable(missing)
        self.folder = os.path.realpath(tempfile.mkdtemp(prefix=FOLDER_PREFIX))
        try:
            self._start_bus()
            self._start_mock()
            self._write_state()
            self._start_watcher()
            self._write_state()
            self._run("prepare", [STARTUP_TIMEOUT])
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
            self._bus_process = subprocess.Popen(
                [DBUS_DAEMON, "--config-file=" + config, "--nofork", "--print-address=1",
                 "--print-pid=1"],
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log,
                start_new_session=True)
        self.bus_pid = self._bus_process.pid
        lines = _read_lines(self._bus_process.stdout, 2, STARTUP_TIMEOUT)
        self._bus_process.stdout.close()
        if len(lines) != 2 or lines[1] != str(self.bus_pid):
            raise HarnessError("dbus-daemon did not start: %r %s" % (lines, self.log("bus")))
        self.address = _check_address(lines[0], self.folder)

    def _start_mock(self):
        env = dict(os.environ)
        env["DBUS_SYSTEM_BUS_ADDRESS"] = self.address
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        with open(os.path.join(self.folder, "mock.log"), "wb") as log:
            self._mock_process = subprocess.Popen(
                [SYSTEM_PYTHON, "-m", "dbusmock", "--system", "--template", "logind"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, env=env,
                start_new_session=True)
        self.mock_pid = self._mock_process.pid

    def _write_state(self):
        with open(os.path.join(self.folder, "state.json"), "w", encoding="utf-8") as f:
            json.dump(self.state(), f)

    def _start_watcher(self):
        self._watcher = subprocess.Popen(
            [SYSTEM_PYTHON, os.path.abspath(__file__), "watch", self.folder,
             str(self.owner), str(self.lifetime)],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True, close_fds=True)

    def stop(self):
        """Ends the stand-in and the bus and removes the folder; safe to call twice."""
        if self.folder is None:
            return
        state = self.state()
        folder, self.folder = self.folder, None
        _end_session(state, folder)
        for child in (self._mock_process, self._bus_process, self._watcher):
            if child is not None:
                child.wait(timeout=10)
        self._bus_process = self._mock_process = self._watcher = None

    def detach(self):
        """Leaves the processes running when this object goes: stop or the watcher end them."""
        self._bus_process = self._mock_process = self._watcher = None

    def log(self, which="mock"):
        """The log of the stand-in ("mock") or of the bus ("bus"), for failure reports."""
        try:
            with open(os.path.join(self.folder or "", which + ".log"), "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def _run(self, operation, args):
        if self.folder is None:
            raise HarnessError("the private bus is not running")
        if self._in_process:
            return _control(self.address, operation, args)
        words = ["never" if a is None else str(a) for a in args]
        out = subprocess.run([SYSTEM_PYTHON, os.path.abspath(__file__), operation,
                              self.folder] + words,
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=30,
                             check=False)
        if out.returncode != 0:
            raise HarnessError("%s failed: %s" % (operation, out.stderr.decode("utf-8", "replace")))
        text = out.stdout.decode("utf-8").strip()
        return json.loads(text) if text else None

    # --- what a test asks of the stand-in -------------------------------------------------

    def calls(self, method):
        """The arguments of every call of `method` so far, oldest first."""
        return self._run("calls", [method])

    def all_power_calls(self):
        """{method: [arguments of each call]} for the five power methods."""
        return self._run("calls", [])

    def clear_calls(self):
        self._run("clear", [])

    def fail(self, method, error_name, message="Refused by the test"):
        """From now on `method` answers with this D-Bus error (the call is still logged)."""
        self._run("fail", [method, error_name, message])

    def resume_after(self, method, seconds):
        """Hibernate/Suspend announce the resume `seconds` after the sleep (0: at once,
        before the reply; None: never)."""
        self._run("resume", [method, seconds])


# --- command line ----------------------------------------------------------------------

def _watch(folder, owner, lifetime):
    """Ends the session when its owner has gone or its lifetime has run out."""
    folder = _check_folder(folder)
    state = _read_state(folder)
    deadline = time.monotonic() + lifetime
    while _alive(state["bus_pid"]) or _alive(state["mock_pid"]):
        if (owner and not _alive(owner)) or time.monotonic() > deadline:
            _end_session(state, folder)
            return
        time.sleep(0.25)
    shutil.rmtree(folder, ignore_errors=True)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    start = sub.add_parser("start")
    start.add_argument("--owner", type=int, default=0,
                       help="end the session when this process has gone (0: never)")
    start.add_argument("--lifetime", type=float, default=DEFAULT_LIFETIME)
    for name in ("calls", "clear", "fail", "resume", "stop", "prepare"):
        p = sub.add_parser(name)
        p.add_argument("folder")
        p.add_argument("rest", nargs="*")
    watch = sub.add_parser("watch")
    watch.add_argument("folder")
    watch.add_argument("owner", type=int)
    watch.add_argument("lifetime", type=float)
    args = parser.parse_args(argv)

    if args.command == "start":
        # Without an owner, the lifetime alone bounds the session.
        session = PrivateLogind(owner=args.owner, lifetime=args.lifetime)
        try:
            session.start()
        except Unavailable as missing:
            print(str(missing), file=sys.stderr)
            return UNAVAILABLE_STATUS
        print(json.dumps(session.state()), flush=True)
        # The session outlives this command: it is ended by stop or by the watcher.
        session.detach()
        return 0
    if args.command == "watch":
        _watch(args.folder, args.owner, args.lifetime)
        return 0
    if args.command == "stop":
        folder = _check_folder(args.folder)
        _end_session(_read_state(folder), folder)
        return 0

    state = _read_state(args.folder)
    rest = list(args.rest)
    if args.command == "fail":
        if len(rest) not in (2, 3):
            parser.error("fail FOLDER METHOD ERROR [MESSAGE]")
        rest = rest[:2] + [rest[2] if len(rest) == 3 else "Refused by the test"]
    elif args.command == "resume":
        if len(rest) != 2:
            parser.error("resume FOLDER METHOD SECONDS|never")
        rest = [rest[0], None if rest[1] == "never" else float(rest[1])]
    elif args.command == "calls" and len(rest) > 1:
        parser.error("calls FOLDER [METHOD]")
    elif args.command == "prepare":
        rest = [float(rest[0]) if rest else STARTUP_TIMEOUT]
    result = _control(state["address"], args.command, rest)
    if result is not None:
        print(json.dumps(result, sort_keys=True))
    return 0


if __name__ == "__main__":
    sys.exit(main())
