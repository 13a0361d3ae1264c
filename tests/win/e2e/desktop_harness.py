"""nodrel.exe under Wine on a private Xvfb, inside Wine's virtual desktop (which is also
the home of the tray icon, and costs no window manager). nodrel-probe.exe reads and
drives the windows from a second Wine process in the same prefix."""

import json
import os
import subprocess
import unittest

from nodrel_scratch import start_xvfb
from wine_harness import WineTestCase, wine_run

# One Xvfb for the module's tests; Wine's explorer draws the virtual desktop in it.
_display = {}


def start_display():
    server, name = start_xvfb()
    _display.update(server=server, name=name)
    env = dict(os.environ, DISPLAY=_display["name"])
    # Every program gets a virtual desktop of the module's own: the prefix's "Default" desktop
    # may still be held, without a display, by the programs of the module before. Arial is
    # drawn with its metric twin.
    desktop = "NodrelTest%d" % os.getpid()
    for key, value, data in [(r"HKCU\Software\Wine\Explorer", "Desktop", desktop),
                             (r"HKCU\Software\Wine\Explorer\Desktops", desktop, "1024x768"),
                             (r"HKCU\Software\Wine\Fonts\Replacements", "Arial",
                              "Liberation Sans")]:
        subprocess.run([wine_run(), "reg", "add", key, "/v", value, "/d", data, "/f"], env=env,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120)


def stop_display():
    """The display ends; the programs of the modules after this one get no virtual desktop."""
    subprocess.run([wine_run(), "reg", "delete", r"HKCU\Software\Wine\Explorer", "/v",
                    "Desktop", "/f"], check=False, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    if "server" in _display:
        _display.pop("server").terminate()


def exe_path(variable):
    if not os.environ.get(variable):
        raise unittest.SkipTest("%s is not set: point it at the built program" % variable)
    return os.environ[variable]


class DesktopTestCase(WineTestCase):
    """Starts nodrel.exe (NODREL_EXE) with the display; reads it with NODREL_PROBE."""

    def setUp(self):
        super().setUp()
        self.env["DISPLAY"] = _display["name"]

    def start_desktop(self, folder, *args):
        return self.start(folder, *args, allow_multi=False, program=exe_path("NODREL_EXE"))

    def probe(self, *args):
        done = subprocess.run([wine_run(), exe_path("NODREL_PROBE"), *args], env=self.env,
                              capture_output=True, text=True, timeout=60, check=False)
        return done.returncode, done.stdout

    def read(self, window):
        """The window's caption, state and control texts; None while it is not there."""
        status, out = self.probe("read", window)
        return json.loads(out) if status == 0 else None

    def wait_for(self, window, what, check, timeout=20.0, program=None):
        """The first reading of the window for which `check` is true."""
        return self.wait_until(lambda: (lambda r: r if r and check(r) else None)(
            self.read(window)), what, timeout, program)

    def click(self, window, control):
        self.assertEqual(self.probe("click", window, control)[0], 0, "%s in %s" % (control, window))
