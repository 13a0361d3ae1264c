"""Drives the console program nodreld from end-to-end tests.

Every test gets a scratch folder laid out like an installation (Data/ and Log/), writes
the configuration file there and starts nodreld with that folder as its current
directory. stdout and stderr go to files, so nodreld sees no terminal and prints its
journal lines; the tests read them, and the log file, while the program runs.

The environment keeps nodreld away from the desktop and from any power service: no
display, and a system bus address that leads nowhere.
"""

import errno
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest
from collections import namedtuple

CRLF = "\r\n"

# One log line: date and time, event column (marker + event), state column, count, rest.
LOG_LINE = re.compile(
    r"^\d\d-\w{3}-\d\d \d\d:\d\d:\d\d, (.{10}), (.{10}), Count:(.{4})(.*)$")
STAMP = re.compile(r"^\d\d-\w{3}-\d\d \d\d:\d\d:\d\d$")
# The readings a master adds at level Full.
READINGS = re.compile(r"^, CPU:(.{4}), Av CPU:(.{4})$")
PERCENT = re.compile(r"^ {0,2}\d{1,3}%$")

# What the message box says when another copy runs.
START_UP_ERROR = [
    "Nodrel Start Up Error",
    "Nodrel or Nodrel Lite is already",
    "running. Only one instance can be",
    " running at a time.",
]

GUARD_NAME = "\0Nodrel"

# A master that powers off after 30 minutes below 50 %: nothing in a test comes near.
GOOD_SETTINGS = {
    "CMain": "1",
    "DName": "1",
    "IPAdd": "",
    "Port1": "10001",
    "AvTime": "5",
    "CPUDelay": "1800",
    "CPULevel": "50",
    "LogLevel": "3",
    "LogName": "Nodrel.log",
    "LogPath": "Log/",
    "RunOnTop": "1",
    "StartDelay": "2",
    "StartMin": "1",
    "ShutTime": "60",
    "ShutType": "1",
}

SECTIONS = [
    ("[Comms]", ["CMain", "DName", "IPAdd", "Port1"]),
    ("[Run]", ["AvTime", "CPUDelay", "CPULevel", "LogLevel", "LogName", "LogPath",
               "RunOnTop", "StartDelay", "StartMin"]),
    ("[Shutdown]", ["ShutTime", "ShutType"]),
]


def config_lines(omit_sections=(), **overrides):
    """The lines of a configuration file as Nodrel writes it, with some values changed.

    A value of None leaves its key line out."""
    values = dict(GOOD_SETTINGS)
    values.update({k: (None if v is None else str(v)) for k, v in overrides.items()})
    unknown = set(values) - set(GOOD_SETTINGS)
    if unknown:
        raise ValueError("unknown keys: %s" % sorted(unknown))
    lines = ["# Nodrel Version 5.5", "# Configuration File", "# 01-Jan-24 12:00:00"]
    for section, keys in SECTIONS:
        lines.append("")
        if section not in omit_sections:
            lines.append(section)
        lines.extend("%s=%s" % (k, values[k]) for k in keys if values[k] is not None)
    lines.append("")
    return lines


def config_text(omit_sections=(), **overrides):
    return CRLF.join(config_lines(omit_sections, **overrides)) + CRLF


def expected_listing(**overrides):
    """The configuration listing the log header holds for a file from config_lines."""
    values = dict(GOOD_SETTINGS)
    values.update({k: str(v) for k, v in overrides.items()})
    lines = ["", "Configuration", "-------------"]
    for section, keys in SECTIONS:
        lines += ["", section]
        lines += ["%s=%s" % (k, values[k]) for k in keys if k != "CMain"]
    return lines


LogLine = namedtuple("LogLine", "raw marker event state count rest")


def parse_log_line(text):
    """A LogLine for an event line of the log, None for any other line."""
    m = LOG_LINE.match(text)
    if not m:
        return None
    column = m.group(1)
    return LogLine(raw=text, marker=column[0], event=column[1:].rstrip(),
                   state=m.group(2).rstrip(), count=int(m.group(3)), rest=m.group(4))


def base_environment():
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
        env.pop(name, None)
    env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=/nonexistent/e2e-bus"
    env["LC_ALL"] = "C"  # English month names in the log's dates
    return env


def nodreld_path():
    path = os.environ.get("NODRELD")
    if not path:
        raise unittest.SkipTest("NODRELD is not set: point it at the built nodreld")
    if not os.access(path, os.X_OK):
        raise RuntimeError("NODRELD=%s is not an executable file" % path)
    return path


def processes_with_cwd(folder):
    """Process ids whose current directory is `folder` or lies inside it."""
    folder = os.path.realpath(folder)
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            cwd = os.readlink("/proc/%s/cwd" % entry)
        except OSError:
            continue
        if cwd == folder or cwd.startswith(folder + os.sep):
            found.append(int(entry))
    return found


def free_udp_port():
    """A UDP port nobody uses right now, for a slave to listen on: copies run side by
    side must not share one."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.bind(("", 0))
        return sock.getsockname()[1]


class GuardHeld:
    """Holds the single-instance guard the way a running copy of Nodrel does.

    Other tests may run nodreld -AllowMulti in parallel, and such a copy takes the guard
    when it is free; binding is retried until they have let go of it."""

    def __init__(self, timeout=30.0):
        self.timeout = timeout
        self.sock = None

    def __enter__(self):
        deadline = time.monotonic() + self.timeout
        while True:
            sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            try:
                sock.bind(GUARD_NAME)
                self.sock = sock
                return self
            except OSError as error:
                sock.close()
                if error.errno != errno.EADDRINUSE:
                    raise
                if time.monotonic() > deadline:
                    raise AssertionError(
                        "the single-instance guard stayed taken for %.0f s: is a nodreld "
                        "running outside the tests?" % self.timeout) from error
            time.sleep(0.02)

    def __exit__(self, *exc):
        self.sock.close()
        self.sock = None
        return False


def guard_is_free():
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        sock.bind(GUARD_NAME)
        return True
    except OSError as error:
        if error.errno == errno.EADDRINUSE:
            return False
        raise
    finally:
        sock.close()


class Nodreld:
    """One started nodreld with its output files."""

    def __init__(self, folder, args, env, tag, prefix=()):
        """`prefix` goes before the program on the command line, for a wrapper that
        execs it in place (such as `ip netns exec NAME`), so that the process started
        is nodreld itself."""
        self.folder = folder
        self.args = list(args)
        self.stdout_path = os.path.join(folder, "stdout.%s.txt" % tag)
        self.stderr_path = os.path.join(folder, "stderr.%s.txt" % tag)
        command = list(prefix) + [nodreld_path()] + self.args
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(command, cwd=folder,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         env=env)
        self.pid = self.proc.pid

    def running(self):
        return self.proc.poll() is None

    def signal(self, signum):
        self.proc.send_signal(signum)

    def wait(self, timeout=5.0):
        """The exit status; fails the waiting test if the program does not end."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("nodreld %s still runs after %.1f s" % (self.args, timeout))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(timeout=10)

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read().decode("latin-1")

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("latin-1")

    def stdout_lines(self):
        return self.stdout().splitlines()

    def stderr_lines(self):
        return self.stderr().splitlines()


class NodreldTestCase(unittest.TestCase):
    """A test with its own installation folder and the copies of nodreld it started."""

    # Every copy runs with -AllowMulti unless a test of the guard says otherwise, so
    # tests running side by side do not refuse each other.
    POLL = 0.05

    def setUp(self):
        self.started = []
        self.folders = []
        self.env = base_environment()
        # Cleanups run last-in first-out: the programs are stopped before the folders go.
        self.addCleanup(self._remove_folders)
        self.addCleanup(self._stop_all)
        self.new_installation()

    def new_installation(self):
        """A fresh scratch folder with Data/ and Log/; becomes the test's folder."""
        self.folder = os.path.realpath(tempfile.mkdtemp(prefix="nodreld-e2e-"))
        self.folders.append(self.folder)
        self.data_dir = os.path.join(self.folder, "Data")
        self.log_dir = os.path.join(self.folder, "Log")
        os.mkdir(self.data_dir)
        os.mkdir(self.log_dir)
        self.config_path = os.path.join(self.data_dir, "Nodrel4.ini")
        self.log_path = os.path.join(self.log_dir, "Nodrel.log")
        return self.folder

    def _stop_all(self):
        for program in self.started:
            program.stop()
        for folder in self.folders:
            for pid in processes_with_cwd(folder):
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass

    def _remove_folders(self):
        for folder in self.folders:
            shutil.rmtree(folder, ignore_errors=True)

    # --- files -----------------------------------------------------------------------

    def write_config(self, omit_sections=(), **overrides):
        self.write_config_text(config_text(omit_sections, **overrides))

    def write_config_text(self, text):
        with open(self.config_path, "wb") as f:
            f.write(text.encode("latin-1"))

    def read_log(self):
        """The complete entries of the log as text ("" while there is no log)."""
        try:
            with open(self.log_path, "rb") as f:
                text = f.read().decode("latin-1")
        except FileNotFoundError:
            return ""
        # A write may be under way: only what ends with a line end is complete.
        end = text.rfind(CRLF)
        return text[:end + 2] if end >= 0 else ""

    def log_lines(self):
        text = self.read_log()
        return text.split(CRLF)[:-1] if text else []

    def log_events(self):
        """The event lines of the log, in order, as LogLine records."""
        return [line for line in map(parse_log_line, self.log_lines()) if line]

    # --- programs --------------------------------------------------------------------

    def start(self, *args, allow_multi=True, folder=None, prefix=()):
        args = list(args)
        if allow_multi:
            args.append("-AllowMulti")
        program = Nodreld(folder or self.folder, args, self.env, len(self.started), prefix)
        self.started.append(program)
        return program

    def run_to_end(self, *args, allow_multi=True, timeout=5.0, folder=None):
        """Starts nodreld and waits for it to end on its own; gives the program."""
        program = self.start(*args, allow_multi=allow_multi, folder=folder)
        program.wait(timeout)
        return program

    def wait_until(self, condition, timeout, what, program=None):
        """Polls `condition` until it gives a true value, which is returned."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if program is not None and not program.running():
                value = condition()
                if value:
                    return value
                self.fail("nodreld ended (status %s) while waiting for %s\nstderr:\n%s\n"
                          "log:\n%s" % (program.proc.returncode, what, program.stderr(),
                                        self.read_log()))
            if time.monotonic() > deadline:
                self.fail("no %s within %.1f s\nlog:\n%s\nstdout:\n%s" % (
                    what, timeout, self.read_log(),
                    program.stdout() if program else ""))
            time.sleep(self.POLL)

    def wait_for_event(self, program, event, state=None, after=0, timeout=5.0):
        """Index, in log_events(), of the first line at or after `after` that has this
        event (and state, when given)."""
        def find():
            for index, line in enumerate(self.log_events()):
                if index >= after and line.event == event and (
                        state is None or line.state == state):
                    return index + 1  # never 0, so that "found" is a true value
            return None
        label = "log line %r/%r" % (event, state) if state is not None else \
            "log line %r" % event
        return self.wait_until(find, timeout, label, program) - 1

    def wait_for_stdout(self, program, predicate, timeout=5.0, what="stdout line"):
        def find():
            return [line for line in program.stdout_lines() if predicate(line)]
        return self.wait_until(find, timeout, what, program)

    def stop_with(self, program, signum, timeout=5.0):
        program.signal(signum)
        return program.wait(timeout)

    # --- common checks ---------------------------------------------------------------

    def assertNothingRunningHere(self, folder=None):
        folder = folder or self.folder
        # The program ended; the kernel may take a moment to forget it.
        deadline = time.monotonic() + 2.0
        while processes_with_cwd(folder) and time.monotonic() < deadline:
            time.sleep(self.POLL)
        self.assertEqual(processes_with_cwd(folder), [],
                         "processes still run in the installation folder")

    def assertFatal(self, program, expected_stderr):
        """The program ended by itself with status 1 after showing this message."""
        self.assertEqual(program.proc.returncode, 1, program.stderr())
        self.assertEqual(program.stderr_lines(), expected_stderr)
        self.assertNothingRunningHere()
