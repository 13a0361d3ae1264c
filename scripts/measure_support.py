"""What the measurement scripts share: a scratch installation of nodreld with its settings,
the lines its log gains, and figures from /proc/PID."""

import os
import re
import shutil
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_NODRELD = os.path.join(ROOT, "build", "src", "frontends", "nodreld", "nodreld")

# Events a master may log between its start and its exit without a countdown.
EXPECTED_EVENTS = {"Start", "Enter", "Inactive", "Run", "Exit", ""}
STAMP = re.compile(r"^\d\d-\S{3}-\d\d \d\d:\d\d:\d\d, ")

# Quiet settings: no countdown within any run (CPUDelay is 1800 s).
SETTINGS = [
    ("Comms", [("CMain", 1), ("DName", 1), ("IPAdd", ""), ("Port1", 10001)]),
    ("Run", [("AvTime", 5), ("CPUDelay", 1800), ("CPULevel", 5), ("LogLevel", 3),
             ("LogName", "Nodrel.log"), ("LogPath", "Log/"), ("RunOnTop", 1),
             ("StartDelay", 1), ("StartMin", 2)]),
    ("Shutdown", [("ShutTime", 60), ("ShutType", 1)]),
]


def config_text(**changes):
    """The settings file: the quiet settings above with `changes` applied."""
    lines = ["# Nodrel Version 5.5", "# Configuration File",
             "# " + time.strftime("%d-%b-%y %H:%M:%S"), ""]
    for section, pairs in SETTINGS:
        lines.append("[%s]" % section)
        lines += ["%s=%s" % (key, changes.get(key, value)) for key, value in pairs]
        lines.append("")
    return "".join(line + "\r\n" for line in lines)


def make_scratch(prefix, **changes):
    """A scratch folder with Data/Nodrel4.ini and an empty Log/; returns its path."""
    scratch = tempfile.mkdtemp(prefix=prefix)
    os.mkdir(os.path.join(scratch, "Data"))
    os.mkdir(os.path.join(scratch, "Log"))
    with open(os.path.join(scratch, "Data", "Nodrel4.ini"), "w", newline="") as f:
        f.write(config_text(**changes))
    return scratch


def quiet_env():
    """The environment for nodreld: C locale, and the system bus pointed at nothing."""
    return dict(os.environ, LC_ALL="C", DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent")


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
    if not STAMP.match(line) or len(line) < 42:
        return None
    return line[21:30].strip(), line[32:42].strip()


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
