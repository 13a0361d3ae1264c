"""From the countdown to the power action, each nodreld with a logind stand-in of its own
(tests/support/private_logind.py). Every method, the error mapping and the wait for the
resume: tests/integration; the load trigger and the cycle after a resume: unit tests."""

import os
import select
import signal
import struct
import subprocess
import tempfile
import time
import unittest

from nodreld_harness import NodreldTestCase

import private_logind


class PowerChainTest(NodreldTestCase):

    # A slave powers off, or reports a refusal and ends with 1 (the other refusals and
    # their numbers: tests/integration).
    def test_slave_powers_off_or_reports_the_refusal(self):
        ended = self.chain(1)
        refused = self.chain(1, "fail", private_logind.ACCESS_DENIED, "Permission denied")
        self.wait_until(lambda: not ended.running() and not refused.running(),
                        "both chains at their end", 60)

        self.assertEqual(ended.wait(), 0, self.describe())
        self.assertEqual([(e.event, e.state) for e in ended.log_events()][-3:], [
            ("Enter", "Power Off"), ("Start", "Power Off"), ("Close", "Power Off")])
        self.assertEqual(ended.output(2), [])

        self.assertEqual(refused.wait(), 1, self.describe())
        self.assertEqual(refused.output(2), [
            "Nodrel Slave Error", "Error Number: 0x8004062E", "Source: nodreld.mShutDown",
            "Error description: Can't enable shutdown: You do not have the privileges to "
            "shutdown this system. [Permission denied]", "The program will now terminate."])

    # While it waits for the resume the watchdog is fed, and SIGTERM ends it within a second
    # as Exit does.
    def test_waiting_for_the_resume_it_stays_alive_and_heeds_sigterm(self):
        waiting = self.chain(6, "resume", "never", notify=True)
        self.wait_until(lambda: waiting.logind.ask("calls") == "Suspend(false)", "the standby",
                        30, waiting)
        before = len(waiting.notify.messages())
        time.sleep(3)  # at least one a second, with room for a loaded machine
        self.assertGreaterEqual(waiting.notify.messages()[before:].count("WATCHDOG=1"), 3)
        self.assertEqual(self.stop_with(waiting, timeout=1.0), 0, self.describe())
        self.assertEqual(waiting.output(2), [])
        last = waiting.log_events()[-1]
        self.assertEqual((last.event, last.state), ("Exit", "Initialise"))

    # Everyone logged in hears of a real countdown on their terminal, and of its cancellation
    # by Reset: here the test's pseudo-terminal, in session records of its own (/run is
    # private to the program's mount namespace).
    def test_logged_in_terminals_hear_of_the_countdown_and_its_cancellation(self):
        reader, terminal = os.openpty()
        for fd in (reader, terminal):
            self.addCleanup(os.close, fd)
        line = os.ttyname(terminal)[len("/dev/"):].encode()
        records = tempfile.NamedTemporaryFile(prefix="nodrel-e2e-utmp-")
        self.addCleanup(records.close)
        records.write(struct.pack("<h2xi32s4s32s256shhiii4i20s", 7, os.getpid(),  # a log-in
                                  line, b"e2e", b"tester", b"", 0, 0, 0, 0, 0, 0, 0, 0, 0, b""))
        records.flush()
        prefix = ["unshare", "-m", "sh", "-c",
                  'mount -t tmpfs tmpfs /run && cp "$0" /run/utmp && exec "$@"', records.name]
        if os.geteuid() != 0 or subprocess.run(prefix + ["true"]).returncode != 0:
            self.skipTest("a private mount namespace needs root")
        program = self.chain(1, prefix=prefix, ShutTime=30)
        self.assertEqual(read_lines(reader, "nodreld."), [
            "Nodrel: this computer will power off in 30 s (no word from the master for 5 s). "
            "To cancel: sudo systemctl kill -s USR1 nodreld."])
        program.proc.send_signal(signal.SIGUSR1)
        self.assertEqual(read_lines(reader, "cancelled."), ["Nodrel: power off cancelled."])
        self.assertEqual(program.logind.ask("calls"), "")


def read_lines(fd, last):
    """The lines read from a pseudo-terminal up to the one ending with `last`."""
    text = ""
    while not text.rstrip().endswith(last):
        if not select.select([fd], [], [], 20)[0]:
            raise AssertionError("no %r on the terminal; read %r" % (last, text))
        text += os.read(fd, 4096).decode()
    return [line.strip() for line in text.split("\n") if line.strip()]


if __name__ == "__main__":
    unittest.main()
