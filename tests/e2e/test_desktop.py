"""The desktop program nodrel on a real X display (Xvfb), with a tray host (trayer):

  * started for the tray (StartMin=2) its window stays hidden behind a tray icon, and a
    double click on the icon brings the window back, centred, and takes the icon away;
  * without a tray host the minimised window stays on the screen and the log says so;
  * a second copy shows only the "Nodrel Start Up Error" window and ends with status 1 on
    OK, leaving the first copy running.

nodrel is found beside nodreld in the build tree (NODRELD is set by ctest). Xvfb, trayer
and xdotool must be installed (Debian: xvfb, trayer, xdotool); without them the tests are
skipped with a message saying which is missing. No session bus is used, and the system bus
address leads nowhere, so no power action can reach the machine; every copy runs with
-InhibitShutdown first and settings whose countdown cannot start within a test.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from nodreld_harness import (GuardHeld, config_text, parse_log_line, processes_with_cwd)

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
MAIN_CAPTION = "Nodrel"
START_UP_ERROR_CAPTION = "Nodrel Start Up Error"
# Where the duplicate-instance window has its OK button (the window's own layout).
OK_BUTTON_AT = (160, 83)

# Nothing can start a countdown: 30 minutes below 50 %, after a 30 s activation delay.
QUIET = dict(StartDelay=30, CPUDelay=1800, CPULevel=50, LogLevel=3, ShutType=1)


def nodrel_path():
    nodreld = os.environ.get("NODRELD")
    if not nodreld:
        raise unittest.SkipTest("NODRELD is not set: point it at the built nodreld")
    # build/src/frontends/nodreld/nodreld -> build/src/frontends/nodrel/nodrel
    frontends = os.path.dirname(os.path.dirname(os.path.abspath(nodreld)))
    path = os.path.join(frontends, "nodrel", "nodrel")
    if not os.access(path, os.X_OK):
        raise unittest.SkipTest("nodrel was not built beside nodreld (looked for %s)" % path)
    return path


def require_tools(*tools):
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        raise unittest.SkipTest(
            "needs %s (Debian packages: xvfb, trayer, xdotool); not installed: %s"
            % (", ".join(tools), ", ".join(missing)))


class XDisplay:
    """A private Xvfb display, optionally with trayer as the tray host."""

    def __init__(self, tray_host):
        self.processes = []
        read_end, write_end = os.pipe()
        try:
            self.server = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.processes.append(self.server)
            os.close(write_end)
            write_end = None
            number = b""
            deadline = time.monotonic() + 20
            while not number.endswith(b"\n"):
                if time.monotonic() > deadline or self.server.poll() is not None:
                    raise RuntimeError("Xvfb did not start")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise RuntimeError("Xvfb did not say its display number")
                number += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        self.display = ":" + number.decode().strip()
        self.runtime_dir = tempfile.mkdtemp(prefix="nodrel-xdg-")
        os.chmod(self.runtime_dir, 0o700)
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            self.env.pop(name, None)
        self.env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS="disabled:",
                        DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent",
                        XDG_RUNTIME_DIR=self.runtime_dir, LC_ALL="C")
        if tray_host:
            self.processes.append(subprocess.Popen(
                ["trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
                 "--width", "200", "--heighttype", "pixel", "--height", "32"],
                env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            if not self.wait_for(lambda: self.search("--onlyvisible", "--class", "trayer"), 10):
                self.close()
                raise RuntimeError("trayer did not show its panel")
            time.sleep(0.3)  # its tray selection is taken with the panel

    def xdotool(self, *args, check=False):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s failed" % " ".join(map(str, args)))
        return result.stdout

    def search(self, *criteria):
        """Window ids that xdotool search finds (an empty list for none)."""
        return [int(w) for w in self.xdotool("search", *criteria).split()]

    def name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def geometry(self, window):
        """(x, y, width, height) of a window."""
        x = y = width = height = None
        for line in self.xdotool("getwindowgeometry", window).splitlines():
            line = line.strip()
            if line.startswith("Position:"):
                x, y = (int(v) for v in line.split()[1].split(","))
            elif line.startswith("Geometry:"):
                width, height = (int(v) for v in line.split()[1].split("x"))
        return x, y, width, height

    def shown_windows(self, pid):
        """The mapped windows of a process, as {id: name}."""
        return {w: self.name(w) for w in self.search("--onlyvisible", "--pid", pid)}

    @staticmethod
    def wait_for(condition, timeout):
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value or time.monotonic() > deadline:
                return value
            time.sleep(0.05)

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


class DesktopTestCase(unittest.TestCase):
    TRAY_HOST = True

    @classmethod
    def setUpClass(cls):
        require_tools("Xvfb", "xdotool", *(["trayer"] if cls.TRAY_HOST else []))
        cls.nodrel = nodrel_path()
        cls.x = XDisplay(cls.TRAY_HOST)

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def setUp(self):
        self.programs = []
        self.folders = []
        self.addCleanup(self.stop_all)

    def stop_all(self):
        for program in self.programs:
            if program.poll() is None:
                program.kill()
                program.wait(timeout=10)
        for folder in self.folders:
            for pid in processes_with_cwd(folder):
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            shutil.rmtree(folder, ignore_errors=True)

    def installation(self, **settings):
        folder = os.path.realpath(tempfile.mkdtemp(prefix="nodrel-desktop-"))
        self.folders.append(folder)
        os.mkdir(os.path.join(folder, "Data"))
        os.mkdir(os.path.join(folder, "Log"))
        with open(os.path.join(folder, "Data", "Nodrel4.ini"), "wb") as f:
            f.write(config_text(**settings).encode("latin-1"))
        return folder

    def start(self, folder, *args):
        out = open(os.path.join(folder, "output.txt"), "ab")
        program = subprocess.Popen([self.nodrel] + list(args), cwd=folder, env=self.x.env,
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        out.close()
        self.programs.append(program)
        return program

    def log_events(self, folder):
        try:
            with open(os.path.join(folder, "Log", "Nodrel.log"), "rb") as f:
                text = f.read().decode("latin-1")
        except FileNotFoundError:
            return []
        return [(line.event, line.state)
                for line in map(parse_log_line, text.split("\r\n")) if line]

    def output(self, folder):
        with open(os.path.join(folder, "output.txt"), "rb") as f:
            return f.read().decode("latin-1")

    def wait(self, condition, what, timeout=15, program=None):
        def check():
            if program is not None and program.poll() is not None:
                self.fail("nodrel ended (status %s) while waiting for %s"
                          % (program.returncode, what))
            return condition()
        value = self.x.wait_for(check, timeout)
        if not value:
            self.fail("no %s within %d s" % (what, timeout))
        return value

    def main_window(self, program):
        """The program's main window while it is shown, else None."""
        found = [w for w, n in self.x.shown_windows(program.pid).items() if n == MAIN_CAPTION]
        return found[0] if found else None

    def tray_icons(self, program):
        """The program's mapped windows that lie inside the tray host's panel."""
        panels = self.x.search("--onlyvisible", "--class", "trayer")
        areas = [self.x.geometry(p) for p in panels]
        icons = []
        for window, name in self.x.shown_windows(program.pid).items():
            if name == MAIN_CAPTION:
                continue
            x, y, w, h = self.x.geometry(window)
            if any(ax <= x and x + w <= ax + aw and ay <= y and y + h <= ay + ah
                   for ax, ay, aw, ah in areas if aw and ah and aw > 1):
                icons.append(window)
        return icons

    def stop(self, program):
        program.send_signal(signal.SIGTERM)
        return program.wait(timeout=10)


class TrayIcon(DesktopTestCase):

    def test_started_for_the_tray_a_double_click_brings_the_window_back_centred(self):
        folder = self.installation(StartMin=2, **QUIET)
        program = self.start(folder, "-InhibitShutdown", "-AllowMulti")
        self.wait(lambda: ("Start", "Initialise") in self.log_events(folder), "start",
                  program=program)
        icons = self.wait(lambda: self.tray_icons(program), "tray icon", program=program)
        self.assertEqual(len(icons), 1)
        self.assertIsNone(self.main_window(program), "hidden while its icon is in the tray")
        self.assertNotIn(("NoTray", "TaskBar"), self.log_events(folder))

        self.x.xdotool("mousemove", "--window", icons[0], 6, 6, "click", "--repeat", 2,
                       "--delay", 120, 1, check=True)
        window = self.wait(lambda: self.main_window(program), "main window back",
                           program=program)
        self.wait(lambda: not self.tray_icons(program), "tray icon gone", program=program)
        x, y, width, height = self.x.geometry(window)
        self.assertEqual((width, height), (540, 108))
        self.assertLessEqual(abs(x + width / 2 - SCREEN_WIDTH / 2), 2)
        self.assertLessEqual(abs(y + height / 2 - SCREEN_HEIGHT / 2), 2)

        self.assertEqual(self.stop(program), 0)
        self.assertEqual(self.log_events(folder)[-1], ("Exit", "Initialise"))

    def test_a_second_copy_shows_only_the_start_up_error_and_ok_ends_it(self):
        # The guard is held here as a running copy holds it (copies of other tests run with
        # -AllowMulti and leave it alone); a first nodrel runs beside it.
        with GuardHeld():
            first_folder = self.installation(StartMin=1, **QUIET)
            first = self.start(first_folder, "-InhibitShutdown", "-AllowMulti")
            self.wait(lambda: self.main_window(first), "first copy's window", program=first)

            folder = self.installation(StartMin=1, **QUIET)
            second = self.start(folder, "-InhibitShutdown")
            self.wait(lambda: self.x.shown_windows(second.pid), "second copy's window",
                      program=second)
            time.sleep(0.5)  # anything else it would show has had its time
            windows = self.x.shown_windows(second.pid)
            self.assertEqual(list(windows.values()), [START_UP_ERROR_CAPTION])
            self.assertEqual(os.listdir(os.path.join(folder, "Log")), [], "no log")
            error_window = list(windows)[0]
            self.x.xdotool("mousemove", "--window", error_window, *OK_BUTTON_AT, "click", 1,
                           check=True)
            self.assertEqual(second.wait(timeout=10), 1)

            self.assertIsNone(first.poll(), "the first copy runs on")
            self.assertIsNotNone(self.main_window(first))
            self.assertEqual(self.stop(first), 0)


class NoTrayHost(DesktopTestCase):
    TRAY_HOST = False

    def test_the_minimised_window_stays_reachable_and_the_log_says_so(self):
        folder = self.installation(StartMin=2, **QUIET)
        program = self.start(folder, "-InhibitShutdown", "-AllowMulti")
        self.wait(lambda: ("NoTray", "TaskBar") in self.log_events(folder), "NoTray log line",
                  program=program)
        # Without a window manager nothing iconifies it: it simply stays on the screen.
        self.wait(lambda: self.main_window(program), "main window still shown",
                  program=program)
        self.assertEqual(self.stop(program), 0)
        self.assertEqual(self.log_events(folder)[-1], ("Exit", "Initialise"))


if __name__ == "__main__":
    unittest.main()
