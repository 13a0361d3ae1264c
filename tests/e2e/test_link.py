"""Two copies of nodreld linked over real UDP. Slaves run with -InhibitShutdown (action only
simulated, silence limit and countdown 6 s each); masters never count down in a test."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest
import uuid

from nodreld_harness import NodreldTestCase, config_text, free_udp_port

LOOPBACK = "127.0.0.1"
# Names that only the test's own hosts file knows.
PARTNER, HANGING = "partner.nodrel-e2e.test", "hanging.nodrel-e2e.test"
# Where the test's silent name server listens; nothing else is asked.
SILENT_SERVER = "127.0.0.77"


class Link(NodreldTestCase):

    def start_side(self, role, port, partner, prefix=(), **more):
        """A master or a slave linked to `partner`, once it is monitoring."""
        master = role == "master"
        settings = dict(CMain=1, CPUDelay=1800, CPULevel=5) if master else dict(CMain=2)
        folder = self.installation(IPAdd=partner, Port1=port, StartDelay=1, LogLevel=3,
                                   **settings, **more)
        program = self.start(folder, *([] if master else ["-InhibitShutdown"]), prefix=prefix)
        self.wait_for_event(program, "Enter", "Run", timeout=6)
        return program

    def assertConnected(self, program, since, number):
        """The first `number` Run lines from index `since` on show a connected master."""
        def runs():
            found = [(e.count, e.rest) for e in program.log_events()[since:] if e.event == "Run"]
            return found[:number] if len(found) >= number else None
        self.assertEqual(self.wait_until(runs, "%d Run lines" % number, number + 3, program),
                         [(0, ", Comms: -OK-")] * number, self.describe())

    # Keep-alive through a junk flood, Test and Reset forwarded, the silence counted, then
    # the (simulated) action.
    def test_slave_follows_its_master_over_loopback(self):
        port = free_udp_port()
        master = self.start_side("master", port, LOOPBACK)
        slave = self.start_side("slave", port, LOOPBACK)
        self.assertConnected(slave, 0, 3)

        # A flood of junk while the master lives: its keep-alive still gets through.
        seconds, since = 4, len(slave.log_events())
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
            for _ in range(seconds * 200):  # some 5000 a second
                for _ in range(25):
                    sock.sendto(b"junk", (LOOPBACK, port))
                time.sleep(0.005)
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
        self.assertConnected(slave, entered, 2)
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
        self.assertEqual(slave.output(2),
                         ["Nodrel Slave Simulate Power Off", "Test Real Power Off"])

    # A receive port already taken holds the slave, with nobody to ask: its status says so,
    # and it binds the port again every 10 s until it is free.
    def test_a_slave_waits_for_its_port_to_be_free(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as taken:
            taken.bind(("", 0))
            port = taken.getsockname()[1]
            folder = self.installation(CMain=2, IPAdd=LOOPBACK, Port1=port, StartDelay=1)
            notify = self.notify_socket(folder)
            slave = self.start(folder, "-InhibitShutdown", env=dict(self.env, **notify.env()))
            status = "STATUS=Power Off the computer if communications are lost for over 6 " \
                     "sec / waiting for UDP port %d" % port
            self.wait_until(lambda: status in notify.messages(), "the status", 5, slave)
        self.wait_for_event(slave, "Start", "Initialise", timeout=12)

    # The messages cross a real interface: a veth pair between two namespaces of the test.
    def test_slave_hears_its_master_across_namespaces(self):
        if os.geteuid() != 0 or shutil.which("ip") is None:
            self.skipTest("network namespaces need root and the ip command")
        tag, addresses = uuid.uuid4().hex[:6], ("10.231.1.1", "10.231.1.2")
        spaces, ends = ["nodrel-e2e-m-" + tag, "nodrel-e2e-s-" + tag], ["nrm" + tag, "nrs" + tag]
        steps = [["link", "add", ends[0], "type", "veth", "peer", "name", ends[1]]]
        for ns, end, address in zip(spaces, ends, addresses):
            steps += [["link", "set", end, "netns", ns], ["-n", ns, "link", "set", end, "up"],
                      ["-n", ns, "addr", "add", address + "/24", "dev", end]]
        try:
            for ns in spaces:
                subprocess.run(["ip", "netns", "add", ns], check=True, capture_output=True)
                self.addCleanup(subprocess.run, ["ip", "netns", "del", ns], capture_output=True)
            # Needed only if moving it failed; the programs end before their namespaces.
            self.addCleanup(subprocess.run, ["ip", "link", "del", ends[0]], capture_output=True)
            self.addCleanup(self._stop_all)
            for step in steps:
                subprocess.run(["ip", *step], check=True, capture_output=True, timeout=10)
        except subprocess.CalledProcessError as error:
            self.skipTest("cannot make two namespaces joined by a veth pair: %s" % error.stderr)
        port = free_udp_port()
        self.start_side("master", port, addresses[1], ["ip", "netns", "exec", spaces[0]])
        slave = self.start_side("slave", port, addresses[0], ["ip", "netns", "exec", spaces[1]])
        self.assertConnected(slave, 0, 2)

    # Leading zeros are decimal, as the address check reads them; a dotted quad with a 0
    # is a host name that a master may use.
    def test_dotted_quads_reach_the_address_they_name(self):
        for name_mode, partner in ((1, "127.000.000.010"), (2, "127.0.0.10")):
            with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as listener:
                listener.bind(("127.0.0.10", 0))
                listener.settimeout(5)
                port = listener.getsockname()[1]
                self.start_side("master", port, partner, DName=name_mode)
                self.assertEqual(listener.recv(64), b"<C0A000>", partner)
                self.assertEqual(listener.recv(64), b"<COA100>", partner)

    def private_name_service(self, hosts, name_server=False):
        """A prefix that runs a program in a mount namespace of its own, where the name
        service is the test's: its hosts file (returned, to be rewritten in place) and,
        with `name_server`, the silent server. No real name server is ever asked."""
        if os.geteuid() != 0 or shutil.which("unshare") is None:
            self.skipTest("a private mount namespace needs root and unshare")
        folder = tempfile.mkdtemp(prefix="nodrel-e2e-names-")
        self.addCleanup(shutil.rmtree, folder, True)
        files = {"hosts": hosts,
                 "nsswitch.conf": "hosts: files dns\n" if name_server else "hosts: files\n",
                 "resolv.conf": "nameserver %s\noptions timeout:30 attempts:1\n" % SILENT_SERVER}
        for name, text in files.items():
            with open(os.path.join(folder, name), "w") as f:
                f.write(text)
        script = ('for f in hosts nsswitch.conf resolv.conf; do '
                  'mount --bind "$0/$f" "/etc/$f" || exit 1; done; exec "$@"')
        probe = ["unshare", "--mount", "--propagation", "private", "sh", "-c", script, folder]
        if subprocess.run(probe + ["true"], capture_output=True).returncode != 0:
            self.skipTest("cannot bind files over /etc in a private mount namespace")
        return probe, os.path.join(folder, "hosts")

    @staticmethod
    def rewrite(path, text):
        with open(path, "w") as f:  # the same file: the namespace's bind mount sees it
            f.write(text)

    # A failed look-up is retried within seconds; an outage of the name service keeps the
    # last good address in use, and the keep-alives go on.
    def test_master_keeps_its_partner_through_a_name_service_outage(self):
        known = "%s %s\n" % (LOOPBACK, PARTNER)
        prefix, hosts = self.private_name_service("")
        port = free_udp_port()
        self.start_side("master", port, PARTNER, prefix, DName=2)
        time.sleep(1)  # its first look-up has failed
        self.rewrite(hosts, known)
        slave = self.start_side("slave", port, LOOPBACK)
        since = self.wait_until(lambda: [i for i, e in enumerate(slave.log_events())
                                         if e.rest == ", Comms: -OK-"], "a keep-alive", 8, slave)[0]
        self.rewrite(hosts, "")
        self.assertConnected(slave, since, 12)
        self.rewrite(hosts, known)

    # A look-up that hangs holds up no tick, also when the partner changes meanwhile.
    def test_ticks_stay_on_time_while_a_look_up_hangs(self):
        silent = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(silent.close)
        try:
            silent.bind((SILENT_SERVER, 53))
        except OSError as error:
            self.skipTest("cannot listen as the name server: %s" % error)
        prefix, _ = self.private_name_service("%s %s\n" % (LOOPBACK, PARTNER), True)
        port = free_udp_port()
        master = self.start_side("master", port, HANGING, prefix, DName=2)
        silent.settimeout(5)
        self.assertIn(b"nodrel-e2e", silent.recv(512), "the look-up reached the server")

        self.write_config(master.folder, config_text(
            CMain=1, DName=2, IPAdd=PARTNER, Port1=port, StartDelay=1, LogLevel=3,
            CPUDelay=1800, CPULevel=5))
        master.proc.send_signal(signal.SIGHUP)
        arrivals, seen, deadline = [], 0, time.monotonic() + 6
        while time.monotonic() < deadline:
            lines = len(master.log_lines())
            if lines > seen:
                arrivals.append(time.monotonic())
                seen = lines
            time.sleep(0.02)
        gaps = [b - a for a, b in zip(arrivals, arrivals[1:])]
        self.assertGreaterEqual(len(arrivals), 5, self.describe())
        self.assertLess(max(gaps), 1.8, self.describe())
        slave = self.start_side("slave", port, LOOPBACK)
        self.assertConnected(slave, 0, 2)

if __name__ == "__main__":
    unittest.main()
