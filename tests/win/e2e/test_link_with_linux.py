"""A link between the two builds over loopback: a Linux master keeps a Windows slave
alive, and the reverse; the slave counts down once its master stops. Slaves run with
-InhibitShutdown, so their action is only simulated."""

import os
import signal
import time
import unittest

from wine_harness import WineTestCase, config_text, free_udp_port

MASTER = dict(CMain=1, IPAdd="127.0.0.1", StartDelay=1, LogLevel=2)
SLAVE = dict(CMain=2, IPAdd="127.0.0.1", StartDelay=1, LogLevel=2)


class LinkBetweenBuilds(WineTestCase):

    def linux(self, folder, *args):
        if not os.environ.get("NODRELD_LINUX"):
            raise unittest.SkipTest("NODRELD_LINUX is not set: point it at the Linux nodreld")
        return super(WineTestCase, self).start(folder, *args, program=os.environ["NODRELD_LINUX"])

    def linux_installation(self, **settings):
        folder = super().installation()
        self.write_config(folder, config_text(**settings))
        return folder

    def test_each_build_keeps_the_other_alive_until_it_stops(self):
        port_w, port_l = free_udp_port(), free_udp_port()
        windows_slave = self.start(self.installation(Port1=port_w, **SLAVE), "-InhibitShutdown")
        linux_master = self.linux(self.linux_installation(Port1=port_w, **MASTER))
        linux_slave = self.linux(self.linux_installation(Port1=port_l, **SLAVE), "-InhibitShutdown")
        windows_master = self.start(self.installation(Port1=port_l, **MASTER))
        for slave in (windows_slave, linux_slave):
            self.wait_for_event(slave, "Enter", "Run", timeout=20)
        # Twice the slave's 6 s of allowed silence, with the masters speaking.
        time.sleep(12)
        for slave in (windows_slave, linux_slave):
            self.assertNotIn("Power Off", [e.state for e in slave.log_events()], self.describe())

        self.assertEqual(self.stop_with(linux_master, signal.SIGTERM), 0)
        self.assertEqual(self.stop_with(windows_master, signal.SIGINT, timeout=15), 0)
        stopped = time.monotonic()
        for slave in (windows_slave, linux_slave):
            self.wait_for_event(slave, "Enter", "Power Off", timeout=20)
            self.assertEqual(slave.wait(20), 0, self.describe())
            self.assertEqual([(e.event, e.state) for e in slave.log_events()][-2:],
                             [("Power Off", "Simulate"), ("Close", "Power Off")])
        self.assertGreater(time.monotonic() - stopped, 6)


if __name__ == "__main__":
    unittest.main()
