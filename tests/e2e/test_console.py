"""nodreld's standard output when it is not a terminal (a service's journal): a line when
the title changes and when the phase changes, nothing for an ordinary second."""

import signal
import time
import unittest

from nodreld_harness import NodreldTestCase

TITLE = "Nodrel: Power Off the computer if CPU load is below 50% for over 1800 sec"


class Journal(NodreldTestCase):

    def test_quiet_while_monitoring(self):
        self.write_config(StartDelay=2, LogLevel=3)
        program = self.start()
        run_index = self.wait_for_event(program, "Enter", "Run", timeout=4)
        self.wait_for_event(program, "Run", "", after=run_index, timeout=3)
        at_run = program.stdout_lines()
        self.assertEqual(at_run[0], TITLE)
        self.assertIn("Program Activation In 2s", at_run)

        # Six seconds of monitoring, each one logged, none printed.
        deadline = time.monotonic() + 6
        while time.monotonic() < deadline:
            time.sleep(0.5)
            self.assertEqual(program.stdout_lines(), at_run)
        seconds_logged = [e for e in self.log_events()[run_index:] if e.event == "Run"]
        self.assertGreaterEqual(len(seconds_logged), 6)
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

    def test_activation_seconds_are_not_printed_one_by_one(self):
        self.write_config(StartDelay=4, LogLevel=2)
        program = self.start()
        self.wait_for_stdout(program, lambda line: line == TITLE, timeout=3)
        time.sleep(2.6)  # two activation seconds, still in Initialise
        self.assertEqual(program.stdout_lines(), [TITLE, "Program Activation In 4s"])
        # The move into monitoring is a change of phase: one more line.
        self.wait_for_event(program, "Enter", "Run", timeout=3)
        self.wait_until(lambda: len(program.stdout_lines()) > 2, 1, "the phase line", program)
        time.sleep(0.3)
        self.assertEqual(len(program.stdout_lines()), 3, program.stdout())
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

    def test_new_title_after_reload(self):
        self.write_config(StartDelay=30, LogLevel=2, ShutType=2, CPUDelay=900)
        program = self.start()
        self.wait_for_event(program, "Start", "Initialise", timeout=3)
        self.write_config(StartDelay=30, LogLevel=2, ShutType=4, CPUDelay=900, CPULevel=25,
                          IPAdd="127.1.1.1")
        program.signal(signal.SIGHUP)
        self.wait_for_event(program, "Config", "Updated", timeout=3)
        titles = self.wait_until(
            lambda: [l for l in program.stdout_lines() if l.startswith("Nodrel: ")][1:] and
            [l for l in program.stdout_lines() if l.startswith("Nodrel: ")],
            2, "the second title line", program)
        self.assertEqual(titles, [
            "Nodrel: Reboot the computer if CPU load is below 50% for over 900 sec",
            "Nodrel: Monitor the CPU load until it has been below 25% for over 900 sec"])
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

    def test_reload_while_monitoring_prints_the_new_activation_delay(self):
        self.write_config(StartDelay=2, LogLevel=2)
        program = self.start()
        self.wait_for_event(program, "Enter", "Run", timeout=4)
        self.wait_until(lambda: len(program.stdout_lines()) == 3, 1, "the phase line", program)
        program.signal(signal.SIGHUP)  # same file: the title stays
        start_index = self.wait_for_event(program, "Config", "Updated", timeout=3)
        self.wait_for_event(program, "Enter", "Run", after=start_index, timeout=4)
        time.sleep(0.3)
        lines = program.stdout_lines()
        self.assertEqual(lines[0], TITLE)
        self.assertEqual(lines.count(TITLE), 1, "the title did not change")
        self.assertEqual(len(lines), 5, program.stdout())
        self.assertEqual(lines[3], "Program Activation In 2s")
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

    def test_inhibit_switch_holds_across_a_reload(self):
        self.write_config(StartDelay=30, LogLevel=2, CPUDelay=1800)
        program = self.start("-InhibitShutdown")
        self.wait_for_event(program, "Start", "Initialise", timeout=3)
        program.signal(signal.SIGHUP)
        self.wait_for_event(program, "Start", "Initialise", after=1, timeout=3)
        time.sleep(0.2)
        titles = [line for line in program.stdout_lines() if line.startswith("Nodrel: ")]
        self.assertEqual(titles, [TITLE.replace("1800 sec", "6 sec")])
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)


if __name__ == "__main__":
    unittest.main()
