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

from nodreld_harness import NodreldTestCase, config_text, free_udp_port

LOOPBACK = "127.0.0.1"
# Another address of the loopback interface: only a slave listening on every address of the
# machine, not just 127.0.0.1, hears a master that sends there.
ELSEWHERE = "127.0.0.3"
# Names that only the test's own hosts file knows.
PARTNER, HANGING = "partner.nodrel-e2e.test", "hanging.nodrel-e2e.test"
# Where the test's silent name server listens; nothing else is asked.
SILENT_SERVER = "127.0.0.77"


def side(role, port, partner, **more):
    """The settings of a master or a slave linked to `partner`."""
    roles = dict(master=dict(CMain=1, CPUDelay=1800, CPULevel=5), slave=dict(CMain=2))
    return dict(IPAdd=partner, Port1=port, StartDelay=1, LogLevel=3, **roles[role], **more)


class Link(NodreldTestCase):

    def start_side(self, role, port, partner, prefix=(), **more):
        """A master or a slave linked to `partner`, once it is monitoring."""
        program = self.start(self.installation(**side(role, port, partner, **more)),
                             *([] if role == "master" else ["-InhibitShutdown"]), prefix=prefix)
        self.wait_for_event(program, "Enter", "Run", timeout=6)
        return program

    def assertConnected(self, program, since, number):
        """The first `number` Run lines from index `since` on show a connected master."""
        def runs():
            found = [(e.count, e.rest) for e in program.log_events()[since:] if e.event == "Run"]
            return found[:number] if len(found) >= number else None
        self.assertEqual(self.wait_until(runs, "%d Run lines" % number, number + 3, program),
                         [(0, ", Comms: -OK-")] * number, self.describe())

    # Keep-alive, Test and Reset forwarded, the silence counted, then the (simulated) action.
    def test_slave_follows_its_master_over_loopback(self):
        port = free_udp_port()
        master = self.start_side("master", port, ELSEWHERE)
        slave = self.start_side("slave", port, LOOPBACK)
        self.assertConnected(slave, 0, 3)

        # The master's Test and Reset buttons act on the slave.
        since = len(slave.log_events())
        master.proc.send_signal(signal.SIGUSR2)
        test = self.wait_for_event(slave, "Enter", "Test", marker="*", after=since)
        master.proc.send_signal(signal.SIGUSR1)
        reset = self.wait_for_event(slave, "Reset", after=test)
        entered = self.wait_for_event(slave, "Start", "Initialise", marker=" ", after=reset)
        entered = self.wait_for_event(slave, "Enter", "Run", after=entered)
        self.assertConnected(slave, entered, 2)

        # Once the master has gone the slave counts its silence, then acts (the seconds and
        # the countdown's lines: unit tests).
        self.assertEqual(self.stop_with(master), 0)
        self.assertEqual(slave.wait(timeout=25), 0, self.describe())
        self.assertEqual(slave.output(2),
                         ["Nodrel Slave Simulate Power Off", "Test Real Power Off"])

    # A look-up that hangs (the test's silent name server, in a mount namespace of the
    # master's own) holds up no tick, also when the partner changes meanwhile to a name of the
    # namespace's hosts file, which is then found. No real name server is ever asked.
    def test_ticks_stay_on_time_while_a_look_up_hangs(self):
        silent = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(silent.close)
        folder = tempfile.mkdtemp(prefix="nodrel-e2e-names-")
        self.addCleanup(shutil.rmtree, folder, True)
        for name, text in {"hosts": "%s %s\n" % (LOOPBACK, PARTNER),
                           "nsswitch.conf": "hosts: files dns\n",
                           "resolv.conf": "nameserver %s\noptions timeout:30 attempts:1\n"
                                          % SILENT_SERVER}.items():
            with open(os.path.join(folder, name), "w") as f:
                f.write(text)
        prefix = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                  'for f in hosts nsswitch.conf resolv.conf; do '
                  'mount --bind "$0/$f" "/etc/$f" || exit 1; done; exec "$@"', folder]
        try:
            silent.bind((SILENT_SERVER, 53))
            subprocess.run(prefix + ["true"], capture_output=True, check=True)
        except (OSError, subprocess.CalledProcessError) as error:
            self.skipTest("needs root to be the name server in a namespace: %s" % error)
        port = free_udp_port()
        master = self.start_side("master", port, HANGING, prefix, DName=2)
        silent.settimeout(5)
        self.assertIn(b"nodrel-e2e", silent.recv(512), "the look-up reached the server")

        self.write_config(master.folder, config_text(**side("master", port, PARTNER, DName=2)))
        master.proc.send_signal(signal.SIGHUP)
        arrivals, seen, deadline = [], 0, time.monotonic() + 6
        while time.monotonic() < deadline:
            if len(master.log_lines()) > seen:
                arrivals.append(time.monotonic())
                seen = len(master.log_lines())
            time.sleep(0.02)
        self.assertGreaterEqual(len(arrivals), 5, self.describe())
        self.assertLess(max(b - a for a, b in zip(arrivals, arrivals[1:])), 1.8, self.describe())
        self.assertConnected(self.start_side("slave", port, LOOPBACK), 0, 2)


if __name__ == "__main__":
    unittest.main()
