"""The link between two copies of nodreld over real UDP: the master's keep-alive keeps its
slave connected, even through a flood of junk; the master's Test and Reset act on the
slave; the master's end makes the slave count the silence and carry out its action.

Every slave runs with -InhibitShutdown, so its action is only simulated (its silence
limit and its countdown are 6 seconds each); every master has CPUDelay=1800 and
CPULevel=5, so it never starts a countdown of its own within a test.
"""

import errno
import os
import shutil
import signal
import socket
import subprocess
import time
import unittest
import uuid

from nodreld_harness import NodreldTestCase, free_udp_port

LOOPBACK = "127.0.0.1"


class LinkTestCase(NodreldTestCase):

    def start_side(self, role, port, partner, prefix=()):
        """A master or a slave linked to `partner`, once it is monitoring."""
        master = role == "master"
        settings = dict(CMain=1, CPUDelay=1800, CPULevel=5) if master else dict(CMain=2)
        folder = self.installation(IPAdd=partner, Port1=port, StartDelay=1, LogLevel=3,
                                   **settings)
        program = self.start(folder, *([] if master else ["-InhibitShutdown"]), prefix=prefix)
        self.wait_for_event(program, "Enter", "Run", timeout=6)
        return program

    def run_lines(self, program, since, number, silent=False):
        """The first `number` Run lines (only silent ones, counting up, when `silent`)
        from index `since` of program.log_events() on."""
        def find():
            runs = [e for e in program.log_events()[since:]
                    if e.event == "Run" and (e.count > 0 or not silent)]
            return runs[:number] if len(runs) >= number else None
        return self.wait_until(find, "%d Run lines" % number, number + 3, program)

    def assertConnected(self, runs):
        self.assertEqual([(e.count, e.rest) for e in runs], [(0, ", Comms: -OK-")] * len(runs),
                         self.describe())


class LinkedPair(LinkTestCase):

    def test_slave_follows_its_master_over_loopback(self):
        port = free_udp_port()
        master = self.start_side("master", port, LOOPBACK)
        slave = self.start_side("slave", port, LOOPBACK)
        self.assertConnected(self.run_lines(slave, 0, 3))

        # A flood of junk while the master lives: its keep-alive still gets through.
        rate, seconds = 3000, 4.0
        since = len(slave.log_events())
        sent = 0
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
            began = time.monotonic()
            while time.monotonic() - began < seconds:
                while sent < (time.monotonic() - began) * rate:
                    try:
                        sock.sendto(b"junk", (LOOPBACK, port))
                    except OSError as error:  # a full send queue: try again shortly
                        if error.errno not in (errno.ENOBUFS, errno.EAGAIN):
                            raise
                        break
                    sent += 1
                time.sleep(0.002)
        self.assertGreater(sent, 0.8 * rate * seconds, "the flood fell short")
        during = [e for e in slave.log_events()[since:] if e.event == "Run"]
        self.assertGreaterEqual(len(during), seconds - 1, self.describe())
        self.assertEqual({e.count for e in during}, {0}, self.describe())
        # It did reach the slave: junk after the last keep-alive of a second.
        self.assertGreaterEqual(len([e for e in during if e.rest == ", Comms: Error"]),
                                len(during) // 2, self.describe())

        # The master's Test and Reset buttons act on the slave.
        since = len(slave.log_events())
        master.proc.send_signal(signal.SIGUSR2)
        test = self.wait_for_event(slave, "Enter", "Test", marker="*", after=since)
        master.proc.send_signal(signal.SIGUSR1)
        reset = self.wait_for_event(slave, "Reset", after=test)
        entered = self.wait_for_event(slave, "Start", "Initialise", marker=" ", after=reset)
        entered = self.wait_for_event(slave, "Enter", "Run", after=entered)
        self.assertConnected(self.run_lines(slave, entered, 2))
        for program in (master, slave):
            pairs = [(e.event, e.state) for e in program.log_events()]
            self.assertEqual(pairs.count(("Enter", "Test")), 1, self.describe())
            self.assertEqual([e for e, _ in pairs].count("Reset"), 1, self.describe())

        # Once the master has gone the slave counts the silent seconds, then acts.
        since = len(slave.log_events())
        self.assertEqual(self.stop_with(master), 0)
        self.assertEqual(slave.wait(timeout=25), 0, self.describe())
        after = slave.log_events()[since:]
        silence = [(e.count, e.rest) for e in after if e.event == "Run" and e.count > 0]
        self.assertEqual(silence, [(n, ", Comms: Fail") for n in range(1, 6)], self.describe())
        pairs = [(e.event, e.state) for e in after if e.event != "Run"]
        self.assertEqual(pairs, [("Enter", "Power Off")] + [("Power Off", "")] * 6 +
                         [("Power Off", "Simulate"), ("Close", "Power Off")], self.describe())
        self.assertEqual(slave.stderr_lines(),
                         ["Nodrel Slave Simulate Power Off", "Test Real Power Off"])

    def test_a_port_in_use_ends_the_slave(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as taken:
            taken.bind(("", 0))
            port = taken.getsockname()[1]
            slave = self.start(self.installation(CMain=2, IPAdd=LOOPBACK, Port1=port))
            self.assertFatal(slave, [
                "Nodrel Slave Port Error", "The RX Port %d Is Already In Use" % port,
                "This Error Must Be Resolved Before", "You Can Use Nodrel.",
                "Use The Configuration Screen", "To Change The RX Port.",
                "Do You Want To End The Program?"])
            self.assertEqual(slave.log_lines(), [], "nothing logged before the port")


class LinkAcrossNamespaces(LinkTestCase):
    """Master and slave in two network namespaces made for the test, joined by a veth pair:
    the messages cross a real network interface."""

    ADDRESSES = ("10.231.1.1", "10.231.1.2")

    def setUp(self):
        super().setUp()
        if os.geteuid() != 0 or shutil.which("ip") is None:
            self.skipTest("network namespaces need root and the ip command")
        tag = uuid.uuid4().hex[:6]
        self.namespaces = ["nodrel-e2e-m-" + tag, "nodrel-e2e-s-" + tag]
        interfaces = ["nrm" + tag, "nrs" + tag]
        # Cleanups run last-in first-out: the programs end before their namespaces go.
        self.addCleanup(self._stop_all)
        try:
            for ns in self.namespaces:
                self.ip("netns", "add", ns)
                self.addCleanup(subprocess.run, ["ip", "netns", "del", ns], capture_output=True)
            # Deleting a namespace deletes the end of the pair inside it; this one only
            # matters while moving it failed.
            self.addCleanup(subprocess.run, ["ip", "link", "del", interfaces[0]],
                            capture_output=True)
            self.ip("link", "add", interfaces[0], "type", "veth", "peer", "name", interfaces[1])
            for ns, interface, address in zip(self.namespaces, interfaces, self.ADDRESSES):
                self.ip("link", "set", interface, "netns", ns)
                self.ip("-n", ns, "addr", "add", address + "/24", "dev", interface)
                self.ip("-n", ns, "link", "set", interface, "up")
        except subprocess.CalledProcessError as error:
            self.skipTest("cannot make two namespaces joined by a veth pair: %s"
                          % error.stderr.strip())

    @staticmethod
    def ip(*args):
        subprocess.run(["ip"] + list(args), check=True, capture_output=True, text=True,
                       timeout=10)

    def test_slave_hears_its_master_across_namespaces(self):
        port = free_udp_port()
        (master_ns, slave_ns), (master_ip, slave_ip) = self.namespaces, self.ADDRESSES
        master = self.start_side("master", port, slave_ip, ["ip", "netns", "exec", master_ns])
        slave = self.start_side("slave", port, master_ip, ["ip", "netns", "exec", slave_ns])
        self.assertConnected(self.run_lines(slave, 0, 2))
        since = len(slave.log_events())
        master.proc.kill()
        silence = self.run_lines(slave, since, 2, silent=True)
        self.assertEqual([(e.count, e.rest) for e in silence],
                         [(1, ", Comms: Fail"), (2, ", Comms: Fail")], self.describe())


if __name__ == "__main__":
    unittest.main()
