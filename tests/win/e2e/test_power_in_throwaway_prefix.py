"""The real power off, under Wine only, in a prefix made for this test and removed after
it: Wine answers ExitWindowsEx by ending its own session (wineboot), which cannot reach the
host. The log shows "Start"; the program, which waits for the session's end after an
accepted power off, ends with the session (a console program that uses user32 gets no
shutdown event to log "Close" in) long before its minute runs out: no "Restart"."""

import os
import shutil
import subprocess
import tempfile
import unittest

from wine_harness import WineTestCase

# A slave whose master never speaks: 1 s of activation, 5 s of silence, 2 s of countdown.
CHAIN = dict(CMain=2, IPAdd="127.1.1.1", StartDelay=1, CPUDelay=5, ShutTime=2, LogLevel=2,
             ShutType=1)


def uptime():
    with open("/proc/uptime", encoding="ascii") as f:
        return float(f.read().split()[0])


class RealPowerOff(WineTestCase):

    def setUp(self):
        super().setUp()
        prefix = tempfile.mkdtemp(prefix="nodrel-throwaway-wine-")
        self.env = dict(self.env, WINEPREFIX=prefix)
        self.addCleanup(shutil.rmtree, prefix, ignore_errors=True)
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=self.env, check=False,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def test_power_off_ends_wines_session_and_the_program(self):
        self.assertNotEqual(os.environ.get("WINEPREFIX"), self.env["WINEPREFIX"])
        before = uptime()
        program = self.start(self.installation(Port1=41019, **CHAIN))
        self.assertEqual(program.wait(240), 0, self.describe())
        self.assertEqual([(e.event, e.state) for e in program.log_events()],
                         [("Start", "Initialise"), ("Enter", "Run"), ("Enter", "Power Off"),
                          ("Start", "Power Off")])
        self.assertEqual(program.output(2), [], "the privilege was enabled, nothing refused")
        self.assertGreater(uptime(), before, "the host kept running")


if __name__ == "__main__":
    unittest.main()
