"""nodreld.exe under Wine: what is Windows' own (the program's folder, Ctrl+C, the
counters, wide paths, Winsock). The core's rules and texts: the unit suite, which runs here
too; the mutex: the second copy of test_nodrel_exe."""

import os
import pathlib
import shutil
import signal
import tempfile
import time
import unittest

from wine_harness import (NodreldTestCase, WineTestCase, beside, config_text,
                          free_udp_port, windows_config, wine_run)

MASTER = dict(CMain=1, IPAdd="127.0.0.1", StartDelay=1, LogLevel=2)
SLAVE = dict(CMain=2, IPAdd="127.0.0.1", StartDelay=1, LogLevel=3)


class NodreldExe(WineTestCase):

    # A command prompt elsewhere, a Run key or a task without a folder: the files beside the
    # program are found all the same. It reads the load each second; Ctrl+C (as Wine
    # delivers SIGINT) runs Exit.
    def test_started_from_another_folder_it_works_beside_itself(self):
        folder = self.installation(StartDelay=1, LogLevel=3)
        elsewhere = tempfile.mkdtemp(prefix="nodrel-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere, ignore_errors=True)
        program = NodreldTestCase.start(self, elsewhere, prefix=(wine_run(),),
                                        program=beside(folder, os.environ["NODRELD"]))
        program.folder = folder  # where its log is
        run = self.wait_for_event(program, "Enter", "Run", timeout=20)
        self.wait_until(lambda: len(program.log_events()) > run + 2, "two Run lines",
                        program=program)
        self.assertEqual(self.stop_with(program, signal.SIGINT, timeout=15), 0, self.describe())
        events = program.log_events()
        self.assertEqual({(e.event, e.state) for e in events[run + 1:-1]}, {("Run", "")})
        self.assertRegex(events[-2].rest, r"^, CPU: {0,2}\d{1,3}%, Av CPU: {0,2}\d{1,3}%$")
        self.assertEqual((events[-1].event, events[-1].state), ("Exit", "Run"))

    # A log folder named beyond ASCII, from a settings file in UTF-8 and in the ANSI code
    # page (Wine names the host's files in the host's encoding).
    def test_a_log_folder_named_beyond_ascii(self):
        for encoding in ("utf-8", "cp1252"):
            with self.subTest(encoding):
                folder = self.installation()
                os.mkdir(os.path.join(folder, "Größe"))
                with open(os.path.join(folder, "Data", "Nodrel4.ini"), "wb") as f:
                    f.write(windows_config(LogPath="Größe\\", StartDelay=30).encode(encoding))
                program = self.start(folder, env=dict(self.env, LC_ALL="C.UTF-8"))
                log = pathlib.Path(folder, "Größe", "Nodrel.log")
                self.wait_until(lambda: log.exists() and b"File Created" in log.read_bytes(),
                                "the log in Größe", timeout=20, program=program)
                self.assertEqual(self.stop_with(program, signal.SIGINT, timeout=15), 0)


# A link between the two builds over loopback: a Linux master keeps a Windows slave alive,
# and the reverse (what a slave does once its master stops: tests/e2e/test_link.py and the
# unit suite, which runs here too).
class LinkBetweenBuilds(WineTestCase):

    def linux(self, folder, *args):
        if not os.environ.get("NODRELD_LINUX"):
            raise unittest.SkipTest("NODRELD_LINUX is not set: point it at the Linux nodreld")
        return super(WineTestCase, self).start(folder, *args, program=os.environ["NODRELD_LINUX"])

    def linux_installation(self, **settings):
        folder = super().installation()
        self.write_config(folder, config_text(**settings))
        return folder

    def test_each_build_keeps_the_other_alive(self):
        port_w, port_l = free_udp_port(), free_udp_port()
        windows_slave = self.start(self.installation(Port1=port_w, **SLAVE), "-InhibitShutdown")
        linux_master = self.linux(self.linux_installation(Port1=port_w, **MASTER))
        linux_slave = self.linux(self.linux_installation(Port1=port_l, **SLAVE), "-InhibitShutdown")
        windows_master = self.start(self.installation(Port1=port_l, **MASTER))
        for slave in (windows_slave, linux_slave):
            self.wait_for_event(slave, "Enter", "Run", timeout=20)
        # Twice the slave's 6 s of allowed silence, with the masters speaking.
        time.sleep(12)
        for slave in (windows_slave, linux_slave):
            events = slave.log_events()
            self.assertNotIn("Power Off", [e.state for e in events], self.describe())
            self.assertEqual(events[-1][1:], ("Run", "", 0, ", Comms: -OK-"), self.describe())


if __name__ == "__main__":
    unittest.main()
