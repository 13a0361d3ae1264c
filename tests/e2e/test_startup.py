"""Start-up of nodreld with a usable configuration: the log it writes at each level, the
activation delay and the move into monitoring, and the command-line switches."""

import os
import signal
import time
import unittest

from nodreld_harness import (CRLF, PERCENT, READINGS, STAMP, NodreldTestCase,
                             expected_listing, parse_log_line)

CREATION_HEADER = ["Nodrel", "Version 5.5", "File Created"]
BLANK_READINGS = ", CPU: ..., Av CPU: ..."


class FullLevelStartUp(NodreldTestCase):

    def test_runs_into_monitoring_and_logs_every_step_in_order(self):
        self.write_config(StartDelay=2, LogLevel=3, CPUDelay=1800, CPULevel=50)
        program = self.start()

        start_index = self.wait_for_event(program, "Start", "Initialise", timeout=3)
        started_at = time.monotonic()
        run_index = self.wait_for_event(program, "Enter", "Run", after=start_index)
        entered_run_at = time.monotonic()
        # Three seconds of monitoring.
        self.wait_until(
            lambda: len([e for e in self.log_events()[run_index:] if e.event == "Run"]) >= 3,
            5, "three Run lines", program)
        third_run_at = time.monotonic()
        self.assertTrue(program.running())
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

        # The activation delay lasts StartDelay seconds from the "Start" line, and the
        # load is checked once a second.
        self.assertGreater(entered_run_at - started_at, 1.75)
        self.assertLess(entered_run_at - started_at, 2.8)
        self.assertGreater(third_run_at - entered_run_at, 2.75)

        text = self.read_log()
        self.assertNotIn("\n", text.replace(CRLF, ""), "every line ends with CR LF")
        lines = self.log_lines()

        # Creation header of the new file, then two empty lines.
        self.assertEqual(lines[0:3], CREATION_HEADER)
        self.assertRegex(lines[3], STAMP)
        self.assertEqual(lines[4:6], ["", ""])
        # Start header with the configuration listing.
        listing = expected_listing(StartDelay=2, LogLevel=3, CPUDelay=1800, CPULevel=50)
        header_end = 8 + len(listing)
        self.assertEqual(lines[6:8], ["Nodrel", "Version 5.5"])
        self.assertEqual(lines[8:header_end], listing)
        self.assertEqual(lines[header_end], "")

        events = [parse_log_line(line) for line in lines[header_end + 1:]]
        self.assertNotIn(None, events, "only event lines follow the header")
        self.assertEqual([(e.event, e.state, e.count) for e in events[:3]],
                         [("Start", "Initialise", 2), ("Inactive", "", 1), ("Enter", "Run", 0)])
        for e in events[:3]:
            self.assertEqual(e.rest, BLANK_READINGS)
        for e in events:
            self.assertEqual(e.marker, " ", e.raw)

        monitoring = events[3:-1]
        self.assertGreaterEqual(len(monitoring), 3)
        self.assertEqual(events[-1][2:4], ("Exit", "Run"))
        previous_count = 0
        for e in monitoring:
            self.assertEqual((e.event, e.state), ("Run", ""), e.raw)
            readings = READINGS.match(e.rest)
            self.assertIsNotNone(readings, e.raw)
            load, average = readings.groups()
            self.assertRegex(load, PERCENT)
            self.assertRegex(average, PERCENT)
            # The count grows while the average stays below CPULevel and drops to 0 on a
            # second at or above it.
            below = int(average.rstrip("%")) < 50
            self.assertEqual(e.count, previous_count + 1 if below else 0, e.raw)
            previous_count = e.count

    def test_average_of_one_second_equals_the_reading(self):
        self.write_config(StartDelay=1, AvTime=1)
        program = self.start()
        run_index = self.wait_for_event(program, "Enter", "Run", timeout=4)
        self.wait_until(
            lambda: len([e for e in self.log_events()[run_index:] if e.event == "Run"]) >= 2,
            4, "two Run lines", program)
        runs = [e for e in self.log_events()[run_index:] if e.event == "Run"]
        for e in runs:
            load, average = READINGS.match(e.rest).groups()
            self.assertEqual(load, average, e.raw)


class NormalAndNoneLevels(NodreldTestCase):

    def test_normal_level_logs_only_the_changes_of_phase(self):
        self.write_config(StartDelay=2, LogLevel=2)
        program = self.start()
        self.wait_for_event(program, "Enter", "Run", timeout=4)
        time.sleep(2.2)  # two seconds of monitoring, which Full would log
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

        lines = self.log_lines()
        self.assertEqual(lines[0:3], CREATION_HEADER)
        self.assertRegex(lines[3], STAMP)
        # No configuration listing at this level.
        self.assertEqual(lines[4:9], ["", "", "Nodrel", "Version 5.5", ""])
        events = [parse_log_line(line) for line in lines[9:]]
        self.assertEqual([(e.event, e.state) for e in events],
                         [("Start", "Initialise"), ("Enter", "Run"), ("Exit", "Run")])
        for e in events:
            self.assertEqual(e.rest, "", "no readings below level Full")

    def test_none_level_never_touches_the_log_folder(self):
        os.rmdir(self.log_dir)
        self.write_config(StartDelay=1, LogLevel=1)
        program = self.start()
        # The activation delay runs out and monitoring starts without any log.
        self.wait_for_stdout(program, lambda line: line == "Program Activation In 0s",
                             timeout=4, what="the move into monitoring")
        time.sleep(1.2)
        self.assertTrue(program.running())
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        self.assertEqual(program.stderr(), "")
        self.assertFalse(os.path.exists(self.log_dir))


class LogFileAcrossRuns(NodreldTestCase):

    def run_once(self):
        written = len(self.log_events())
        program = self.start()
        self.wait_for_event(program, "Start", "Initialise", after=written, timeout=3)
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

    def test_second_run_appends_its_start_header_to_the_existing_file(self):
        self.write_config(StartDelay=30, LogLevel=2)
        self.run_once()
        self.run_once()

        lines = self.log_lines()
        self.assertEqual(lines[0:3], CREATION_HEADER)
        run_block = ["", "", "Nodrel", "Version 5.5", "", ("Start", "Initialise"),
                     ("Exit", "Initialise")]
        shown = []
        for line in lines[4:]:
            e = parse_log_line(line)
            shown.append((e.event, e.state) if e else line)
        self.assertEqual(shown, run_block + run_block)

    def test_existing_log_is_left_as_it_was_and_only_appended_to(self):
        earlier = b"an earlier run's log\r\n"
        with open(self.log_path, "wb") as f:
            f.write(earlier)
        self.write_config(StartDelay=30, LogLevel=2)
        self.run_once()
        with open(self.log_path, "rb") as f:
            content = f.read()
        self.assertTrue(content.startswith(earlier + b"\r\n\r\nNodrel\r\nVersion 5.5\r\n"),
                        content)
        self.assertNotIn(b"File Created", content)


class LogFolderSettings(NodreldTestCase):

    def test_log_folder_may_be_written_with_either_separator_or_left_empty(self):
        for log_path in ("Log\\", "Log/", "", None):
            with self.subTest(LogPath=log_path):
                self.new_installation()
                if log_path is None:
                    log_path = os.path.join(self.folder, "Elsewhere") + os.sep
                    os.mkdir(log_path)
                    expected_file = os.path.join(log_path, "Nodrel.log")
                else:
                    expected_file = self.log_path
                self.write_config(StartDelay=30, LogLevel=2, LogPath=log_path)
                program = self.start()
                self.wait_until(lambda: os.path.exists(expected_file), 3,
                                "the log file " + expected_file, program)
                self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
                with open(expected_file, "rb") as f:
                    lines = f.read().decode("latin-1").split(CRLF)
                events = [e for e in map(parse_log_line, lines) if e]
                self.assertEqual([(e.event, e.state) for e in events],
                                 [("Start", "Initialise"), ("Exit", "Initialise")])

    def test_log_name_is_taken_from_the_file(self):
        self.write_config(StartDelay=30, LogLevel=2, LogName="machine-room.txt")
        program = self.start()
        self.log_path = os.path.join(self.log_dir, "machine-room.txt")
        self.wait_for_event(program, "Start", "Initialise", timeout=3)
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        self.assertEqual(os.listdir(self.log_dir), ["machine-room.txt"])


class InhibitShutdownSwitch(NodreldTestCase):

    TITLE = "Nodrel: Power Off the computer if CPU load is below 50% for over %s sec"

    def first_stdout_line(self, *args):
        program = self.start(*args)
        lines = self.wait_for_stdout(program, lambda line: line.startswith("Nodrel: "),
                                     timeout=3, what="the title line")
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        return lines[0]

    def test_switch_first_shortens_the_trigger_delay_to_six_seconds(self):
        self.write_config(StartDelay=30, CPUDelay=1800)
        with open(self.config_path, "rb") as f:
            before = f.read()
        self.assertEqual(self.first_stdout_line("-InhibitShutdown"),
                         self.TITLE.replace("%s", "6"))
        # Only the running program's copy of the settings changes.
        with open(self.config_path, "rb") as f:
            self.assertEqual(f.read(), before)

    def test_switch_elsewhere_or_in_other_case_is_ignored(self):
        self.write_config(StartDelay=30, CPUDelay=1200)
        for args in (("-inhibitshutdown",), ("now", "-InhibitShutdown")):
            with self.subTest(args=args):
                self.assertEqual(self.first_stdout_line(*args),
                                 self.TITLE.replace("%s", "1200"))


if __name__ == "__main__":
    unittest.main()
