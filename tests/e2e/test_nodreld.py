"""The console program nodreld on its own: a usable file runs into monitoring, a changed
file is read again on SIGHUP, SIGTERM closes it; a file it cannot use ends it; one copy
per machine."""

import os
import re
import signal
import time
import unittest

from nodreld_harness import CRLF, START_UP_ERROR, NodreldTestCase, config_text

TITLE = "Nodrel: %s the computer if CPU load is below %d%% for over 1800 sec"
READINGS = re.compile(r"^, CPU: {0,2}\d{1,3}%, Av CPU: {0,2}\d{1,3}%$")
TERMINATE = "The program will now terminate."
CONFIG_ERROR = "Nodrel Configuration File Error"
REINSTALL = "Reinstall the program to restore the file."


class Running(NodreldTestCase):

    def test_monitors_reloads_on_sighup_and_exits_on_sigterm(self):
        folder = self.installation(StartDelay=2, LogLevel=3)
        program = self.start(folder)
        start = self.wait_for_event(program, "Start", "Initialise")
        started_at = time.monotonic()
        run = self.wait_for_event(program, "Enter", "Run", after=start)
        entered_run_at = time.monotonic()
        self.wait_until(lambda: len(program.log_events()[run + 1:]) >= 3, "three Run lines",
                        program=program)
        three_runs_at = time.monotonic()
        # A two-second activation delay, then one Run line a second.
        self.assertGreater(entered_run_at - started_at, 1.75)
        self.assertLess(entered_run_at - started_at, 3.5)
        self.assertGreater(three_runs_at - entered_run_at, 2.5)
        # The journal: the title and one line per change of phase, none per second.
        self.assertEqual(program.stdout_lines(), [TITLE % ("Power Off", 50),
                                                  "Program Activation In 2s",
                                                  "Program Activation In 0s"])

        self.write_config(folder, StartDelay=2, LogLevel=3, ShutType=2, CPULevel=40)
        program.proc.send_signal(signal.SIGHUP)
        updated = self.wait_for_event(program, "Config", "Updated", after=run)
        self.wait_for_event(program, "Enter", "Run", after=updated, timeout=5)
        self.assertEqual(self.stop_with(program), 0)

        self.assertEqual(program.log_lines()[:3], ["Nodrel", "Version 5.5", "File Created"])
        events = program.log_events()
        runs = events[run + 1:updated]
        self.assertEqual({(e.event, e.state, e.marker) for e in runs}, {("Run", "", " ")})
        for e in runs:
            self.assertRegex(e.rest, READINGS)
        self.assertEqual([(e.event, e.state) for e in events[:run + 1] + events[updated:]],
                         [("Start", "Initialise"), ("Inactive", ""), ("Enter", "Run"),
                          ("Config", "Updated"), ("Start", "Initialise"), ("Inactive", ""),
                          ("Enter", "Run")] +
                         [("Run", "")] * (len(events) - updated - 5) + [("Exit", "Run")])
        titles = [line for line in program.stdout_lines() if line.startswith("Nodrel: ")]
        self.assertEqual(titles, [TITLE % ("Power Off", 50), TITLE % ("Reboot", 40)])


class Failures(NodreldTestCase):

    def test_a_file_or_folder_it_cannot_use_ends_it_with_status_1(self):
        missing = [CONFIG_ERROR, "The configuration file is either missing or corrupted.",
                   REINSTALL, TERMINATE]
        corrupted = [CONFIG_ERROR, "The configuration file is corrupted.", REINSTALL, TERMINATE]
        out_of_range = [CONFIG_ERROR, "The configuration file is missing or corrupted.",
                        REINSTALL, TERMINATE]
        read_error = ["Nodrel Configuration File Read Error",
                      "Unable to read the configuration file.",
                      "This may be a permissions problem.", TERMINATE]
        no_log_folder = ["Nodrel Log Directory Error", "The log directory does not exist. This",
                         "directory must be created manually if",
                         "it is not the default one. To restore",
                         "the default log directory reinstall", "the program.", TERMINATE]
        cases = [
            ("missing file", None, missing),
            ("no [Shutdown]", config_text().replace("[Shutdown]" + CRLF, ""), corrupted),
            ("AvTime=0", config_text(AvTime=0), out_of_range),
            ("CPUDelay=40000", config_text(CPUDelay=40000), read_error),
            ("no log folder", config_text(), no_log_folder),
        ]
        for name, text, expected in cases:
            with self.subTest(name):
                folder = self.installation(config=False)
                log_folder = os.path.join(folder, "Log")
                if text is not None:
                    self.write_config(folder, text)
                if expected is no_log_folder:
                    os.rmdir(log_folder)
                self.assertFatal(self.start(folder), expected)
                if expected is no_log_folder:
                    self.assertFalse(os.path.exists(log_folder), "the log folder is never made")
                else:
                    self.assertEqual(os.listdir(log_folder), [], "nothing logged")

        # A running copy told to re-read a file it cannot use ends the same way.
        folder = self.installation(StartDelay=30, LogLevel=2)
        program = self.start(folder)
        self.wait_for_event(program, "Start", "Initialise")
        log = program.log_lines()
        self.write_config(folder, AvTime=0)
        program.proc.send_signal(signal.SIGHUP)
        self.assertFatal(program, out_of_range)
        self.assertEqual(program.log_lines(), log, "nothing logged for a bad file")


class OneCopy(NodreldTestCase):

    def test_a_second_copy_is_refused_unless_it_allows_several(self):
        first = self.start_guard_holder(self.installation(StartDelay=30, LogLevel=2))
        second = self.start(self.installation(StartDelay=30, LogLevel=2), allow_multi=False)
        self.assertFatal(second, START_UP_ERROR)
        self.assertEqual(second.log_lines(), [], "a refused copy writes no log")
        third = self.start(self.installation(StartDelay=30, LogLevel=2))
        self.wait_for_event(third, "Start", "Initialise")
        for program in (first, third):
            self.assertEqual(self.stop_with(program), 0)
            last = program.log_events()[-1]
            self.assertEqual((last.event, last.state), ("Exit", "Initialise"))


if __name__ == "__main__":
    unittest.main()
