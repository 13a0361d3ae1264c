"""The console program nodreld on its own: settings, signals, fatal errors, one copy."""

import os
import re
import shutil
import signal
import subprocess
import time
import unittest

from nodreld_harness import START_UP_ERROR, NodreldTestCase, config_text

TITLE = "Nodrel: %s the computer if CPU load is below %d%% for over 1800 sec"
READINGS = re.compile(r"^, CPU: {0,2}\d{1,3}%, Av CPU: {0,2}\d{1,3}%$")
TERMINATE = "The program will now terminate."


class Nodreld(NodreldTestCase):

    # Activation delay, one Run line a second, the journal, what the service manager hears,
    # SIGHUP re-reads, SIGTERM closes.
    def test_monitors_reloads_on_sighup_and_exits_on_sigterm(self):
        folder = self.installation(StartDelay=2, LogLevel=3)
        notify = self.notify_socket(folder)
        program = self.start(folder, env=dict(self.env, **notify.env()))
        start = self.wait_for_event(program, "Start", "Initialise")
        started_at = time.monotonic()
        run = self.wait_for_event(program, "Enter", "Run", after=start)
        entered_run_at = time.monotonic()
        self.wait_until(lambda: len(program.log_events()[run + 1:]) >= 3, "three Run lines",
                        program=program)
        # A two-second activation delay, then one Run line a second.
        self.assertTrue(1.75 < entered_run_at - started_at < 3.5, entered_run_at - started_at)
        self.assertGreater(time.monotonic() - entered_run_at, 2.5)
        # The journal: the title and one line per change of phase, none per second.
        self.assertEqual(program.output(1), [TITLE % ("Power Off", 50),
                                                  "Program Activation In 2s",
                                                  "Program Activation In 0s"])

        self.write_config(folder, config_text(StartDelay=2, LogLevel=3, ShutType=2, CPULevel=40))
        program.proc.send_signal(signal.SIGHUP)
        updated = self.wait_for_event(program, "Config", "Updated", after=run)
        self.wait_for_event(program, "Enter", "Run", after=updated, timeout=5)
        self.assertEqual(self.stop_with(program), 0)
        ran_for = time.monotonic() - started_at

        # Ready once started; the first two lines whenever they change; alive from the tick.
        messages = notify.messages()
        self.assertEqual(messages[0], "READY=1")
        statuses = [m[len("STATUS="):] for m in messages if m.startswith("STATUS=")]
        title = TITLE[len("Nodrel: "):] % ("Power Off", 50)
        self.assertEqual(statuses[:3], [title + " / Program Activation In %ds" % n
                                        for n in (2, 1, 0)])
        self.assertTrue(statuses[3].startswith(title + " / CPU less than 50% for the last "))
        self.assertTrue(all(a != b for a, b in zip(statuses, statuses[1:])), statuses)
        self.assertGreaterEqual(messages.count("WATCHDOG=1"), ran_for, "once a second or more")

        # The real log file: its header, real readings each second, the reload, the exit.
        self.assertEqual(program.log_lines()[:3], ["Nodrel", "Version 5.5", "File Created"])
        events = program.log_events()
        for e in events[run + 1:updated]:
            self.assertEqual((e.event, e.state, e.marker), ("Run", "", " "))
            self.assertRegex(e.rest, READINGS)
        self.assertEqual([(e.event, e.state) for e in events[:run + 1] + events[-1:]],
                         [("Start", "Initialise"), ("Inactive", ""), ("Enter", "Run"),
                          ("Exit", "Run")])
        titles = [line for line in program.output(1) if line.startswith("Nodrel: ")]
        self.assertEqual(titles, [TITLE % ("Power Off", 50), TITLE % ("Reboot", 40)])

    # A master that can never read the load (/proc/stat an empty file in a mount namespace
    # of its own) logs "Err " every second and never reaches its countdown.
    def test_a_master_that_cannot_read_the_load_never_counts_down(self):
        folder = self.installation(StartDelay=1, LogLevel=3, CPUDelay=5)
        empty = os.path.join(folder, "empty-stat")
        open(empty, "w").close()
        prefix = ["unshare", "-m", "sh", "-c", 'mount --bind "$0" /proc/stat && exec "$@"', empty]
        if os.geteuid() != 0 or subprocess.run(prefix + ["true"]).returncode != 0:
            self.skipTest("a private mount namespace needs root")
        # "-InhibitShutdown" shortens the wait to 6 s; twice that passes without a countdown.
        program = self.start(folder, "-InhibitShutdown", prefix=prefix)
        run = self.wait_for_event(program, "Enter", "Run")
        self.wait_until(lambda: len(program.log_events()) > run + 12, "twelve seconds in Run",
                        timeout=20, program=program)
        self.assertEqual(self.stop_with(program), 0)
        seconds = program.log_events()[run + 1:-1]
        self.assertEqual({(e.event, e.state, e.count, e.rest) for e in seconds},
                         {("Run", "", 0, ", CPU:Err , Av CPU:Err ")})

    # The log needs only write permission (0622, someone else's), and a copy-and-truncate
    # while it runs at level Full loses no later line and does not end it.
    def test_writes_a_log_it_cannot_read_and_goes_on_after_copytruncate(self):
        folder = self.installation(StartDelay=1, LogLevel=3)
        log = os.path.join(folder, "Log", "Nodrel.log")
        open(log, "w").close()
        os.chmod(log, 0o622)
        prefix = []
        if os.geteuid() == 0:  # root reads any file: run as nobody, the log stays root's
            prefix = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
            os.chmod(folder, 0o755)
        else:
            os.chmod(log, 0o222)  # the owner may write it, not read it
        program = self.start(folder, prefix=prefix)
        run = self.wait_for_event(program, "Enter", "Run")
        self.wait_until(lambda: len(program.log_events()) > run + 2, "two Run lines",
                        program=program)
        shutil.copyfile(log, log + ".1")
        os.truncate(log, 0)
        self.wait_until(lambda: len(program.log_events()) >= 3, "three lines after the truncation",
                        program=program)
        self.assertEqual(self.stop_with(program), 0)
        with open(log, "rb") as f:
            after = f.read().decode("latin-1").split("\r\n")
        self.assertEqual(after[-1], "", "whole lines only")
        events = program.log_events()
        self.assertEqual(len(events), len(after) - 1, after)
        self.assertEqual({e.event for e in events[:-1]}, {"Run"})
        self.assertEqual((events[-1].event, events[-1].state), ("Exit", "Run"))

    # A file or a log folder it cannot use ends it with status 1 and its message on stderr,
    # logging nothing (every message and the reload of a bad file: unit tests).
    def test_a_file_or_folder_it_cannot_use_ends_it_with_status_1(self):
        for name, settings, expected in [
            ("AvTime=0", dict(AvTime=0), ["Nodrel Configuration File Error",
                                          "The configuration file is missing or corrupted.",
                                          "Reinstall the program to restore the file.", TERMINATE]),
            ("no log folder", None, ["Nodrel Log Directory Error",
                                     "The log directory does not exist. This",
                                     "directory must be created manually if",
                                     "it is not the default one. To restore",
                                     "the default log directory reinstall", "the program.",
                                     TERMINATE]),
        ]:
            with self.subTest(name):
                log = os.path.join(self.installation(**settings or {}), "Log")
                if settings is None:
                    os.rmdir(log)
                notify = self.notify_socket(os.path.dirname(log))
                self.assertFatal(self.start(os.path.dirname(log),
                                            env=dict(self.env, **notify.env())), expected)
                self.assertEqual(notify.messages(), [], "never ready")
                self.assertEqual(os.path.isdir(log) and os.listdir(log), [] if settings else False,
                                 "nothing logged, no log folder made")

    # The single-instance guard refuses a second copy unless it has -AllowMulti; a command
    # line out of order is refused before the guard is asked.
    def test_a_second_copy_is_refused_unless_it_allows_several(self):
        first = self.start_guard_holder(self.installation(StartDelay=30, LogLevel=2))
        misplaced = self.start(self.installation(LogLevel=2), "-AllowMulti", "-InhibitShutdown",
                               allow_multi=False)
        self.assertEqual(misplaced.wait(5), 1, self.describe())
        self.assertIn('command line: "-AllowMulti -InhibitShutdown"', misplaced.output(2)[0])
        self.assertEqual(misplaced.log_lines(), [], "a refused command line writes no log")
        second = self.start(self.installation(StartDelay=30, LogLevel=2), allow_multi=False)
        self.assertFatal(second, START_UP_ERROR)
        self.assertEqual(second.log_lines(), [], "a refused copy writes no log")
        third = self.start(self.installation(StartDelay=30, LogLevel=2))
        self.wait_for_event(third, "Start", "Initialise")
        self.assertTrue(first.running() and third.running())


if __name__ == "__main__":
    unittest.main()
