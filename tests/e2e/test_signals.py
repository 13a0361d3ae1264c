"""Signals: SIGTERM and SIGINT close nodreld like the Exit button, SIGHUP re-reads the
configuration file like closing the configuration window after a save."""

import signal
import time
import unittest

from nodreld_harness import (CRLF, READINGS, NodreldTestCase, config_lines, config_text,
                             expected_listing, parse_log_line)


class ExitSignals(NodreldTestCase):

    def exit_in_phase(self, signum, phase):
        # A long activation delay keeps the program in Initialise; a short one lets it
        # reach Run.
        self.write_config(LogLevel=2, StartDelay=60 if phase == "Initialise" else 1)
        program = self.start()
        if phase == "Initialise":
            self.wait_for_event(program, "Start", "Initialise", timeout=3)
        else:
            self.wait_for_event(program, "Enter", "Run", timeout=4)
        self.assertEqual(self.stop_with(program, signum, timeout=3), 0)
        self.assertEqual(program.stderr(), "")
        self.assertNothingRunningHere()
        last = self.log_events()[-1]
        self.assertEqual((last.event, last.state), ("Exit", phase))
        self.assertEqual(self.log_lines()[-1], last.raw, "nothing is written after Exit")

    def test_sigterm_in_activation_delay(self):
        self.exit_in_phase(signal.SIGTERM, "Initialise")

    def test_sigint_in_activation_delay(self):
        self.exit_in_phase(signal.SIGINT, "Initialise")

    def test_sigterm_while_monitoring(self):
        self.exit_in_phase(signal.SIGTERM, "Run")

    def test_sigint_while_monitoring(self):
        self.exit_in_phase(signal.SIGINT, "Run")

    def test_exit_at_level_none_writes_nothing(self):
        self.write_config(LogLevel=1, StartDelay=60)
        program = self.start()
        self.wait_for_stdout(program, lambda line: line.startswith("Program Activation"),
                             timeout=3)
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        self.assertFalse(self.read_log(), "no log at level None")


class ReloadSignal(NodreldTestCase):

    def start_and_reach_run(self, **settings):
        self.write_config(**settings)
        program = self.start()
        self.wait_for_event(program, "Enter", "Run", timeout=4)
        return program

    def test_changed_file_is_read_again_and_the_cycle_restarts(self):
        program = self.start_and_reach_run(StartDelay=2, LogLevel=3, CPULevel=50)
        self.wait_for_event(program, "Run", "", timeout=3)
        self.write_config(StartDelay=2, LogLevel=3, CPULevel=40)
        before = len(self.log_lines())
        program.signal(signal.SIGHUP)
        reloaded_at = time.monotonic()

        start_index = self.wait_for_event(program, "Config", "Updated", timeout=3)
        run_index = self.wait_for_event(program, "Enter", "Run", after=start_index, timeout=4)
        entered_run_at = time.monotonic()
        self.assertTrue(program.running())
        # A new activation delay of StartDelay seconds.
        self.assertGreater(entered_run_at - reloaded_at, 1.75)
        self.assertLess(entered_run_at - reloaded_at, 2.9)

        lines = self.log_lines()[before:]
        # A Run line of the old cycle may have been written just before the signal.
        while parse_log_line(lines[0]).event == "Run":
            lines.pop(0)
        config = parse_log_line(lines[0])
        self.assertEqual((config.event, config.state), ("Config", "Updated"), lines[0])
        listing = expected_listing(StartDelay=2, LogLevel=3, CPULevel=40)
        self.assertEqual(lines[1:2 + len(listing)], [""] + listing)
        self.assertEqual(lines[2 + len(listing)], "")
        events = [parse_log_line(line) for line in lines[3 + len(listing):]]
        self.assertNotIn(None, events)
        self.assertEqual([(e.event, e.state, e.count) for e in events[:3]],
                         [("Start", "Initialise", 2), ("Inactive", "", 1), ("Enter", "Run", 0)])
        # The readings start again from nothing.
        self.assertEqual(events[0].rest, ", CPU: ..., Av CPU: ...")

        # The new level is in force: the count restarts below 40 %, not below 50 %.
        self.wait_for_event(program, "Run", "", after=run_index, timeout=3)
        first_run = [e for e in self.log_events()[run_index:] if e.event == "Run"][0]
        average = int(READINGS.match(first_run.rest).group(2).rstrip("%"))
        self.assertEqual(first_run.count, 1 if average < 40 else 0, first_run.raw)

        titles = [line for line in program.stdout_lines() if line.startswith("Nodrel: ")]
        self.assertEqual(titles, [
            "Nodrel: Power Off the computer if CPU load is below 50% for over 1800 sec",
            "Nodrel: Power Off the computer if CPU load is below 40% for over 1800 sec"])
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

    def test_lower_log_level_takes_effect_after_reload(self):
        program = self.start_and_reach_run(StartDelay=2, LogLevel=3)
        self.write_config(StartDelay=2, LogLevel=2)
        before = len(self.log_lines())
        program.signal(signal.SIGHUP)
        self.wait_for_event(program, "Enter", "Run", after=len(self.log_events()), timeout=4)
        time.sleep(1.5)  # monitoring seconds, which level Normal does not log
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        after_reload = [parse_log_line(line) for line in self.log_lines()[before:]]
        # Run lines of the old level may have been written just before the signal.
        while after_reload and after_reload[0] and after_reload[0].event == "Run":
            after_reload.pop(0)
        self.assertNotIn(None, after_reload, "no listing below level Full")
        self.assertEqual([(e.event, e.state) for e in after_reload],
                         [("Config", "Updated"), ("Start", "Initialise"), ("Enter", "Run"),
                          ("Exit", "Run")])
        for e in after_reload:
            self.assertEqual(e.rest, "")

    def broken_reload(self, broken_text, expected_stderr):
        program = self.start_and_reach_run(StartDelay=1, LogLevel=2)
        log_before = self.read_log()
        self.write_config_text(broken_text)
        program.signal(signal.SIGHUP)
        self.assertEqual(program.wait(timeout=3), 1)
        self.assertEqual(program.stderr_lines(), expected_stderr)
        self.assertNothingRunningHere()
        self.assertEqual(self.read_log(), log_before, "nothing is logged for a bad file")

    def test_reload_of_a_corrupted_file_ends_the_program(self):
        lines = [line for line in config_lines() if line != "[Shutdown]"]
        self.broken_reload(CRLF.join(lines) + CRLF,
                           ["Nodrel Configuration File Error",
                            "The configuration file is corrupted.",
                            "Reinstall the program to restore the file.",
                            "The program will now terminate."])

    def test_reload_of_an_out_of_range_file_ends_the_program(self):
        lines = ["AvTime=0" if line.startswith("AvTime=") else line
                 for line in config_lines(StartDelay=1, LogLevel=2)]
        self.broken_reload(CRLF.join(lines) + CRLF,
                           ["Nodrel Configuration File Error",
                            "The configuration file is missing or corrupted.",
                            "Reinstall the program to restore the file.",
                            "The program will now terminate."])

    def test_reload_naming_a_missing_log_folder_ends_the_program(self):
        self.broken_reload(config_text(StartDelay=1, LogLevel=2, LogPath="Gone/"),
                           ["Nodrel Log Directory Error",
                            "The log directory does not exist. This",
                            "directory must be created manually if",
                            "it is not the default one. To restore",
                            "the default log directory reinstall",
                            "the program.",
                            "The program will now terminate."])


if __name__ == "__main__":
    unittest.main()
