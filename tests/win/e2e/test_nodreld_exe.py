"""nodreld.exe under Wine: monitoring and Ctrl+C, fatal errors, one copy, a log folder
beyond ASCII, the simulated chain. The messages' texts and the core's rules: the unit
suite, which runs here too."""

import os
import pathlib
import shutil
import signal
import tempfile
import unittest

from wine_harness import (START_UP_ERROR, NodreldTestCase, WineTestCase, beside, windows_config,
                          wine_run)

TERMINATE = "The program will now terminate."


class NodreldExe(WineTestCase):

    # The activation delay into phase Run; Ctrl+C (as Wine delivers SIGINT) runs Exit.
    def test_runs_into_phase_run_and_ctrl_c_exits(self):
        program = self.start(self.installation(StartDelay=2, LogLevel=3))
        run = self.wait_for_event(program, "Enter", "Run", timeout=20)
        self.wait_until(lambda: len(program.log_events()) > run + 2, "two Run lines",
                        program=program)
        self.assertEqual(self.stop_with(program, signal.SIGINT, timeout=15), 0, self.describe())
        self.assertEqual(program.log_lines()[:3], ["Nodrel", "Version 5.5", "File Created"])
        events = [(e.event, e.state) for e in program.log_events()]
        self.assertEqual(events[:3], [("Start", "Initialise"), ("Inactive", ""), ("Enter", "Run")])
        self.assertEqual(set(events[3:-1]), {("Run", "")})
        self.assertEqual(events[-1], ("Exit", "Run"))
        self.assertRegex(program.log_events()[-2].rest,
                         r"^, CPU: {0,2}\d{1,3}%, Av CPU: {0,2}\d{1,3}%$")

    # A command prompt elsewhere, a Run key or a task without a folder: the files beside the
    # program are found all the same.
    def test_started_from_another_folder_it_works_beside_itself(self):
        folder = self.installation(StartDelay=1, LogLevel=2)
        elsewhere = tempfile.mkdtemp(prefix="nodrel-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere, ignore_errors=True)
        program = NodreldTestCase.start(self, elsewhere, prefix=(wine_run(),),
                                        program=beside(folder, os.environ["NODRELD"]))
        program.folder = folder  # where its log is
        self.wait_for_event(program, "Enter", "Run", timeout=20)

    def test_a_bad_file_ends_it_with_its_message_and_status_1(self):
        folder = self.installation(AvTime=0)
        self.assertFatal(self.start(folder),
                         ["Nodrel Configuration File Error",
                          "The configuration file is missing or corrupted.",
                          "Reinstall the program to restore the file.", TERMINATE], timeout=20)

    def test_a_second_copy_is_refused(self):
        first = self.start_guard_holder(self.installation(StartDelay=30, LogLevel=2))
        second = self.start(self.installation(StartDelay=30, LogLevel=2), allow_multi=False)
        self.assertFatal(second, START_UP_ERROR, timeout=20)
        self.assertEqual(second.log_lines(), [], "a refused copy writes no log")
        self.assertTrue(first.running())

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

    # A slave whose master never speaks: 6 s of silence, 6 s of countdown, then the
    # simulated power off, its box, and the end.
    def test_inhibit_shutdown_runs_the_simulated_chain_to_its_end(self):
        folder = self.installation(CMain=2, IPAdd="127.1.1.1", Port1=41017, StartDelay=1,
                                   LogLevel=2)
        program = self.start(folder, "-InhibitShutdown")
        self.assertEqual(program.wait(40), 0, self.describe())
        self.assertEqual([(e.event, e.state) for e in program.log_events()],
                         [("Start", "Initialise"), ("Enter", "Run"), ("Enter", "Power Off"),
                          ("Power Off", "Simulate"), ("Close", "Power Off")])
        self.assertEqual(program.output(2), ["Nodrel Slave Simulate Power Off",
                                             "Test Real Power Off"])


if __name__ == "__main__":
    unittest.main()
