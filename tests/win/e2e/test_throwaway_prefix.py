"""nodreld.exe under Wine in a prefix made for each test and removed after it.

The real power off: Wine answers ExitWindowsEx by ending its own session (wineboot), which
cannot reach the host. The log shows "Start"; the program, which waits for the session's
end after an accepted power off, ends with the session (a console program that uses user32
gets no shutdown event to log "Close" in) long before its minute runs out: no "Restart".

The Windows service "Nodrel", always with "-InhibitShutdown": installed from the folder it
lies in, started by the service control manager (so in another folder), steered by its
controls (sent by nodrel-service-control.exe, as Wine's sc.exe has no `control`), stopped
and removed."""

import os
import shutil
import subprocess
import time
import unittest

from wine_harness import WineTestCase, windows_config
from nodreld_harness import CHAIN, Log

RUNNING, STOPPED = "4", "1"
NO_SUCH_SERVICE = "OpenService failed: 1060"


class RealPowerOff(WineTestCase):

    def test_power_off_ends_wines_session_and_the_program(self):
        self.throwaway_prefix()
        self.assertNotEqual(os.environ.get("WINEPREFIX"), self.env["WINEPREFIX"])
        program = self.start(self.installation(Port1=41019, **CHAIN))
        self.assertEqual(program.wait(240), 0, self.describe())
        self.assertEqual([(e.event, e.state) for e in program.log_events()],
                         [("Start", "Initialise"), ("Enter", "Run"), ("Enter", "Power Off"),
                          ("Start", "Power Off")])
        self.assertEqual(program.output(2), [], "the privilege was enabled, nothing refused")


class NodreldService(WineTestCase):

    def setUp(self):
        super().setUp()
        if not os.environ.get("NODREL_SERVICE_CONTROL"):
            raise unittest.SkipTest("NODREL_SERVICE_CONTROL is not set")
        self.throwaway_prefix()
        # One server (and service manager) for the whole test, once the prefix is set up: a
        # new one would start the automatic service again.
        self.wine("cmd", "/c", "exit")
        for step in ("-w", "-p"):
            subprocess.run(["wineserver", step], env=self.env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)

    def control(self, *command):
        return self.wine(os.environ["NODREL_SERVICE_CONTROL"], *command)

    def describe(self):
        return "\n".join(self.log.log_lines())

    def wait_for(self, event, state=None, after=0):
        return self.wait_for_event(self.log, event, state, after=after, timeout=30)

    def test_installed_started_steered_stopped_and_removed(self):
        folder = self.installation(StartDelay=1, LogLevel=2)
        self.log = Log(folder)
        program = os.path.join(folder, "nodreld.exe")
        shutil.copy(os.environ["NODRELD"], program)
        installing = time.monotonic()
        self.assertEqual(self.wine(program, "--install-service", "-InhibitShutdown")[0], 0)
        self.assertEqual(self.control("start"), (0, ""))
        run = self.wait_for("Enter", "Run")
        print("installation and start to phase Run: %.1f s" % (time.monotonic() - installing))
        self.assertEqual(self.control("query"), (0, RUNNING))

        self.assertEqual(self.control("control", "128")[0], 0)
        self.wait_for("Reset", "Run", after=run)
        self.assertEqual(self.control("control", "129")[0], 0)
        test = self.wait_for("Enter", "Test", after=run)
        self.assertEqual(self.log.log_events()[test].marker, "*")

        # A changed setting, read again on PARAMCHANGE: Full adds the per-second lines.
        self.write_config(folder, windows_config(StartDelay=30, LogLevel=3))
        self.assertEqual(self.control("control", "6")[0], 0)
        updated = self.wait_for("Config", "Updated", after=test)
        self.wait_for("Inactive", "", after=updated)

        self.assertEqual(self.control("control", "1")[0], 0)  # SERVICE_CONTROL_STOP
        self.wait_for("Exit", "Initialise", after=updated)
        self.wait_until(lambda: self.control("query") == (0, STOPPED), "the service stopped", 30)

        self.assertEqual(self.wine(program, "--remove-service")[0], 0)
        self.assertEqual(self.control("query"), (1, NO_SUCH_SERVICE))


if __name__ == "__main__":
    unittest.main()
