"""nodrel on a private Xvfb display with trayer as tray host, with -InhibitShutdown, quiet."""

import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from nodreld_harness import NodreldTestCase, START_UP_ERROR, nodreld_path
from nodrel_scratch import start_xvfb

QUIET = dict(StartDelay=30, CPUDelay=1800, LogLevel=3)


class XClientMessage(ctypes.Structure):  # pylint: disable=too-few-public-methods
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("padding", ctypes.c_long * 16)]


def xlib():
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = x11.XGetSelectionOwner.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def tray_taken(display):
    """Whether a tray host owns the screen's tray selection: until then a program started for
    the tray finds none and shows its window."""
    x11 = xlib()
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        return False
    tray = x11.XInternAtom(connection, b"_NET_SYSTEM_TRAY_S0", 0)
    owner = x11.XGetSelectionOwner(connection, tray)
    x11.XCloseDisplay(connection)
    return owner != 0


def ask_to_close(display, window):
    """Asks a window to close as a window manager's close button does (WM_DELETE_WINDOW)."""
    x11 = xlib()
    connection = x11.XOpenDisplay(display.encode())
    message = XClientMessage(type=33, window=window, format=32,  # ClientMessage
                             message_type=x11.XInternAtom(connection, b"WM_PROTOCOLS", 0))
    message.data[0] = x11.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(connection, window, 0, 0, ctypes.byref(message))
    x11.XFlush(connection)
    x11.XCloseDisplay(connection)


class Desktop(NodreldTestCase):

    @classmethod
    def setUpClass(cls):
        missing = [tool for tool in ("Xvfb", "trayer", "xdotool") if not shutil.which(tool)]
        if missing:
            raise unittest.SkipTest("not installed: %s" % ", ".join(missing))
        # build/src/frontends/nodreld/nodreld -> build/src/frontends/nodrel/nodrel
        cls.nodrel = os.path.join(os.path.dirname(os.path.dirname(nodreld_path())),
                                  "nodrel", "nodrel")
        if not os.access(cls.nodrel, os.X_OK):
            raise unittest.SkipTest("nodrel was not built beside nodreld: " + cls.nodrel)
        # One private Xvfb display with trayer as the tray host for the module's tests. One, not
        # one a test: a display number freed a moment ago is not always ready to be taken again.
        server, cls.display = start_xvfb()
        cls.servers = [server, subprocess.Popen(
            ["trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel", "--width", "200",
             "--heighttype", "pixel", "--height", "32"],
            env=dict(os.environ, DISPLAY=cls.display, DBUS_SESSION_BUS_ADDRESS="disabled:"),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]

    @classmethod
    def tearDownClass(cls):
        for server in reversed(getattr(cls, "servers", [])):
            server.terminate()
            server.wait()

    def setUp(self):
        super().setUp()
        runtime_dir = tempfile.mkdtemp(prefix="nodrel-xdg-")
        self.addCleanup(shutil.rmtree, runtime_dir, ignore_errors=True)
        self.x_env = dict(self.env, DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS="disabled:",
                          XDG_RUNTIME_DIR=runtime_dir)
        self.x_env.pop("QT_QPA_PLATFORM", None)
        # Until trayer owns the tray, a program started for the tray shows its window instead.
        self.wait_until(lambda: self.display and tray_taken(self.display) and self.panels(),
                        "trayer's tray and panel", 30)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.x_env, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout

    def windows(self, *criteria):
        """{id: name} of the mapped windows that xdotool search finds."""
        found = self.xdotool("search", "--onlyvisible", *criteria).split()
        return {int(w): self.xdotool("getwindowname", w).rstrip("\n") for w in found}

    def panels(self):
        return list(self.windows("--class", "trayer"))

    def geometry(self, window):
        """(x, y, width, height) of a window."""
        shell = dict(v.split("=") for v in self.xdotool("getwindowgeometry", "--shell",
                                                         window).split())
        return tuple(int(shell[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def start_nodrel(self, folder, allow_multi=True):
        return self.start(folder, "-InhibitShutdown", allow_multi=allow_multi,
                          program=self.nodrel, env=self.x_env)

    def shown(self, program):
        """The program's mapped windows: (those inside the tray panel, its main windows)."""
        panels = [self.geometry(p) for p in self.panels()]
        def in_tray(window):
            x, y, w, h = self.geometry(window)
            return any(px <= x and x + w <= px + pw and py <= y and y + h <= py + ph
                       for px, py, pw, ph in panels)
        mine = self.windows("--pid", program.proc.pid)
        return ([w for w, name in mine.items() if name != "Nodrel" and in_tray(w)],
                [w for w, name in mine.items() if name == "Nodrel"])

    # Started for the tray it hides behind one icon; activating the icon shows it (where:
    # MainWindowTray in tests/qt).
    def test_started_for_the_tray_it_shows_an_icon_until_activated(self):
        program = self.start_nodrel(self.installation(StartMin=2, **QUIET))
        self.wait_until(lambda: self.shown(program)[0], "a tray icon", 15, program)
        icons, main = self.shown(program)
        self.assertEqual(len(icons), 1)
        self.assertEqual(main, [], "hidden while its icon is in the tray")

        self.xdotool("mousemove", "--window", icons[0], 6, 6, "click", "--repeat", 2, "--delay",
                     120, 1)
        def back():
            icons, main = self.shown(program)
            return not icons and main
        self.wait_until(back, "the window back and the icon gone", 15, program)
        self.assertEqual(self.stop_with(program, timeout=10), 0)
        last = program.log_events()[-1]
        self.assertEqual((last.event, last.state), ("Exit", "Initialise"))

    # A copy started while another runs shows only the start-up error and ends with 1, by OK
    # or by SIGINT or SIGTERM.
    def test_a_second_copy_shows_only_the_start_up_error(self):
        holder = self.start_guard_holder(self.installation(**QUIET))
        for ending in ("OK", signal.SIGINT, signal.SIGTERM):
            with self.subTest(ending=ending):
                second = self.start_nodrel(self.installation(**QUIET), allow_multi=False)
                shown = self.wait_until(lambda: self.windows("--pid", second.proc.pid),
                                        "the second copy's window", 15, second)
                time.sleep(0.5)  # anything else it would show has had its time
                self.assertEqual(list(self.windows("--pid", second.proc.pid).values()),
                                 [START_UP_ERROR[0]])
                if ending == "OK":  # Return presses OK, the window's default button
                    self.xdotool("windowfocus", "--sync", list(shown)[0], "key", "Return")
                else:
                    second.proc.send_signal(ending)
                self.assertEqual(second.wait(timeout=10), 1)
                self.assertEqual(second.log_lines(), [], "a refused copy writes no log")
        self.assertTrue(holder.running())

    # Closing the window while it waits for the resume after a standby (on a bus of its
    # own, with a logind stand-in that never resumes) ends it within a second as Exit does.
    def test_closing_the_window_while_waiting_for_the_resume_exits(self):
        program = self.chain(6, "resume", "never", program=self.nodrel, env=self.x_env)
        self.wait_until(lambda: program.logind.ask("calls") == "Suspend(false)", "the standby",
                        30, program)
        window = self.wait_until(lambda: list(self.windows("--pid", program.proc.pid)),
                                 "the window", 5, program)[0]
        ask_to_close(self.x_env["DISPLAY"], window)
        self.assertEqual(program.wait(timeout=1.0), 0, self.describe())
        last = program.log_events()[-1]
        self.assertEqual((last.event, last.state), ("Exit", "Initialise"))


if __name__ == "__main__":
    unittest.main()
