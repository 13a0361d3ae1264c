"""nodreld.exe as the Windows service "Nodrel" under Wine, in a prefix made for this test
and removed after it, always with "-InhibitShutdown": installed from the folder it lies in,
started by the service control manager (so in another folder), steered by its controls
(sent by nodrel-service-control.exe, as Wine's sc.exe has no `control`), stopped and
removed."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

from wine_harness import WineTestCase, windows_config
from nodreld_harness import parse_log_line  # noqa: E402  (wine_harness finds it)

RUNNING, STOPPED = "4", "1"
NO_SUCH_SERVICE = "OpenService failed: 1060"


class NodreldService(WineTestCase):

    def setUp(self):
        super().setUp()
        if not os.environ.get("NODREL_SERVICE_CONTROL"):
            raise unittest.SkipTest("NODREL_SERVICE_CONTROL is not set")
        prefix = tempfile.mkdtemp(prefix="nodrel-service-wine-")
        self.env = dict(self.env, WINEPREFIX=prefix)
        self.addCleanup(shutil.rmtree, prefix, ignore_errors=True)
        self.addCleanup(lambda: os.path.exists(prefix + ".lock") and os.remove(prefix + ".lock"))
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=self.env, check=False,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        # One server (and service manager) for the whole test, once the prefix is set up: a
        # new one would start the automatic service again.
        self.wine("cmd", "/c", "exit")
        for step in ("-w", "-p"):
            subprocess.run(["wineserver", step], env=self.env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)

    def wine(self, *command, timeout=120):
        """Status and output of a Windows program; the output through a file, as the first
        program of a new server starts Wine's own, which would hold a pipe open."""
        with tempfile.TemporaryFile() as out:
            status = subprocess.run([os.environ["NODREL_WINE_RUN"], *command], env=self.env,
                                    cwd=tempfile.gettempdir(), stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=subprocess.DEVNULL, timeout=timeout,
                                    check=False).returncode
            out.seek(0)
            return status, out.read().decode("latin-1").strip()

    def control(self, *command):
        return self.wine(os.environ["NODREL_SERVICE_CONTROL"], *command)

    def events(self, folder):
        with open(os.path.join(folder, "Log", "Nodrel.log"), "rb") as f:
            lines = f.read().decode("latin-1").split("\r\n")[:-1]
        return [e for e in map(parse_log_line, lines) if e]

    def wait_for(self, folder, event, state=None, after=0, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for index, e in enumerate(self.events(folder)[after:], after):
                if e.event == event and state in (None, e.state):
                    return index
            time.sleep(0.1)
        self.fail("no %s|%s in the log:\n%s" % (event, state, "\n".join(
            map(str, self.events(folder)))))

    def test_installed_started_steered_stopped_and_removed(self):
        folder = self.installation(StartDelay=1, LogLevel=2)
        program = os.path.join(folder, "nodreld.exe")
        shutil.copy(os.environ["NODRELD"], program)
        installing = time.monotonic()
        self.assertEqual(self.wine(program, "--install-service", "-InhibitShutdown")[0], 0)
        self.assertEqual(self.control("start"), (0, ""))
        run = self.wait_for(folder, "Enter", "Run")
        print("installation and start to phase Run: %.1f s" % (time.monotonic() - installing))
        self.assertEqual(self.control("query"), (0, RUNNING))

        self.assertEqual(self.control("control", "128")[0], 0)
        self.wait_for(folder, "Reset", "Run", after=run)
        self.assertEqual(self.control("control", "129")[0], 0)
        test = self.wait_for(folder, "Enter", "Test", after=run)
        self.assertEqual(self.events(folder)[test].marker, "*")

        # A changed setting, read again on PARAMCHANGE: Full adds the per-second lines.
        self.write_config(folder, windows_config(StartDelay=30, LogLevel=3))
        self.assertEqual(self.control("control", "6")[0], 0)
        updated = self.wait_for(folder, "Config", "Updated", after=test)
        self.wait_for(folder, "Inactive", "", after=updated)

        self.assertEqual(self.control("stop")[0], 0)
        self.wait_for(folder, "Exit", "Initialise", after=updated)
        deadline = time.monotonic() + 30
        while self.control("query") != (0, STOPPED) and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.control("query"), (0, STOPPED))

        self.assertEqual(self.wine(program, "--remove-service")[0], 0)
        self.assertEqual(self.control("query"), (1, NO_SUCH_SERVICE))


if __name__ == "__main__":
    unittest.main()
