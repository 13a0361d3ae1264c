"""The desktop program nodrel on a private X display (Xvfb) with a tray host (trayer):
started for the tray its window hides behind a tray icon until the icon is activated, and
a copy started while another runs shows only the "Nodrel Start Up Error" window.

nodrel is found beside nodreld in the build tree. Without Xvfb, trayer or xdotool (Debian:
xvfb, trayer, xdotool) the tests are skipped. No session bus is used and the system bus
address leads nowhere; every copy runs with -InhibitShutdown and settings whose countdown
cannot start within a test.
"""

import os
import select
import shutil
import subprocess
import tempfile
import time
import unittest

from nodreld_harness import NodreldTestCase, START_UP_ERROR, nodreld_path

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
OK_BUTTON_AT = (160, 83)  # in the duplicate-instance window
QUIET = dict(StartDelay=30, CPUDelay=1800, LogLevel=3)


class XDisplay:
    """A private Xvfb display with trayer as the tray host."""

    def __init__(self, env):
        read_end, write_end = os.pipe()
        self.processes = [subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
        os.close(write_end)
        # Xvfb writes its display number and a line end once it is ready.
        number = b""
        while not number.endswith(b"\n") and select.select([read_end], [], [], 20)[0]:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        number = number.decode().strip()
        self.runtime_dir = tempfile.mkdtemp(prefix="nodrel-xdg-")
        self.env = dict(env, DISPLAY=":" + number, DBUS_SESSION_BUS_ADDRESS="disabled:",
                        XDG_RUNTIME_DIR=self.runtime_dir)
        self.env.pop("QT_QPA_PLATFORM", None)
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.processes.append(subprocess.Popen(
            ["trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
             "--width", "200", "--heighttype", "pixel", "--height", "32"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        if not self.wait_for(self.panels, 10):
            self.close()
            raise RuntimeError("trayer did not show its panel")
        time.sleep(0.3)  # its tray selection is taken with the panel

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout

    def windows(self, *criteria):
        """{id: name} of the mapped windows that xdotool search finds."""
        found = self.xdotool("search", "--onlyvisible", *criteria).split()
        return {int(w): self.xdotool("getwindowname", w).rstrip("\n") for w in found}

    def panels(self):
        return list(self.windows("--class", "trayer"))

    def geometry(self, window):
        """(x, y, width, height) of a window."""
        lines = self.xdotool("getwindowgeometry", window).split()
        x, y = (int(v) for v in lines[lines.index("Position:") + 1].split(","))
        width, height = (int(v) for v in lines[lines.index("Geometry:") + 1].split("x"))
        return x, y, width, height

    @staticmethod
    def wait_for(condition, timeout):
        deadline = time.monotonic() + timeout
        while not condition() and time.monotonic() < deadline:
            time.sleep(0.05)
        return condition()

    def close(self):
        for process in reversed(self.processes):
            process.kill()
            process.wait()
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


class Desktop(NodreldTestCase):

    @classmethod
    def setUpClass(cls):
        missing = [tool for tool in ("Xvfb", "trayer", "xdotool") if not shutil.which(tool)]
        if missing:
            raise unittest.SkipTest("not installed: %s (Debian packages: xvfb, trayer, "
                                    "xdotool)" % ", ".join(missing))
        # build/src/frontends/nodreld/nodreld -> build/src/frontends/nodrel/nodrel
        cls.nodrel = os.path.join(os.path.dirname(os.path.dirname(nodreld_path())),
                                  "nodrel", "nodrel")
        if not os.access(cls.nodrel, os.X_OK):
            raise unittest.SkipTest("nodrel was not built beside nodreld: " + cls.nodrel)

    def setUp(self):
        super().setUp()
        self.x = XDisplay(self.env)
        self.addCleanup(self.x.close)

    def start_nodrel(self, folder, allow_multi=True):
        return self.start(folder, "-InhibitShutdown", allow_multi=allow_multi,
                          program=self.nodrel, env=self.x.env)

    def tray_icons(self, program):
        """The program's mapped windows that lie inside the tray host's panel."""
        areas = [self.x.geometry(p) for p in self.x.panels()]
        icons = []
        for window, name in self.x.windows("--pid", program.proc.pid).items():
            x, y, w, h = self.x.geometry(window)
            if name != "Nodrel" and any(ax <= x and x + w <= ax + aw and ay <= y and
                                        y + h <= ay + ah for ax, ay, aw, ah in areas):
                icons.append(window)
        return icons

    def main_window(self, program):
        shown = self.x.windows("--pid", program.proc.pid)
        return [w for w, name in shown.items() if name == "Nodrel"]

    def test_started_for_the_tray_it_shows_an_icon_until_activated(self):
        program = self.start_nodrel(self.installation(StartMin=2, **QUIET))
        self.wait_for_event(program, "Start", "Initialise", timeout=15)
        icons = self.wait_until(lambda: self.tray_icons(program), "a tray icon", 15, program)
        self.assertEqual(len(icons), 1)
        self.assertEqual(self.main_window(program), [], "hidden while its icon is in the tray")

        self.x.xdotool("mousemove", "--window", icons[0], 6, 6, "click", "--repeat", 2,
                       "--delay", 120, 1)
        window = self.wait_until(lambda: self.main_window(program), "the window back", 15,
                                 program)[0]
        self.wait_until(lambda: not self.tray_icons(program), "the icon gone", 15, program)
        x, y, width, height = self.x.geometry(window)
        self.assertLessEqual(abs(x + width / 2 - SCREEN_WIDTH / 2), 2, "centred")
        self.assertLessEqual(abs(y + height / 2 - SCREEN_HEIGHT / 2), 2, "centred")
        self.assertEqual(self.stop_with(program, timeout=10), 0)
        last = program.log_events()[-1]
        self.assertEqual((last.event, last.state), ("Exit", "Initialise"))

    def test_a_second_copy_shows_only_the_start_up_error(self):
        holder = self.start_guard_holder(self.installation(**QUIET))
        second = self.start_nodrel(self.installation(**QUIET), allow_multi=False)
        shown = self.wait_until(lambda: self.x.windows("--pid", second.proc.pid),
                                "the second copy's window", 15, second)
        time.sleep(0.5)  # anything else it would show has had its time
        self.assertEqual(list(self.x.windows("--pid", second.proc.pid).values()),
                         [START_UP_ERROR[0]])
        self.x.xdotool("mousemove", "--window", list(shown)[0], *OK_BUTTON_AT, "click", 1)
        self.assertEqual(second.wait(timeout=10), 1)
        self.assertEqual(second.log_lines(), [], "a refused copy writes no log")
        self.assertTrue(holder.running())


if __name__ == "__main__":
    unittest.main()
