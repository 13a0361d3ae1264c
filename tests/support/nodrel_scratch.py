"""A scratch installation of Nodrel's programs, for the end-to-end tests (tests/e2e,
tests/win/e2e) and the measurement scripts (scripts/*.py): the settings file, the folder
with Data/ and Log/, an environment away from the desktop and the power service, a program
started in the folder, and its log lines read back."""

import os
import re
import select
import socket
import subprocess
import tempfile
from collections import namedtuple

CRLF = "\r\n"
# A master that powers off after 30 minutes below 50 %: nothing in a test comes near.
SECTIONS = [("[Comms]", dict(CMain=1, DName=1, IPAdd="", Port1=10001)),
            ("[Run]", dict(AvTime=5, CPUDelay=1800, CPULevel=50, LogLevel=3, LogName="Nodrel.log",
                           LogPath="Log/", RunOnTop=1, StartDelay=2, StartMin=1)),
            ("[Shutdown]", dict(ShutTime=60, ShutType=1))]
# One log line: date and time, marker and event, state, count, rest.
LOG_LINE = re.compile(r"^\d\d-\w{3}-\d\d \d\d:\d\d:\d\d, (.)(.{9}), (.{10}), Count:(.{4})(.*)$")
LogLine = namedtuple("LogLine", "marker event state count rest")


def config_text(**overrides):
    """A settings file as Nodrel writes it, with some values changed."""
    lines = ["# Nodrel Version 5.5", "# Configuration File", "# 01-Jan-24 12:00:00"]
    for section, keys in SECTIONS:
        lines += ["", section] + ["%s=%s" % (k, overrides.pop(k, v)) for k, v in keys.items()]
    assert not overrides, "unknown keys %s" % overrides
    return CRLF.join(lines + [""]) + CRLF


def write_config(folder, text):
    with open(os.path.join(folder, "Data", "Nodrel4.ini"), "wb") as f:
        f.write(text.encode("latin-1"))


def make_installation(prefix, **settings):
    """A fresh folder with Log/ and Data/ with these settings; returns its real path."""
    folder = os.path.realpath(tempfile.mkdtemp(prefix=prefix))
    os.mkdir(os.path.join(folder, "Log"))
    os.mkdir(os.path.join(folder, "Data"))
    write_config(folder, config_text(**settings))
    return folder


def quiet_env():
    """The environment for a program under test: C locale, no desktop session, and a
    system bus that leads nowhere (a test that wants one brings its own)."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
    env.update(DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent/nodrel-bus", LC_ALL="C")
    return env


def start_in(folder, command, env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL):
    """Starts `command` in the installation folder, with nothing on its standard input."""
    return subprocess.Popen(command, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                            stdout=stdout, stderr=stderr)


def parse_log_line(line):
    """The LogLine of one event line of the log, None for any other line."""
    m = LOG_LINE.match(line)
    return LogLine(m[1], m[2].rstrip(), m[3].rstrip(), int(m[4]), m[5]) if m else None


def start_xvfb():
    """A private X server: its process and, once it is ready, its display name ("" if not)."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], pass_fds=(write,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as ready:  # the display number, once the server is ready
        number = ready.readline().strip() if select.select([ready], [], [], 20)[0] else ""
    return server, number and ":" + number


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.bind(("", 0))
        return sock.getsockname()[1]
