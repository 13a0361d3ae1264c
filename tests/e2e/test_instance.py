"""One copy of Nodrel per machine: a second start is refused unless it ends its command
line with -AllowMulti.

The guard is machine-wide. These tests hold it themselves, as a running copy would, and
every other e2e test runs its copies with -AllowMulti, so the tests may run side by side."""

import os
import signal
import time
import unittest

from nodreld_harness import (START_UP_ERROR, GuardHeld, NodreldTestCase, guard_is_free)


class SecondCopyWhileGuardHeld(NodreldTestCase):

    def setUp(self):
        super().setUp()
        self.write_config(StartDelay=30, LogLevel=2)

    def assertRefused(self, program):
        self.assertEqual(program.proc.returncode, 1, program.stderr())
        self.assertEqual(program.stderr_lines(), START_UP_ERROR)
        self.assertEqual(program.stdout(), "")
        self.assertEqual(os.listdir(self.log_dir), [], "a refused copy writes no log")
        self.assertNothingRunningHere()

    def test_plain_start_is_refused(self):
        with GuardHeld():
            program = self.run_to_end(allow_multi=False)
        self.assertRefused(program)

    def test_allow_multi_must_be_the_exact_last_argument(self):
        with GuardHeld():
            for args in (("-allowmulti",), ("-AllowMulti", "now"), ("-AllowMultiple",)):
                with self.subTest(args=args):
                    self.new_installation()
                    self.write_config(StartDelay=30, LogLevel=2)
                    program = self.run_to_end(*args, allow_multi=False)
                    self.assertRefused(program)

    def test_allow_multi_runs_beside_the_holder(self):
        with GuardHeld():
            program = self.start("-InhibitShutdown")  # both switches in their places
            self.wait_for_event(program, "Start", "Initialise", timeout=3)
            titles = self.wait_for_stdout(program, lambda line: line.startswith("Nodrel: "),
                                          timeout=2)
            self.assertTrue(titles[0].endswith(" for over 6 sec"), titles[0])
            self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        self.assertEqual(program.stderr(), "")


class SecondCopyWhileNodreldRuns(NodreldTestCase):

    def start_guard_holder(self):
        """A nodreld without -AllowMulti that got the guard. A copy from a test running
        alongside may take the guard between our release and the start; then try again."""
        for _ in range(20):
            with GuardHeld():
                pass
            first = self.start(allow_multi=False)
            self.wait_until(lambda: self.log_events() or not first.running(), 3,
                            "the first copy to start or to be refused")
            if first.running():
                return first
            self.assertEqual(first.stderr_lines(), START_UP_ERROR)
        self.fail("the guard was never free long enough to start a first copy")

    def test_running_copy_refuses_a_second_and_frees_the_guard_when_it_ends(self):
        self.write_config(StartDelay=30, LogLevel=2)
        first = self.start_guard_holder()
        first_folder = self.folder

        self.new_installation()
        self.write_config(StartDelay=30, LogLevel=2)
        second = self.run_to_end(allow_multi=False)
        self.assertEqual(second.proc.returncode, 1)
        self.assertEqual(second.stderr_lines(), START_UP_ERROR)
        self.assertEqual(os.listdir(self.log_dir), [])

        self.new_installation()
        self.write_config(StartDelay=30, LogLevel=2)
        third = self.start()
        self.wait_for_event(third, "Start", "Initialise", timeout=3)
        self.assertTrue(first.running())

        # The first copy is untouched by the others.
        self.assertEqual(self.stop_with(first, signal.SIGTERM), 0)
        self.assertEqual(self.stop_with(third, signal.SIGTERM), 0)
        self.assertNothingRunningHere(first_folder)

        # With the first copy gone, the guard is free again (copies of tests running
        # alongside may hold it for a moment: wait for a free instant).
        deadline = time.monotonic() + 20
        while not guard_is_free():
            self.assertLess(time.monotonic(), deadline, "the guard stays taken")
            time.sleep(0.02)


if __name__ == "__main__":
    unittest.main()
