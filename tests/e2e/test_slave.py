"""The slave role: counting the seconds without word from the master, and the settings a
slave cannot work with, which leave nodreld running but idle until they are changed."""

import signal
import time
import unittest

from nodreld_harness import (CRLF, NodreldTestCase, expected_listing, free_udp_port,
                             parse_log_line)

# A partner on this machine's loopback network: a field of 0 is not a valid address.
PARTNER = "127.1.1.1"


class UnconfiguredSlave(NodreldTestCase):

    def setUp(self):
        super().setUp()
        self.SETTINGS = dict(CMain=2, IPAdd=PARTNER, ShutType=4, StartDelay=1, LogLevel=3,
                             Port1=free_udp_port())

    def test_monitor_action_on_a_slave_leaves_it_idle(self):
        self.write_config(**self.SETTINGS)
        program = self.start()
        self.wait_for_event(program, "UnConfig", "********", timeout=3)
        # Well past the activation delay: a configured copy would be monitoring by now.
        time.sleep(2.5)
        self.assertTrue(program.running())

        lines = self.log_lines()
        self.assertEqual(lines[0:3], ["Nodrel Slave", "Version 5.5", "File Created"])
        listing = expected_listing(**self.SETTINGS)
        self.assertEqual(lines[4:8], ["", "", "Nodrel Slave", "Version 5.5"])
        self.assertEqual(lines[8:8 + len(listing)], listing)
        events = [e for e in map(parse_log_line, lines) if e]
        self.assertEqual([(e.event, e.state) for e in events], [("UnConfig", "********")])
        self.assertEqual(events[0].rest, ", Comms: ....")

        self.assertIn("Nodrel Slave: Click Configure To Set Up Nodrel Slave",
                      program.stdout_lines())
        self.assertFalse([line for line in program.stdout_lines()
                          if line.startswith("Program Activation")])

        # Closing an unconfigured copy is not logged.
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        self.assertEqual(self.log_lines(), lines)

    def test_reload_with_usable_settings_starts_the_cycle(self):
        self.write_config(**self.SETTINGS)
        program = self.start()
        self.wait_for_event(program, "UnConfig", "********", timeout=3)
        self.write_config(**dict(self.SETTINGS, ShutType=1, LogLevel=2))
        program.signal(signal.SIGHUP)
        self.wait_for_event(program, "Enter", "Run", timeout=4)
        events = [(e.event, e.state) for e in self.log_events()]
        self.assertEqual(events, [("UnConfig", "********"), ("Config", "Updated"),
                                  ("Start", "Initialise"), ("Enter", "Run")])
        titles = [line for line in program.stdout_lines() if line.startswith("Nodrel Slave: ")]
        self.assertEqual(titles[-1], "Nodrel Slave: Power Off the computer if communications "
                                     "are lost for over 1800 sec")
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

    def test_slave_without_a_partner_address_is_idle_too(self):
        self.write_config(CMain=2, IPAdd="", ShutType=1, StartDelay=1, LogLevel=2,
                          Port1=free_udp_port())
        program = self.start()
        self.wait_for_event(program, "UnConfig", "********", timeout=3)
        time.sleep(1.6)
        self.assertEqual([(e.event, e.state) for e in self.log_events()],
                         [("UnConfig", "********")])
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)


class SlaveWithoutMaster(NodreldTestCase):

    def test_counts_every_second_without_word_from_the_master(self):
        self.write_config(CMain=2, IPAdd=PARTNER, StartDelay=1, LogLevel=3,
                          Port1=free_udp_port())
        program = self.start()
        run_index = self.wait_for_event(program, "Enter", "Run", timeout=3)
        self.wait_until(
            lambda: len([e for e in self.log_events()[run_index:] if e.event == "Run"]) >= 3,
            5, "three Run lines", program)
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)

        events = self.log_events()
        self.assertEqual([(e.event, e.state) for e in events[:2]],
                         [("Start", "Initialise"), ("Enter", "Run")])
        runs = [e for e in events if e.event == "Run"]
        self.assertEqual([e.count for e in runs[:3]], [1, 2, 3])
        for e in events:
            self.assertRegex(e.rest, r"^, Comms: (\.\.\.\.|Fail)$")
        # After the first check the link counts as failed.
        for e in runs[1:]:
            self.assertEqual(e.rest, ", Comms: Fail")
        self.assertIn(CRLF + "IPAdd=" + PARTNER + CRLF, self.read_log())


if __name__ == "__main__":
    unittest.main()
