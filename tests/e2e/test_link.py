"""The link between two copies of nodreld over real UDP: a master's keep-alive keeps its
slave running, the master's silence makes the slave count down and carry out its action,
and the master's Reset and Test buttons act on the slave as well.

Everything travels over loopback, except in LinkAcrossNamespaces, where master and slave
live in two network namespaces made for the test and joined by a veth pair.

Every slave runs with -InhibitShutdown, so its action is only simulated (and its silence
limit and countdown are 6 seconds each); every master has CPUDelay=1800 and CPULevel=5,
so it never starts a countdown of its own within a test.
"""

import errno
import os
import shutil
import signal
import socket
import subprocess
import threading
import time
import unittest
import uuid

from nodreld_harness import CRLF, NodreldTestCase, parse_log_line

LOOPBACK = "127.0.0.1"
KEEP_ALIVE = b"<COA100>"
RESTARTED = b"<C0A000>"  # the master's first message after its cycle restarts
RESET = b"<COC000>"
TEST = b"<COT000>"
JUNK = b"junk"

# With -InhibitShutdown a slave acts after 6 silent seconds: the check seconds of that
# silence count 1 to 5, and the sixth enters the countdown.
SILENT_COUNTS = [1, 2, 3, 4, 5]
SIMULATED_MESSAGE = ["Nodrel Slave Simulate Power Off", "Test Real Power Off"]


def free_udp_port():
    """A UDP port nothing on this machine is bound to at the moment."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("", 0))
        return probe.getsockname()[1]


class Side:
    """One installation of a linked pair, and the copy of nodreld started in it."""

    def __init__(self, name, folder, log_path):
        self.name = name
        self.folder = folder
        self.log_path = log_path
        self.program = None

    def log_text(self):
        try:
            with open(self.log_path, "rb") as f:
                text = f.read().decode("latin-1")
        except FileNotFoundError:
            return ""
        end = text.rfind(CRLF)  # only lines that were written out in full
        return text[:end + 2] if end >= 0 else ""

    def events(self):
        text = self.log_text()
        lines = text.split(CRLF)[:-1] if text else []
        return [line for line in map(parse_log_line, lines) if line]


class Flood(threading.Thread):
    """Sends the same datagram to one address at a steady rate for a bounded time."""

    def __init__(self, address, rate, seconds, payload=JUNK):
        super().__init__(daemon=True)
        self.address = address
        self.rate = rate
        self.seconds = seconds
        self.payload = payload
        self.sent = 0
        self.stopping = threading.Event()

    def run(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
            started = time.monotonic()
            while not self.stopping.is_set():
                elapsed = time.monotonic() - started
                if elapsed >= self.seconds:
                    break
                due = min(int(elapsed * self.rate), int(self.seconds * self.rate))
                while self.sent < due:
                    try:
                        sock.sendto(self.payload, self.address)
                    except OSError as error:  # a full send queue: try again shortly
                        if error.errno not in (errno.ENOBUFS, errno.EAGAIN):
                            raise
                        break
                    self.sent += 1
                time.sleep(0.002)

    def stop(self):
        self.stopping.set()
        self.join(timeout=5)


class LinkTestCase(NodreldTestCase):

    POLL = 0.01

    def setUp(self):
        super().setUp()
        self.sides = []

    # --- installations and programs ---------------------------------------------------

    def install(self, name, **settings):
        self.new_installation()
        self.write_config(**settings)
        side = Side(name, self.folder, self.log_path)
        self.sides.append(side)
        return side

    def install_master(self, port, partner=LOOPBACK, **settings):
        values = dict(CMain=1, IPAdd=partner, Port1=port, CPUDelay=1800, CPULevel=5,
                      StartDelay=1, LogLevel=3)
        values.update(settings)
        return self.install("master", **values)

    def install_slave(self, port, partner=LOOPBACK, **settings):
        values = dict(CMain=2, IPAdd=partner, Port1=port, CPUDelay=5, StartDelay=1,
                      LogLevel=3)
        values.update(settings)
        return self.install("slave", **values)

    def launch(self, side, *args, prefix=()):
        side.program = self.start(*args, folder=side.folder, prefix=prefix)
        return side.program

    def launch_slave(self, side, prefix=()):
        return self.launch(side, "-InhibitShutdown", prefix=prefix)

    # --- waiting ------------------------------------------------------------------------

    def describe(self):
        parts = []
        for side in self.sides:
            program = side.program
            state = "not started" if program is None else (
                "running" if program.running() else "ended with %s" % program.proc.returncode)
            parts.append("--- %s (%s)\nlog:\n%s\nstderr:\n%s" % (
                side.name, state, CRLF.join(e.raw for e in side.events()),
                program.stderr() if program else ""))
        return "\n".join(parts)

    def await_true(self, condition, timeout, what, side=None):
        """Polls `condition` until it gives a true value, which is returned; fails when
        the time runs out or `side`'s program ends first."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if side is not None and not side.program.running():
                value = condition()
                if value:
                    return value
                self.fail("the %s ended while waiting for %s\n%s" % (
                    side.name, what, self.describe()))
            if time.monotonic() > deadline:
                self.fail("no %s within %.1f s\n%s" % (what, timeout, self.describe()))
            time.sleep(self.POLL)

    def await_event(self, side, event, state=None, marker=None, after=0, timeout=5.0):
        """Index, in side.events(), of the first line at or after `after` with this event
        (and state and marker, when given)."""
        def find():
            for index, line in enumerate(side.events()):
                if index >= after and line.event == event and \
                        (state is None or line.state == state) and \
                        (marker is None or line.marker == marker):
                    return index + 1
            return None
        what = "%s log line %r/%r" % (side.name, event, state)
        return self.await_true(find, timeout, what, side) - 1

    def await_runs(self, side, after, number, timeout):
        """The first `number` Run lines at or after index `after` of side.events()."""
        def find():
            runs = [e for e in side.events()[after:] if e.event == "Run"]
            return runs[:number] if len(runs) >= number else None
        return self.await_true(find, timeout, "%d %s Run lines" % (number, side.name), side)

    def await_master_running(self, port, partner=LOOPBACK):
        master = self.install_master(port, partner)
        self.launch(master)
        self.await_event(master, "Enter", "Run", timeout=6)
        return master

    # --- checks -------------------------------------------------------------------------

    def assertConnected(self, lines):
        self.assertEqual([(e.count, e.rest) for e in lines],
                         [(0, ", Comms: -OK-")] * len(lines), self.describe())

    def assertSlaveActsAfterSilence(self, slave, since):
        """From event index `since` on, the slave counts the seconds without a valid
        message, then runs its simulated countdown and ends by itself."""
        status = slave.program.wait(timeout=25)
        events = slave.events()[since:]
        pairs = [(e.event, e.state) for e in events]
        self.assertIn(("Enter", "Power Off"), pairs, self.describe())
        entered = pairs.index(("Enter", "Power Off"))
        # Only Run lines: a second or two that still heard the master, then the silence.
        self.assertEqual({(e.event, e.state) for e in events[:entered]}, {("Run", "")},
                         self.describe())
        heard = [e for e in events[:entered] if e.count == 0]
        silence = [e for e in events[:entered] if e.count > 0]
        self.assertLessEqual(len(heard), 2, self.describe())
        self.assertEqual([(e.count, e.rest) for e in silence],
                         [(n, ", Comms: Fail") for n in SILENT_COUNTS], self.describe())

        countdown = events[entered + 1:]
        self.assertEqual([(e.event, e.state) for e in countdown[-2:]],
                         [("Power Off", "Simulate"), ("Close", "Power Off")], self.describe())
        steps = countdown[:-2]
        self.assertEqual([(e.event, e.state, e.count) for e in steps],
                         [("Power Off", "", n) for n in range(len(steps))])
        self.assertEqual(len(steps), 6, "a countdown of 6 seconds with -InhibitShutdown")
        self.assertEqual(status, 0, slave.program.stderr())
        self.assertEqual(slave.program.stderr_lines(), SIMULATED_MESSAGE)
        self.assertEqual(slave.events()[-1].raw, slave.log_text().split(CRLF)[-2],
                         "nothing is written after Close")


class MasterOnTheWire(LinkTestCase):
    """What a master sends, read from a socket of the test's own that stands in for the
    slave's port."""

    def setUp(self):
        super().setUp()
        self.receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(self.receiver.close)
        self.receiver.bind((LOOPBACK, 0))
        self.receiver.settimeout(0.02)
        self.received = []  # (monotonic seconds, datagram, sender)

    def receive_for(self, seconds):
        """The datagrams that arrive within `seconds`."""
        arrived = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                data, sender = self.receiver.recvfrom(4096)
            except socket.timeout:
                continue
            arrived.append((time.monotonic(), data, sender))
        self.received += arrived
        return arrived

    def receive_one(self, timeout):
        """The next datagram as (arrival time, data); fails when none comes in time."""
        self.receiver.settimeout(timeout)
        try:
            data, sender = self.receiver.recvfrom(4096)
        except socket.timeout:
            self.fail("no datagram within %.1f s\n%s" % (timeout, self.describe()))
        finally:
            self.receiver.settimeout(0.02)
        arrived = (time.monotonic(), data, sender)
        self.received.append(arrived)
        return arrived[0], data

    def assertKeepAliveRhythm(self, arrived, seconds):
        self.assertEqual({data for _, data, _ in arrived}, {KEEP_ALIVE}, arrived)
        # Two a second; allow for the edges of the window.
        self.assertGreaterEqual(len(arrived), 2 * seconds - 1, arrived)
        self.assertLessEqual(len(arrived), 2 * seconds + 1, arrived)
        gaps = [b[0] - a[0] for a, b in zip(arrived, arrived[1:])]
        self.assertLess(max(gaps), 0.9, "a keep-alive went missing: %s" % gaps)

    def signal_after_keep_alive(self, master, signum):
        """Sends `signum` just after a keep-alive, so the next one is half a second off."""
        _, data = self.receive_one(timeout=2)
        self.assertEqual(data, KEEP_ALIVE)
        master.program.signal(signum)
        return time.monotonic()

    def test_messages_in_each_phase_and_for_the_buttons(self):
        port = self.receiver.getsockname()[1]
        # A three-second activation delay: silence until its last second.
        master = self.install_master(port, StartDelay=3, LogLevel=2)
        started = time.monotonic()
        self.launch(master)

        first_at, first = self.receive_one(timeout=6)
        self.assertEqual(first, RESTARTED, "the first message after the cycle starts")
        self.assertGreater(first_at - started, 1.2, "sent during the activation delay")
        self.assertKeepAliveRhythm(self.receive_for(3.0), 3)

        # A re-read of the settings restarts the cycle: silence, then the restart message.
        reloaded_at = self.signal_after_keep_alive(master, signal.SIGHUP)
        again_at, again = self.receive_one(timeout=5)
        self.assertEqual(again, RESTARTED)
        self.assertGreater(again_at - reloaded_at, 1.2)
        _, data = self.receive_one(timeout=2)
        self.assertEqual(data, KEEP_ALIVE)

        # Reset goes out at once, in place of the restart message, and the cycle restarts.
        reset_sent_at = self.signal_after_keep_alive(master, signal.SIGUSR1)
        reset_at, reset = self.receive_one(timeout=2)
        self.assertEqual(reset, RESET)
        self.assertLess(reset_at - reset_sent_at, 0.25, "Reset waited for the timer")
        after_reset_at, after_reset = self.receive_one(timeout=5)
        self.assertEqual(after_reset, KEEP_ALIVE)
        self.assertGreater(after_reset_at - reset_at, 1.2, "sent during the activation delay")

        test_sent_at = self.signal_after_keep_alive(master, signal.SIGUSR2)
        test_at, test = self.receive_one(timeout=2)
        self.assertEqual(test, TEST)
        self.assertLess(test_at - test_sent_at, 0.25, "Test waited for the timer")

        self.assertEqual(self.stop_with(master.program, signal.SIGTERM), 0)
        self.assertEqual(self.receive_for(1.2), [], "sent after it ended")

        # One socket for the whole run: every message came from the same address and port.
        senders = {sender for _, _, sender in self.received}
        self.assertEqual(len(senders), 1, senders)
        self.assertEqual(next(iter(senders))[0], LOOPBACK)


class LinkedPair(LinkTestCase):
    """A master and a slave on this machine, linked over loopback."""

    def test_slave_stays_connected_then_acts_when_the_master_ends(self):
        port = free_udp_port()
        master = self.await_master_running(port)
        slave = self.install_slave(port)
        self.launch_slave(slave)
        entered = self.await_event(slave, "Enter", "Run", timeout=6)
        runs = self.await_runs(slave, entered, 8, timeout=12)
        self.assertConnected([slave.events()[entered]] + runs)

        since = len(slave.events())
        self.assertEqual(self.stop_with(master.program, signal.SIGTERM), 0)
        self.assertEqual((master.events()[-1].event, master.events()[-1].state),
                         ("Exit", "Run"))
        self.assertSlaveActsAfterSilence(slave, since)

    def test_reset_and_test_buttons_of_the_master_act_on_the_slave(self):
        port = free_udp_port()
        master = self.await_master_running(port)
        slave = self.install_slave(port)
        self.launch_slave(slave)
        entered = self.await_event(slave, "Enter", "Run", timeout=6)
        self.await_runs(slave, entered, 1, timeout=3)

        before = len(slave.events())
        master.program.signal(signal.SIGUSR1)
        reset = self.await_event(slave, "Reset", "Run", after=before, timeout=3)
        events = slave.events()
        self.assertEqual((events[reset + 1].event, events[reset + 1].state),
                         ("Start", "Initialise"), self.describe())
        # The slave's cycle started again, and the link still counts as alive.
        entered = self.await_event(slave, "Enter", "Run", after=reset, timeout=4)
        runs = self.await_runs(slave, entered, 2, timeout=4)
        self.assertConnected([slave.events()[entered]] + runs)

        before = len(slave.events())
        master.program.signal(signal.SIGUSR2)
        test = self.await_event(slave, "Enter", "Test", marker="*", after=before, timeout=3)
        self.assertTrue(slave.program.running())
        # Both buttons acted once: the slave reset once and entered its test run once.
        pairs = [(e.marker, e.event, e.state) for e in slave.events()]
        self.assertEqual(pairs.count((" ", "Reset", "Run")), 1, self.describe())
        self.assertEqual(pairs.count(("*", "Enter", "Test")), 1, self.describe())
        self.assertEqual(pairs[test + 1], ("*", "Start", "Initialise"))
        # The master ran both commands itself as well.
        master_pairs = [(e.marker, e.event, e.state) for e in master.events()]
        self.assertIn((" ", "Reset", "Run"), master_pairs)
        self.assertIn(("*", "Enter", "Test"), master_pairs)

        for side in (master, slave):
            self.assertEqual(self.stop_with(side.program, signal.SIGTERM), 0)

    def test_junk_flood_does_not_drown_the_keep_alive(self):
        port = free_udp_port()
        self.await_master_running(port)
        slave = self.install_slave(port)
        self.launch_slave(slave)
        entered = self.await_event(slave, "Enter", "Run", timeout=6)
        self.await_runs(slave, entered, 1, timeout=3)

        rate, seconds = 3000, 8.0
        flood = Flood((LOOPBACK, port), rate, seconds)
        self.addCleanup(flood.stop)
        since = len(slave.events())
        flood.start()
        flood.join(timeout=seconds + 5)
        self.assertFalse(flood.is_alive())
        self.assertGreater(flood.sent, 0.8 * rate * seconds, "the flood fell short")
        self.assertTrue(slave.program.running(), self.describe())

        during = [e for e in slave.events()[since:] if e.event == "Run"]
        self.assertEqual([e.count for e in during], [0] * len(during), self.describe())
        self.assertGreaterEqual(len(during), int(seconds) - 1,
                                "the slave's seconds fell behind\n" + self.describe())
        # The flood did reach the slave: junk after the last keep-alive of a second.
        errors = [e for e in during if e.rest == ", Comms: Error"]
        self.assertGreaterEqual(len(errors), len(during) // 2, self.describe())
        for e in during:
            self.assertIn(e.rest, (", Comms: Error", ", Comms: -OK-"), e.raw)

        # Once the flood is over the keep-alive shows again.
        after = len(slave.events())
        self.assertConnected(self.await_runs(slave, after + 1, 2, timeout=4))


class SlaveOnItsOwn(LinkTestCase):
    """A slave with no master: the test sends the datagrams itself."""

    def test_each_second_counts_by_the_valid_messages_in_it(self):
        port = free_udp_port()
        slave = self.install_slave(port)
        self.launch_slave(slave)
        entered = self.await_event(slave, "Enter", "Run", timeout=6)
        self.await_runs(slave, entered, 1, timeout=3)

        # What to send in one check second, and the Count and Comms of its Run line.
        plan = [
            ([KEEP_ALIVE], 0, "-OK-"),
            ([JUNK], 1, "Error"),
            ([KEEP_ALIVE, JUNK], 0, "Error"),      # a keep-alive in the second wins
            ([b"<COA1000>"], 1, "Error"),          # length field 00, but 9 characters
            ([b"<COA102ab>"], 0, "-OK-"),          # length field 02 for 2 more characters
            ([b"<coa100>"], 1, "Error"),
            ([], 2, "Fail"),
            ([RESTARTED], 3, "Error"),
            ([b"<COX000>"], 0, "-OK-"),            # an unknown command still counts
            ([b"<COA1O0>"], 1, "Error"),           # letter O in the length field
            ([b"<COA100" + b"x" * 99 + b">"], 2, "Error"),
            ([b"<COA199" + b"x" * 99 + b">"], 0, "-OK-"),
        ]
        results = []
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
            for datagrams, _, _ in plan:
                # A Run line was just written: what is sent now belongs to the next one.
                written = len(slave.events())
                for index, datagram in enumerate(datagrams):
                    if index:
                        time.sleep(0.1)
                    sender.sendto(datagram, (LOOPBACK, port))
                self.await_true(lambda: [e for e in slave.events()[written:]
                                         if e.event == "Run"], 3, "next Run line", slave)
                run = [e for e in slave.events()[written:] if e.event == "Run"][0]
                results.append((datagrams, run.count, run.rest[len(", Comms: "):]))
        self.assertEqual(results, [(d, c, t) for d, c, t in plan], self.describe())
        self.assertTrue(slave.program.running())
        self.assertEqual(self.stop_with(slave.program, signal.SIGTERM), 0)

    def test_buttons_of_a_slave_act_on_it_alone(self):
        # The slave's partner address is its own: were it to pass its Reset or Test on,
        # it would hear the message itself and show "-OK-".
        port = free_udp_port()
        slave = self.install_slave(port)
        self.launch_slave(slave)
        entered = self.await_event(slave, "Enter", "Run", timeout=6)
        slave.program.signal(signal.SIGUSR1)
        reset = self.await_event(slave, "Reset", "Run", after=entered, timeout=3)
        entered = self.await_event(slave, "Enter", "Run", after=reset, timeout=4)
        slave.program.signal(signal.SIGUSR2)
        test = self.await_event(slave, "Enter", "Test", marker="*", after=entered, timeout=3)
        self.await_event(slave, "Start", "Initialise", marker="*", after=test, timeout=3)
        time.sleep(1.5)

        events = slave.events()
        pairs = [(e.marker, e.event, e.state) for e in events]
        self.assertEqual(pairs.count((" ", "Reset", "Run")), 1, self.describe())
        self.assertEqual(pairs.count(("*", "Enter", "Test")), 1, self.describe())
        self.assertEqual({e.rest for e in events} - {", Comms: ....", ", Comms: Fail"}, set(),
                         self.describe())
        self.assertEqual(self.stop_with(slave.program, signal.SIGTERM), 0)

    def test_unconfigured_slave_takes_a_reset_but_no_test(self):
        # A power action a slave cannot carry out leaves it idle, waiting for new settings.
        port = free_udp_port()
        slave = self.install_slave(port, ShutType=4)
        self.launch_slave(slave)
        self.await_event(slave, "UnConfig", "********", timeout=5)
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
            sender.sendto(TEST, (LOOPBACK, port))
            time.sleep(1.5)
            self.assertEqual([(e.event, e.state) for e in slave.events()],
                             [("UnConfig", "********")], self.describe())
            sender.sendto(RESET, (LOOPBACK, port))
            reset = self.await_event(slave, "Reset", timeout=3)
        line = slave.events()[reset]
        self.assertEqual((line.marker, line.rest), (" ", ", Comms: -OK-"), line.raw)
        self.assertFalse([e for e in slave.events() if e.marker == "*"], self.describe())
        self.assertTrue(slave.program.running())
        self.assertEqual(self.stop_with(slave.program, signal.SIGTERM), 0)

    def test_port_in_use_ends_the_slave(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as taken:
            taken.bind(("", 0))
            port = taken.getsockname()[1]
            slave = self.install_slave(port)
            slave.program = self.run_to_end("-InhibitShutdown", folder=slave.folder)
            self.assertEqual(slave.program.proc.returncode, 1)
            self.assertEqual(slave.program.stderr_lines(), [
                "Nodrel Slave Port Error",
                "The RX Port %d Is Already In Use" % port,
                "This Error Must Be Resolved Before",
                "You Can Use Nodrel.",
                "Use The Configuration Screen",
                "To Change The RX Port.",
                "Do You Want To End The Program?",
            ])
            self.assertEqual(slave.log_text(), "", "nothing logged before the port")
            self.assertNothingRunningHere(slave.folder)

        # With the port free again the same slave starts, and holds the port itself.
        self.launch_slave(slave)
        self.await_event(slave, "Start", "Initialise", timeout=5)
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as late:
            with self.assertRaises(OSError) as refused:
                late.bind((LOOPBACK, port))
            self.assertEqual(refused.exception.errno, errno.EADDRINUSE)
        self.assertEqual(self.stop_with(slave.program, signal.SIGTERM), 0)


class LinkAcrossNamespaces(LinkTestCase):
    """Master and slave in two network namespaces joined by a veth pair: the messages
    cross a real network interface, not loopback."""

    MASTER_ADDRESS = "10.231.1.1"
    SLAVE_ADDRESS = "10.231.1.2"

    def setUp(self):
        super().setUp()
        self.namespaces = []
        self.veth = None
        if os.geteuid() != 0 or shutil.which("ip") is None:
            self.skipTest("network namespaces need root and the ip command")
        tag = uuid.uuid4().hex[:6]
        try:
            self.make_namespace("nodrel-e2e-m-" + tag)
        except subprocess.CalledProcessError as error:
            self.skipTest("ip netns add does not work here: %s" % error.stderr.strip())
        try:
            self.make_namespace("nodrel-e2e-s-" + tag)
            master_ns, slave_ns = self.namespaces
            master_if, slave_if = "nrm" + tag, "nrs" + tag
            self.veth = master_if
            self.ip("link", "add", master_if, "type", "veth", "peer", "name", slave_if)
            self.ip("link", "set", master_if, "netns", master_ns)
            self.ip("link", "set", slave_if, "netns", slave_ns)
            for ns, interface, address in ((master_ns, master_if, self.MASTER_ADDRESS),
                                           (slave_ns, slave_if, self.SLAVE_ADDRESS)):
                self.ip("-n", ns, "addr", "add", address + "/24", "dev", interface)
                self.ip("-n", ns, "link", "set", interface, "up")
                self.ip("-n", ns, "link", "set", "lo", "up")
        except subprocess.CalledProcessError as error:
            self.remove_namespaces()
            self.skipTest("cannot join two namespaces with a veth pair: %s"
                          % error.stderr.strip())
        except BaseException:
            self.remove_namespaces()
            raise

    def tearDown(self):
        # The programs end before their namespaces go.
        self._stop_all()
        self.remove_namespaces()
        super().tearDown()

    def ip(self, *args):
        return subprocess.run(["ip"] + list(args), check=True, capture_output=True,
                              text=True, timeout=10)

    def make_namespace(self, name):
        self.ip("netns", "add", name)
        self.namespaces.append(name)

    def remove_namespaces(self):
        if self.veth:
            # Still in this namespace only when moving it failed; deletes both ends.
            subprocess.run(["ip", "link", "del", self.veth], capture_output=True, timeout=10)
            self.veth = None
        while self.namespaces:
            subprocess.run(["ip", "netns", "del", self.namespaces.pop()],
                           capture_output=True, timeout=10)

    def test_slave_stays_connected_then_acts_when_the_master_is_killed(self):
        master_ns, slave_ns = self.namespaces
        port = free_udp_port()
        master = self.install_master(port, partner=self.SLAVE_ADDRESS)
        self.launch(master, prefix=["ip", "netns", "exec", master_ns])
        self.await_event(master, "Enter", "Run", timeout=6)
        slave = self.install_slave(port, partner=self.MASTER_ADDRESS)
        self.launch_slave(slave, prefix=["ip", "netns", "exec", slave_ns])
        entered = self.await_event(slave, "Enter", "Run", timeout=6)
        runs = self.await_runs(slave, entered, 4, timeout=8)
        self.assertConnected([slave.events()[entered]] + runs)

        # The slave's port is bound in its own namespace, not in this one.
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as here:
            here.bind(("", port))

        since = len(slave.events())
        master.program.signal(signal.SIGKILL)
        self.assertEqual(master.program.wait(), -signal.SIGKILL)
        self.assertSlaveActsAfterSilence(slave, since)


if __name__ == "__main__":
    unittest.main()
