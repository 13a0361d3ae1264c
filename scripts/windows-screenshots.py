#!/usr/bin/env python3
"""Takes docs/screenshots/windows-*.png: nodrel.exe's windows under Wine on a private Xvfb.
   bash scripts/python.sh scripts/windows-screenshots.py [build-win]"""

import os
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
TREE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-win"))
os.environ.update(WINEPREFIX=os.path.join(TREE, "wineprefix"), NODRELD="unused",
                  NODREL_WINE_RUN=os.path.join(ROOT, "scripts", "wine-run.sh"),
                  NODREL_EXE=os.path.join(TREE, "src/frontends/nodrel-win/nodrel.exe"),
                  NODREL_PROBE=os.path.join(TREE, "tests/win/nodrel-probe.exe"))

import desktop_harness  # noqa: E402  pylint: disable=wrong-import-position


class Shots(desktop_harness.DesktopTestCase):
    def runTest(self):
        pass

    def shoot(self, caption, name):
        window = subprocess.run(["xdotool", "search", "--name", "^%s$" % caption], env=self.env,
                                capture_output=True, text=True, check=True).stdout.split()[0]
        subprocess.run(["import", "-window", window, os.path.join(
            ROOT, "docs", "screenshots", "windows-%s.png" % name)], env=self.env, check=True)

    def take(self):
        master = self.start_desktop(self.installation(Port1=41055, IPAdd="10.0.0.2", DName=1,
                                                      StartDelay=3600), "-InhibitShutdown")
        self.wait_for("NodrelMain", "the master", lambda r: r["visible"], program=master)
        self.click("NodrelMain", "IDC_Config")
        self.wait_for("frmConfig", "the configuration window", lambda r: r["visible"] and r[
            "controls"]["IDC_TMessage"]["text"], program=master)
        self.shoot("Configure Nodrel", "config")
        self.wait_until(lambda: self.read("frmConfig") is None, "its self-close", timeout=10,
                        program=master)
        self.click("NodrelMain", "IDC_Exit")
        master.wait(20)
        slave = dict(CMain=2, IPAdd="127.1.1.1", StartDelay=2, LogLevel=2, StartMin=1)
        program = self.start_desktop(self.installation(Port1=41051, **slave), "-InhibitShutdown")
        self.wait_for("NodrelMain", "phase Run", lambda r: r["visible"] and r["controls"][
            "IDC_Counter"]["text"].startswith("Not connected"), program=program)
        self.shoot("Nodrel Slave", "main-run")
        self.wait_for("NodrelMain", "the countdown", lambda r: r["controls"]["IDC_Counter"][
            "text"].startswith("The Computer Will"), program=program)
        self.shoot("Nodrel Slave", "main-countdown")
        self.click("NodrelMain", "IDC_Reset")
        self.click("NodrelMain", "IDC_About")
        self.wait_for("frmAbout", "the about window", lambda r: r["controls"]["IDC_TMessage"]
                      ["text"], program=program)
        self.shoot("About Nodrel Slave", "about")
        second = self.start_desktop(self.installation(Port1=41053, **slave))
        self.wait_for("MultiInst", "the start-up error", lambda r: r["visible"], program=second)
        time.sleep(0.5)
        self.shoot("Nodrel Start Up Error", "multi-instance")


desktop_harness.start_display()
try:
    shots = Shots()
    shots.setUp()
    try:
        shots.take()
    finally:
        shots.doCleanups()
finally:
    desktop_harness.stop_display()
