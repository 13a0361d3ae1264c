"""The whole chain from low load to the power action, with nodreld talking to a stand-in
for systemd-logind on a private message bus (tests/support/private_logind.py).

Each copy of nodreld gets its own installation folder and its own private bus; its
DBUS_SYSTEM_BUS_ADDRESS points at that bus and nowhere else. Copies that do not depend
on each other run side by side to keep the waiting short.

The countdown and the power action are the same on both roles. A slave starts its
countdown after CPUDelay seconds without word from its master, whatever else the machine
is doing, so most chains run as slaves and do not depend on an idle machine. The master's
trigger, a low processor load, is covered by its own test, which needs the machine's load
to stay below 50 % for a few seconds.
"""

import os
import signal
import subprocess
import sys
import time
import unittest

from nodreld_harness import (CRLF, Nodreld, NodreldTestCase, config_text, free_udp_port,
                             parse_log_line)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import private_logind  # noqa: E402  pylint: disable=wrong-import-position

MISSING = private_logind.missing_tools()

# The separator line after a resume: "----------" in both columns, the event column
# losing its last dash to the marker.
SEPARATOR = ("-" * 9, "-" * 10)
NOT_AUTHORISED = ("Can't enable shutdown: You do not have the privileges to shutdown this "
                  "system. [")

# ShutType: (name in the log, logind method or None)
ACTIONS = {
    1: ("Power Off", "PowerOff"),
    2: ("Reboot", "Reboot"),
    3: ("Shutdown", "Halt"),
    4: ("Monitor", None),
    5: ("Hibernate", "Hibernate"),
    6: ("Standby", "Suspend"),
}

# Reaches its countdown about 6 s after the start: 1 s of activation delay, then 5 s
# of low load (master) or of silence from the master (slave).
CHAIN_SETTINGS = dict(CMain=1, DName=1, IPAdd="", Port1=10001, AvTime=1, CPUDelay=5,
                      CPULevel=50, LogLevel=2, LogName="Nodrel.log", LogPath="Log/",
                      RunOnTop=1, StartDelay=1, StartMin=1, ShutTime=2, ShutType=1)
# A partner address on this machine's loopback network, where no master runs.
SILENT_MASTER = "127.1.1.1"

# How long a chain may take: well above the ~9 s of an idle machine, so that a busy
# moment does not fail the test, yet bounded.
CHAIN_TIMEOUT = 45.0
POLL = 0.05


def processor_times():
    """(busy, total) jiffies of all processors so far, from /proc/stat."""
    with open("/proc/stat", encoding="ascii") as f:
        fields = [int(v) for v in f.readline().split()[1:]]
    idle = fields[3] + (fields[4] if len(fields) > 4 else 0)  # idle + iowait
    return sum(fields) - idle, sum(fields)


def no_calls():
    return {method: [] for method in private_logind.POWER_METHODS}


def only_call(method):
    calls = no_calls()
    calls[method] = [[False]]
    return calls


class Chain:
    """One nodreld in its own folder, with its own private bus."""

    def __init__(self, test, shut_type, master, args=(), **settings):
        self.test = test
        self.shut_type = shut_type
        self.name, self.method = ACTIONS[shut_type]
        self.args = list(args)
        self.settings = dict(CHAIN_SETTINGS, ShutType=shut_type)
        if not master:
            self.settings.update(CMain=2, IPAdd=SILENT_MASTER, Port1=free_udp_port())
        elif shut_type == 4:
            # The monitor action needs a partner; it is on this machine's loopback.
            self.settings.update(IPAdd="127.0.0.1", Port1=free_udp_port())
        self.settings.update(settings)
        self.folder = test.new_installation()
        self.log_path = os.path.join(self.folder, "Log", "Nodrel.log")
        with open(os.path.join(self.folder, "Data", "Nodrel4.ini"), "wb") as f:
            f.write(config_text(**self.settings).encode("latin-1"))
        self.program = None
        self.logind = private_logind.PrivateLogind()
        self.logind.start()
        test.addCleanup(self.close)
        self.env = dict(test.env)
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = self.logind.address
        self.seen = {}  # (event, state) -> monotonic time it was first seen in the log

    def start(self):
        args = self.args + ["-AllowMulti"]
        self.program = Nodreld(self.folder, args, self.env, "chain%d" % self.shut_type)
        self.test.started.append(self.program)
        return self

    def close(self):
        """The program first, then its bus: it never runs without the bus it was given."""
        if self.program is not None:
            self.program.stop()
        self.logind.stop()

    def events(self):
        try:
            with open(self.log_path, "rb") as f:
                text = f.read().decode("latin-1")
        except FileNotFoundError:
            return []
        end = text.rfind(CRLF)
        lines = text[:end].split(CRLF) if end >= 0 else []
        return [(e.event, e.state) for e in map(parse_log_line, lines) if e]

    def look(self):
        """Notes when each event line first appeared; gives the events so far."""
        events = self.events()
        now = time.monotonic()
        for event in events:
            self.seen.setdefault(event, now)
        return events

    def describe(self):
        return "ShutType %d (%s)\nlog events: %s\nstderr:\n%s\nbus stand-in:\n%s" % (
            self.shut_type, self.name, self.events(),
            self.program.stderr() if self.program else "", self.logind.log())


class PowerChainTest(NodreldTestCase):

    def setUp(self):
        if MISSING:
            self.skipTest("no private bus possible: " + MISSING)
        super().setUp()

    def chain(self, shut_type, args=(), master=False, **settings):
        return Chain(self, shut_type, master, args, **settings)

    def wait_all(self, chains, done, what, timeout=CHAIN_TIMEOUT):
        """Polls every chain until done(chain, events) holds for all of them."""
        deadline = time.monotonic() + timeout
        pending = list(chains)
        while pending:
            pending = [c for c in pending if not done(c, c.look())]
            if not pending:
                return
            if time.monotonic() > deadline:
                self.fail("no %s within %.0f s:\n%s" % (
                    what, timeout, "\n\n".join(c.describe() for c in pending)))
            time.sleep(POLL)

    def assertInOrder(self, events, expected, chain):
        """`expected` occurs in `events` in this order (other lines may come between)."""
        position = 0
        for event in events:
            if position < len(expected) and event == expected[position]:
                position += 1
        self.assertEqual(position, len(expected),
                         "%s not in order in the log:\n%s" % (expected, chain.describe()))

    def assertEventuallyGone(self, chain, timeout=5.0):
        """The program ends by itself; gives its exit status."""
        try:
            return chain.program.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("nodreld still runs:\n" + chain.describe())

    # --- the real thing --------------------------------------------------------------

    def assertEndedAfterOneCall(self, chain):
        """Ended with status 0 after the chain's logind call (none for Monitor), Close
        being the last line of the log."""
        c = chain
        self.assertEqual(self.assertEventuallyGone(c), 0, c.describe())
        self.assertInOrder(c.events(), [("Enter", "Run"), ("Enter", c.name),
                                        ("Start", c.name), ("Close", c.name)], c)
        self.assertEqual(c.events()[-1], ("Close", c.name), "Close is the last line")
        expected = only_call(c.method) if c.method else no_calls()
        self.assertEqual(c.logind.all_power_calls(), expected, c.describe())
        self.assertEqual(c.program.stderr(), "", "no message on a successful action")

    def test_master_at_low_load_powers_off_or_closes_for_monitor(self):
        chains = [self.chain(t, master=True).start() for t in (1, 4)]
        busy_before, total_before = processor_times()
        try:
            self.wait_all(chains, lambda c, events: ("Close", c.name) in events or
                          not c.program.running(), "Close line")
        except AssertionError as failure:
            busy, total = processor_times()
            share = 100.0 * (busy - busy_before) / max(1, total - total_before)
            raise AssertionError("%s\nThe processors were %.0f %% busy meanwhile; the "
                                 "master needs 5 s below 50 %%." % (failure, share)) from None
        for c in chains:
            with self.subTest(shut_type=c.shut_type):
                self.assertEndedAfterOneCall(c)

    def test_power_off_reboot_and_halt_end_the_program_after_one_call(self):
        chains = [self.chain(t).start() for t in (1, 2, 3)]
        self.wait_all(chains, lambda c, events: ("Close", c.name) in events or
                      not c.program.running(), "Close line")
        for c in chains:
            with self.subTest(shut_type=c.shut_type):
                self.assertEndedAfterOneCall(c)

    def test_hibernate_and_standby_wait_for_the_resume_then_carry_on(self):
        hibernate = self.chain(5)
        standby = self.chain(6)
        # Standby resumes 2 s after its call; nothing about the resume may be logged
        # before that.
        standby.logind.resume_after("Suspend", 2.0)
        chains = [hibernate.start(), standby.start()]
        restarted = lambda c, events: events.count(SEPARATOR) >= 2
        self.wait_all(chains, restarted, "Restart line and two separators")
        for c in chains:
            with self.subTest(shut_type=c.shut_type):
                self.assertTrue(c.program.running(), "the program goes on after a resume")
                events = c.events()
                self.assertInOrder(events, [("Enter", c.name), ("Start", c.name),
                                            ("Start", "Initialise"), ("Restart", c.name),
                                            SEPARATOR, SEPARATOR], c)
                self.assertNotIn(("Close", c.name), events)
                self.assertEqual(c.logind.all_power_calls(), only_call(c.method), c.describe())
        waited = standby.seen[("Restart", "Standby")] - standby.seen[("Start", "Standby")]
        self.assertGreaterEqual(waited, 1.5, "Restart logged before the resume signal")
        # The cycle starts again: the next activation delay ends in monitoring.
        self.wait_all(chains, lambda c, events: events.count(("Enter", "Run")) >= 2,
                      "second Enter|Run", timeout=10)
        for c in chains:
            self.assertEqual(self.stop_with(c.program, signal.SIGTERM), 0, c.describe())
            self.assertEqual(c.logind.all_power_calls(), only_call(c.method),
                             "one sleep per countdown")

    def test_refused_power_off_shows_the_error_and_ends_with_status_1(self):
        cases = [
            (private_logind.NOT_AUTHORISED_INTERACTIVE, "Interactive authentication required.",
             "0x8004062E", NOT_AUTHORISED + "Interactive authentication required.]"),
            (private_logind.ACCESS_DENIED, "Permission denied",
             "0x8004062E", NOT_AUTHORISED + "Permission denied]"),
            (private_logind.OPERATION_IN_PROGRESS, "Operation already in progress",
             "0x8004062B", "ShutdownSystem failed: Operation already in progress"),
        ]
        chains = []
        for error, message, _, _ in cases:
            c = self.chain(1)
            c.logind.fail("PowerOff", error, message)
            chains.append(c.start())
        self.wait_all(chains, lambda c, events: not c.program.running(), "end of nodreld")
        for c, (error, _, number, description) in zip(chains, cases):
            with self.subTest(error=error):
                self.assertEqual(c.program.proc.returncode, 1, c.describe())
                stderr = c.program.stderr()
                self.assertIn(number, stderr)
                self.assertIn("nodreld.mShutDown", stderr)
                self.assertTrue(any(line.endswith(description) for line in stderr.splitlines()),
                                "description %r missing:\n%s" % (description, stderr))
                self.assertEqual(c.logind.all_power_calls(), only_call("PowerOff"),
                                 "called once, not retried")
                events = c.events()
                self.assertEqual(events[-1], ("Start", "Power Off"),
                                 "nothing logged for the failure")

    # --- simulated and cancelled ---------------------------------------------------------

    def test_inhibit_shutdown_simulates_without_any_call(self):
        chains = [self.chain(t, ["-InhibitShutdown"]).start() for t in (1, 6)]
        power_off, standby = chains
        self.wait_all(chains, lambda c, events: (c.name, "Simulate") in events and (
            ("Close", c.name) in events or events.count(SEPARATOR) >= 2),
            "simulated ending")
        self.assertEqual(self.assertEventuallyGone(power_off), 0, power_off.describe())
        self.assertInOrder(power_off.events(), [("Enter", "Power Off"),
                                                ("Power Off", "Simulate"),
                                                ("Close", "Power Off")], power_off)
        self.assertTrue(standby.program.running())
        self.assertInOrder(standby.events(), [("Enter", "Standby"), ("Standby", "Simulate"),
                                              ("Restart", "Standby")], standby)
        self.assertEqual(self.stop_with(standby.program, signal.SIGTERM), 0)
        for c in chains:
            self.assertNotIn(("Start", c.name), c.events(), "a simulation starts nothing")
            self.assertEqual(c.logind.all_power_calls(), no_calls(), c.describe())

    def test_reset_signal_cancels_the_countdown(self):
        # The power off would come 4 s after the countdown starts; the cycle begun by the
        # reset needs at least 1 + 5 s to reach a new countdown, and 4 s more to act.
        c = self.chain(1, ShutTime=4).start()
        self.wait_all([c], lambda _, events: ("Enter", "Power Off") in events,
                      "countdown")
        c.program.signal(signal.SIGUSR1)
        self.wait_all([c], lambda _, events: ("Reset", "Power Off") in events, "Reset line",
                      timeout=5)
        entered = c.seen[("Enter", "Power Off")]
        # Past the moment the cancelled countdown would have acted, with a margin, and
        # before the new one can.
        time.sleep(max(0.0, entered + 6.5 - time.monotonic()))
        self.assertTrue(c.program.running(), c.describe())
        events = c.events()
        self.assertInOrder(events, [("Enter", "Power Off"), ("Reset", "Power Off"),
                                    ("Start", "Initialise")], c)
        self.assertNotIn(("Start", "Power Off"), events)
        self.assertEqual(c.logind.all_power_calls(), no_calls(), c.describe())
        self.assertEqual(self.stop_with(c.program, signal.SIGTERM), 0)


if __name__ == "__main__":
    unittest.main()
