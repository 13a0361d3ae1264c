"""What the measurement scripts share: a scratch installation of nodreld with quiet settings
(tests/support/nodrel_scratch.py, which the end-to-end tests use too), the lines its log
gains, and figures from /proc/PID."""

import os
import shutil
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_NODRELD = os.path.join(ROOT, "build", "src", "frontends", "nodreld", "nodreld")

# pylint: disable=unused-import
from nodrel_scratch import (free_udp_port, make_installation, parse_log_line,  # noqa: F401
                            quiet_env, start_in)

# Events a master may log between its start and its exit without a countdown.
EXPECTED_EVENTS = {"Start", "Enter", "Inactive", "Run", "Exit", ""}
# Quiet settings: no countdown within any run (CPUDelay is 1800 s).
QUIET = dict(CPUDelay=1800, CPULevel=5, StartDelay=1, StartMin=2)


def make_scratch(prefix, **changes):
    """A scratch installation with the quiet settings and `changes`; returns its path."""
    return make_installation(prefix, **dict(QUIET, **changes))


def isolation_prefix():
    """As root, a network namespace of nodreld's own: no network at all, and its
    single-instance guard cannot meet another copy running on the machine."""
    if os.geteuid() != 0 or shutil.which("unshare") is None:
        return []
    probe = subprocess.run(["unshare", "--net", "true"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    return ["unshare", "--net"] if probe.returncode == 0 else []


def stop(proc):
    """Kills a process that is still running and reaps it."""
    if proc is not None and proc.poll() is None:
        proc.kill()
        proc.wait()


def parse_line(line):
    """(event, state) of a log line, or None for header lines."""
    parsed = parse_log_line(line)
    return (parsed.event, parsed.state) if parsed else None


class LogWatcher:
    """Reads the lines added to the log since the last poll, with the time each was seen."""

    def __init__(self, scratch):
        self.path = os.path.join(scratch, "Log", "Nodrel.log")
        self.offset = 0
        self.pending = b""
        self.lines = []  # (monotonic seconds, text)

    def poll(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except FileNotFoundError:
            return []
        if not data:
            return []
        now = time.monotonic()
        self.offset += len(data)
        self.pending += data
        *complete, self.pending = self.pending.split(b"\n")
        fresh = [(now, raw.rstrip(b"\r").decode("latin-1")) for raw in complete]
        self.lines.extend(fresh)
        return fresh


def read_status(pid):
    """VmRSS, VmHWM, RssAnon and RssFile of /proc/PID/status, in kB."""
    fields = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "VmHWM", "RssAnon", "RssFile"):
                fields[key] = int(value.split()[0])
    return fields


def cpu_seconds_stat(pid):
    """utime + stime of /proc/PID/stat (fields 14 and 15), in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cpu_seconds_schedstat(pid):
    """Nanosecond-exact CPU time of the process's threads now running, or None.

    nodreld has one thread; nodrel has Qt's too (the X connection's reader, for one)."""
    try:
        total = 0
        for task in os.listdir("/proc/%d/task" % pid):
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        return total / 1e9
    except (OSError, ValueError, IndexError):
        return None


def cpu_seconds(pid):
    """CPU time of the process: schedstat where the kernel has it, else utime + stime."""
    exact = cpu_seconds_schedstat(pid)
    return exact if exact is not None else cpu_seconds_stat(pid)


def grid_deviations(times):
    """Deviation in ms of each time from a one-second grid started at the first one, and
    the number of grid seconds without a time."""
    if len(times) < 2:
        return [], 0
    first = times[0]
    deviations = [abs((t - first) - round(t - first)) * 1000 for t in times]
    covered = round(times[-1] - first) + 1
    return deviations, covered - len(times)
