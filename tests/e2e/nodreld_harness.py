"""Runs the built programs in scratch installations (Data/, Log/), output to files (no
terminal); no display, and a system bus that leads nowhere unless a test brings its own."""

import os
import shutil
import signal
import socket
import threading
import time
import unittest

# pylint: disable=unused-import
from nodrel_scratch import (CRLF, config_text, free_udp_port,  # noqa: F401
                            make_installation, parse_log_line, quiet_env, start_in, write_config)

import private_logind

METHODS = {1: "PowerOff", 6: "Suspend"}  # the stand-in's method of each ShutType used
# A slave's chain: 1 s of activation, 5 s of silence from the master, a countdown of 2 s.
CHAIN = dict(AvTime=1, CPUDelay=5, LogLevel=2, StartDelay=1, ShutTime=2, CMain=2,
             IPAdd="127.1.1.1")
START_UP_ERROR = ["Nodrel Start Up Error", "Nodrel or Nodrel Lite is already",
                  "running. Only one instance can be", " running at a time."]


def nodreld_path():
    if not os.environ.get("NODRELD"):
        raise unittest.SkipTest("NODRELD is not set: point it at the built nodreld")
    return os.environ["NODRELD"]


def read_text(*path):
    try:
        with open(os.path.join(*path), "rb") as f:
            return f.read().decode("latin-1")
    except FileNotFoundError:
        return ""


class Log:
    """The log of an installation folder, as it grows; a program of its own need not run."""

    def __init__(self, folder):
        self.folder = folder

    def running(self):
        return True

    def log_lines(self):
        """The complete lines of the log (a write may be under way at the end)."""
        return read_text(self.folder, "Log", "Nodrel.log").split(CRLF)[:-1]

    def log_events(self):
        return [e for e in map(parse_log_line, self.log_lines()) if e]


class Program(Log):
    """One started program in its installation folder, with its output files."""

    def __init__(self, command, folder, env, tag):
        super().__init__(folder)
        self.command = command
        self.paths = [os.path.join(folder, "%s.%s.txt" % (n, tag)) for n in ("stdout", "stderr")]
        with open(self.paths[0], "wb") as out, open(self.paths[1], "wb") as err:
            self.proc = start_in(folder, command, env, out, err)

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout=5.0):
        return self.proc.wait(timeout=timeout)

    def stop(self):
        self.proc.kill()  # nothing once it has been reaped
        self.proc.wait(timeout=10)

    def output(self, stream):
        """The lines written to stdout (1) or stderr (2)."""
        return read_text(self.paths[stream - 1]).splitlines()


class NotifySocket:
    """Stands in for the service manager's notify socket (NOTIFY_SOCKET) in a folder, read
    at once as the manager does (the queue of a datagram socket is short)."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "notify")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.sock.bind(self.path)
        self.received = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while data := self.sock.recv(4096):
            self.received.append(data.decode())

    def close(self):
        self.sock.shutdown(socket.SHUT_RDWR)  # wakes the reader with nothing
        self.reader.join()
        self.sock.close()

    def env(self):
        """The variables that point a program here, with a watchdog of one second."""
        return dict(NOTIFY_SOCKET=self.path, WATCHDOG_USEC="1000000")

    def messages(self):
        """Every datagram so far, in the order they came."""
        return list(self.received)


class NodreldTestCase(unittest.TestCase):
    """A test with its own installation folders and the programs it started there."""

    def setUp(self):
        self.started, self.folders = [], []
        self.env = quiet_env()
        self.addCleanup(self._stop_all)

    def _stop_all(self):
        for program in self.started:
            program.stop()
        for folder in self.folders:
            shutil.rmtree(folder, ignore_errors=True)

    def installation(self, **settings):
        """A fresh folder with Log/ and Data/ with these settings."""
        self.folders.append(make_installation("nodrel-e2e-", **settings))
        return self.folders[-1]

    write_config = staticmethod(write_config)

    def notify_socket(self, folder):
        notify = NotifySocket(folder)
        self.addCleanup(notify.close)
        return notify

    def chain(self, shut_type, *answer, notify=False, prefix=(), program=None, env=None,
              **settings):
        """A slave (nodreld or `program`) with a logind stand-in on a bus of its own, whose
        master never answers; the stand-in answers its power call as `answer` says ("fail"
        or "resume" and their words); with `notify` it reports to a notify socket of the
        test, with a watchdog of one second."""
        logind = private_logind.PrivateLogind()
        self.addCleanup(logind.stop)
        if answer:
            logind.ask(answer[0], METHODS[shut_type], *answer[1:])
        folder = self.installation(ShutType=shut_type, Port1=free_udp_port(),
                                   **dict(CHAIN, **settings))
        notify = notify and self.notify_socket(folder)
        program = self.start(folder, prefix=prefix, program=program, env=dict(
            env or self.env, DBUS_SYSTEM_BUS_ADDRESS=logind.address,
            **(notify.env() if notify else {})))
        self.addCleanup(program.stop)  # before its bus goes
        program.logind, program.notify = logind, notify
        return program

    def start(self, folder, *args, allow_multi=True, prefix=(), program=None, env=None):
        """Starts nodreld (or `program`) in `folder`; `prefix` execs it, as `unshare` does."""
        command = [*prefix, program or nodreld_path(), *args] + ["-AllowMulti"] * allow_multi
        self.started.append(Program(command, folder, env or self.env, len(self.started)))
        return self.started[-1]

    def describe(self):
        """What every program of the test has logged and written."""
        return "\n".join("\n".join(["--- %s in %s: %s" % (p.command, p.folder, p.proc.poll())]
                                   + p.log_lines() + p.output(1) + p.output(2))
                         for p in self.started)

    def wait_until(self, condition, what, timeout=5.0, program=None):
        """The first true value of `condition`; fails on time out or when `program` ends."""
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
        """Index in program.log_events() of the first such line at or after `after`."""
        def find():
            for index, e in enumerate(program.log_events()[after:], after):
                if e.event == event and state in (None, e.state) and marker in (None, e.marker):
                    return [index]
            return None
        return self.wait_until(find, "log line %s|%s" % (event, state), timeout, program)[0]

    def stop_with(self, program, signum=signal.SIGTERM, timeout=5.0):
        program.proc.send_signal(signum)
        return program.wait(timeout)

    def start_guard_holder(self, folder):
        """A nodreld holding the single-instance guard (retried while another test's does)."""
        for _ in range(60):
            holder = self.start(folder, allow_multi=False)
            self.wait_until(lambda: holder.log_events() or not holder.running(),
                            "the first copy to start or to be refused")
            if holder.running():
                return holder
            time.sleep(1)
        self.fail("the guard was never free long enough to start a first copy")

    def assertFatal(self, program, expected_stderr, timeout=5.0):
        """The program ends by itself with status 1 after showing this message."""
        self.assertEqual(program.wait(timeout), 1, self.describe())
        self.assertEqual(program.output(2), expected_stderr)
