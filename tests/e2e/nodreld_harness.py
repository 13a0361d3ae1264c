"""Drives the built programs from end-to-end tests.

Every test gets scratch folders laid out like an installation (Data/ with the settings,
Log/) and starts the programs there. stdout and stderr go to files, so nodreld sees no
terminal and prints its journal lines. The environment keeps every program away from the
desktop and from the machine's power service: no display, and a system bus address that
leads nowhere unless a test gives a private bus of its own.
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
NOWHERE_BUS = "unix:path=/nonexistent/nodrel-e2e-bus"
GUARD_NAME = "\0Nodrel"
START_UP_ERROR = ["Nodrel Start Up Error", "Nodrel or Nodrel Lite is already",
                  "running. Only one instance can be", " running at a time."]

# One log line: date and time, marker and event, state, count, rest.
LOG_LINE = re.compile(r"^\d\d-\w{3}-\d\d \d\d:\d\d:\d\d, (.)(.{9}), (.{10}), Count:(.{4})(.*)$")
LogLine = namedtuple("LogLine", "raw marker event state count rest")

# A master that powers off after 30 minutes below 50 %: nothing in a test comes near.
SECTIONS = [
    ("[Comms]", dict(CMain=1, DName=1, IPAdd="", Port1=10001)),
    ("[Run]", dict(AvTime=5, CPUDelay=1800, CPULevel=50, LogLevel=3, LogName="Nodrel.log",
                   LogPath="Log/", RunOnTop=1, StartDelay=2, StartMin=1)),
    ("[Shutdown]", dict(ShutTime=60, ShutType=1)),
]


def config_text(**overrides):
    """A configuration file as Nodrel writes it, with some values changed."""
    unknown = set(overrides) - {key for _, keys in SECTIONS for key in keys}
    if unknown:
        raise ValueError("unknown keys: %s" % sorted(unknown))
    lines = ["# Nodrel Version 5.5", "# Configuration File", "# 01-Jan-24 12:00:00"]
    for section, keys in SECTIONS:
        lines += ["", section] + ["%s=%s" % (k, overrides.get(k, v)) for k, v in keys.items()]
    return CRLF.join(lines + [""]) + CRLF


def parse_log_line(text):
    """A LogLine for an event line of the log, None for any other line."""
    m = LOG_LINE.match(text)
    return m and LogLine(raw=text, marker=m.group(1), event=m.group(2).rstrip(),
                         state=m.group(3).rstrip(), count=int(m.group(4)), rest=m.group(5))


def free_udp_port():
    """A UDP port nothing is bound to right now."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.bind(("", 0))
        return sock.getsockname()[1]


def guard_is_free():
    """Whether no copy of Nodrel holds the machine-wide single-instance guard."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as sock:
        try:
            sock.bind(GUARD_NAME)
            return True
        except OSError as error:
            if error.errno != errno.EADDRINUSE:
                raise
            return False


def processes_with_cwd(folder):
    """Process ids whose current directory is `folder` or lies inside it."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            cwd = os.readlink("/proc/%s/cwd" % entry)
        except OSError:
            continue
        if cwd == folder or cwd.startswith(folder + os.sep):
            found.append(int(entry))
    return found


def nodreld_path():
    path = os.environ.get("NODRELD")
    if not path:
        raise unittest.SkipTest("NODRELD is not set: point it at the built nodreld")
    return path


class Program:
    """One started program, in its installation folder, with its output files."""

    def __init__(self, command, folder, env, tag):
        self.folder = folder
        self.command = command
        self.out_path = os.path.join(folder, "stdout.%s.txt" % tag)
        self.err_path = os.path.join(folder, "stderr.%s.txt" % tag)
        with open(self.out_path, "wb") as out, open(self.err_path, "wb") as err:
            self.proc = subprocess.Popen(command, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                         stdout=out, stderr=err)

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout=5.0):
        """The exit status; fails the test if the program does not end in time."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("%s still runs after %.1f s" % (self.command, timeout)) from None

    def stop(self):
        if self.running():
            self.proc.kill()
        self.proc.wait(timeout=10)

    def _read(self, path):
        try:
            with open(path, "rb") as f:
                return f.read().decode("latin-1")
        except FileNotFoundError:
            return ""

    def stdout_lines(self):
        return self._read(self.out_path).splitlines()

    def stderr_lines(self):
        return self._read(self.err_path).splitlines()

    def log_lines(self):
        """The complete lines of the log (a write may be under way at the end)."""
        text = self._read(os.path.join(self.folder, "Log", "Nodrel.log"))
        return text.split(CRLF)[:-1]

    def log_events(self):
        return [e for e in map(parse_log_line, self.log_lines()) if e]

    def describe(self):
        state = "running" if self.running() else "ended with %s" % self.proc.returncode
        return "--- %s in %s (%s)\nlog:\n%s\nstdout:\n%s\nstderr:\n%s" % (
            " ".join(self.command[-3:]), self.folder, state, "\n".join(self.log_lines()),
            "\n".join(self.stdout_lines()), "\n".join(self.stderr_lines()))


class NodreldTestCase(unittest.TestCase):
    """A test with its own installation folders and the programs it started there."""

    def setUp(self):
        self.started = []
        self.folders = []
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
            self.env.pop(name, None)
        self.env.update(DBUS_SYSTEM_BUS_ADDRESS=NOWHERE_BUS, LC_ALL="C")
        # Cleanups run last-in first-out: the programs are stopped before the folders go.
        self.addCleanup(self._remove_folders)
        self.addCleanup(self._stop_all)

    def _stop_all(self):
        for program in self.started:
            program.stop()
        for folder in self.folders:  # whatever a wrapper such as `ip netns exec` left
            for pid in processes_with_cwd(folder):
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass

    def _remove_folders(self):
        for folder in self.folders:
            shutil.rmtree(folder, ignore_errors=True)

    def installation(self, config=True, **settings):
        """A fresh scratch folder with Data/ and Log/, and the settings file unless
        `config` is False."""
        folder = os.path.realpath(tempfile.mkdtemp(prefix="nodrel-e2e-"))
        self.folders.append(folder)
        os.mkdir(os.path.join(folder, "Data"))
        os.mkdir(os.path.join(folder, "Log"))
        if config:
            self.write_config(folder, **settings)
        return folder

    @staticmethod
    def write_config(folder, text=None, **settings):
        with open(os.path.join(folder, "Data", "Nodrel4.ini"), "wb") as f:
            f.write((config_text(**settings) if text is None else text).encode("latin-1"))

    def start(self, folder, *args, allow_multi=True, prefix=(), program=None, env=None):
        """Starts nodreld (or `program`) in `folder`; `prefix` is a wrapper that execs it
        in place, such as `ip netns exec NAME`."""
        command = list(prefix) + [program or nodreld_path()] + list(args)
        if allow_multi:
            command.append("-AllowMulti")
        started = Program(command, folder, env or self.env, len(self.started))
        self.started.append(started)
        return started

    def describe(self):
        return "\n".join(program.describe() for program in self.started)

    def wait_until(self, condition, what, timeout=5.0, program=None):
        """Polls `condition` until it gives a true value, which is returned; fails when
        the time runs out or `program` ends first."""
        deadline = time.monotonic() + timeout
        while True:
            ended = program is not None and not program.running()
            value = condition()
            if value:
                return value
            if ended or time.monotonic() > deadline:
                self.fail("%s while waiting for %s\n%s" % (
                    "the program ended" if ended else "%.1f s passed" % timeout, what,
                    self.describe()))
            time.sleep(0.02)

    def wait_for_event(self, program, event, state=None, marker=None, after=0, timeout=5.0):
        """Index, in program.log_events(), of the first line at or after `after` with this
        event (and state and marker, when given)."""
        def find():
            for index, e in enumerate(program.log_events()[after:], after):
                if e.event == event and state in (None, e.state) and marker in (None, e.marker):
                    return index + 1  # never 0, so that "found" is a true value
            return None
        return self.wait_until(find, "log line %s|%s" % (event, state), timeout, program) - 1

    def stop_with(self, program, signum=signal.SIGTERM, timeout=5.0):
        program.proc.send_signal(signum)
        return program.wait(timeout)

    def start_guard_holder(self, folder):
        """A nodreld without -AllowMulti that took the single-instance guard. A copy run by
        another test may take the guard first; then try again once it is free."""
        for _ in range(20):
            self.wait_until(guard_is_free, "a free single-instance guard", timeout=30)
            holder = self.start(folder, allow_multi=False)
            self.wait_until(lambda: holder.log_events() or not holder.running(),
                            "the first copy to start or to be refused", timeout=5)
            if holder.running():
                return holder
        self.fail("the guard was never free long enough to start a first copy")

    def assertFatal(self, program, expected_stderr, timeout=5.0):
        """The program ends by itself with status 1 after showing this message."""
        self.assertEqual(program.wait(timeout), 1, program.describe())
        self.assertEqual(program.stderr_lines(), expected_stderr)
        deadline = time.monotonic() + 2.0  # the kernel may take a moment to forget it
        while processes_with_cwd(program.folder) and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertEqual(processes_with_cwd(program.folder), [], "still runs there")
