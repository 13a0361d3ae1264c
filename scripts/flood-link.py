#!/usr/bin/python3
"""Floods a slave nodreld's link port with junk datagrams and measures what it costs.

Starts nodreld in a scratch folder as a slave (log level Full, "-InhibitShutdown
-AllowMulti") listening on a free loopback port, keeps it alive with a keep-alive sender
("<COA100>" twice a second, as a master would), lets it run quietly for a few seconds,
then floods its port from loopback with RATE datagrams a second for DURATION seconds,
and reports:
  * datagrams sent, and how many the kernel dropped at the slave's socket because its
    receive queue was full (the drops column of /proc/net/udp);
  * the slave's resident memory (VmRSS) before and after the flood, and the largest value
    sampled once a second during it;
  * its CPU use (schedstat, or utime + stime) as a share of one core, quiet and flooded;
  * how late its once-a-second work was: the log is polled every few ms and the moment
    each new "Run" line appears is taken; the offsets from a one-second grid started at
    the first Run line of the period give the max and mean deviation in ms, quiet and
    flooded, and missed seconds are counted;
  * whether the slave stayed connected: Count 0 in every Run line (and how many of them
    say "Error", which shows that the junk did reach it).

The run is bounded: the flood stops by itself after DURATION seconds (at most 600) and
RATE is at most 500,000 a second; all traffic goes to 127.0.0.1 only. With
"-InhibitShutdown" an action would only be simulated; the keep-alive keeps the slave
from counting down in the first place. The power service is pointed at nothing as well.

  bash scripts/python.sh scripts/flood-link.py  # 50,000/s for 30 s
  bash scripts/python.sh scripts/flood-link.py --rate 200000 --duration 10
  bash scripts/python.sh scripts/flood-link.py --nodreld path/to/nodreld --keep
"""

import argparse
import multiprocessing
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

from measure_support import (DEFAULT_NODRELD, LogWatcher, cpu_seconds, free_udp_port,
                             grid_deviations, make_scratch, parse_log_line, quiet_env,
                             read_status, start_in, stop)

LOOPBACK = "127.0.0.1"
KEEP_ALIVE = b"<COA100>"
MAX_RATE = 500_000
MAX_DURATION = 600.0


def parse(line):
    """(event, state, count, comms) of an event line, None for other lines."""
    event = parse_log_line(line)
    if event is None:
        return None
    comms = event.rest
    comms = comms[len(", Comms: "):] if comms.startswith(", Comms: ") else comms
    return event.event, event.state, event.count, comms


def socket_drops(port):
    """The drops counter of the UDP socket bound to `port`, or None."""
    wanted = ":%04X" % port
    try:
        with open("/proc/net/udp") as f:
            next(f)
            for line in f:
                fields = line.split()
                if fields[1].endswith(wanted):
                    return int(fields[-1])
    except OSError:
        pass
    return None


def keep_alive(port, stopping):
    """Two keep-alives a second on a fixed grid, like a master in phase Run."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        due = time.monotonic()
        while not stopping.is_set():
            sock.sendto(KEEP_ALIVE, (LOOPBACK, port))
            due += 0.5
            stopping.wait(max(0.0, due - time.monotonic()))


def flood(port, rate, seconds, payload, sent, window):
    """Runs in a process of its own, so that the log watcher keeps its own timing. Leaves
    the count in `sent` and its first and last moment (monotonic clock) in `window`."""
    total = int(rate * seconds)
    batch = max(1, int(rate) // 1000)  # at most a millisecond's worth between clock readings
    count = 0
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.connect((LOOPBACK, port))  # a connected socket sends faster
        send = sock.send
        started = time.monotonic()
        window[0] = started
        while count < total:
            elapsed = time.monotonic() - started
            if elapsed >= seconds:
                break
            due = min(total, int(elapsed * rate) + 1, count + batch)
            if count >= due:
                time.sleep(0.0005)
                continue
            try:
                for _ in range(due - count):
                    send(payload)
                    count += 1
            except OSError:  # ECONNREFUSED after the slave is gone, or a full queue
                time.sleep(0.001)
        window[1] = time.monotonic()
        sent.value = count


class Period:
    """The Run lines and CPU time of one stretch of the run."""

    def __init__(self, name):
        self.name = name
        self.runs = []  # (seen at, count, comms)
        self.cpu = self.started = self.ended = None

    def begin(self, pid):
        self.started, self.cpu = time.monotonic(), cpu_seconds(pid)

    def end(self, pid):
        self.ended = time.monotonic()
        self.cpu = cpu_seconds(pid) - self.cpu


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--nodreld", default=DEFAULT_NODRELD,
                        help="the program to measure (default: the one in build/)")
    parser.add_argument("--rate", type=int, default=50_000,
                        help="junk datagrams a second (default 50000, at most %d)" % MAX_RATE)
    parser.add_argument("--duration", type=float, default=30.0,
                        help="seconds of flooding (default 30, at most %g)" % MAX_DURATION)
    parser.add_argument("--quiet", type=float, default=5.0,
                        help="seconds measured without the flood first (default 5)")
    parser.add_argument("--senders", type=int, default=2,
                        help="processes sharing the flood, 1..4 (default 2: one Python "
                             "process alone may not reach 50,000/s)")
    parser.add_argument("--payload", default="junk", help="the datagram (default junk)")
    parser.add_argument("--poll-ms", type=float, default=3.0,
                        help="log polling interval in ms, 2..5 (default 3)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    args = parser.parse_args()

    if not os.access(args.nodreld, os.X_OK):
        sys.exit("flood-link: %s is not an executable; build first" % args.nodreld)
    if not 1 <= args.rate <= MAX_RATE:
        sys.exit("flood-link: --rate must lie in 1..%d" % MAX_RATE)
    if not 1 <= args.duration <= MAX_DURATION or not 0 <= args.quiet <= 60:
        sys.exit("flood-link: --duration must lie in 1..%g s, --quiet in 0..60 s" % MAX_DURATION)
    if not 1 <= args.senders <= 4:
        sys.exit("flood-link: --senders must lie in 1..4")
    if not 2 <= args.poll_ms <= 5:
        sys.exit("flood-link: --poll-ms must lie in 2..5")
    return args


class FloodRun:
    """The slave, its keep-alive and the flood's senders, and what watching them saw."""

    def __init__(self, args):
        self.args = args
        self.poll = args.poll_ms / 1000
        self.port = free_udp_port()
        self.scratch = make_scratch("nodrel-flood-", CMain=2, IPAdd=LOOPBACK, Port1=self.port,
                                    CPULevel=50)
        self.watcher = LogWatcher(self.scratch)
        self.console = open(os.path.join(self.scratch, "console.txt"), "wb")
        print("nodreld: %s\nfolder:  %s\nslave on %s:%d; %g s quiet, then %d datagrams/s for %g s"
              % (args.nodreld, self.scratch, LOOPBACK, self.port, args.quiet, args.rate,
                 args.duration), flush=True)
        self.stopping = threading.Event()
        self.keeper = threading.Thread(target=keep_alive, args=(self.port, self.stopping),
                                       daemon=True)
        self.proc = start_in(self.scratch,
                             [os.path.abspath(args.nodreld), "-InhibitShutdown", "-AllowMulti"],
                             quiet_env(), self.console, subprocess.STDOUT)
        self.keeper.start()
        self.sent = [multiprocessing.Value("q", 0) for _ in range(args.senders)]
        self.windows = [multiprocessing.Array("d", 2) for _ in range(args.senders)]
        self.window = None  # the flood's first and last moment, over all senders
        self.flooders = []
        self.problem = None
        self.all_runs = []
        self.periods = []
        self.rss = {}
        self.drops = {}
        self.max_rss_kb = 0
        self.exit_status = None

    def watch_until(self, deadline, period):
        """Polls the log until `deadline`; Run lines go to `period`. False on a problem."""
        next_sample = time.monotonic()
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                self.problem = "nodreld ended early with status %d" % self.proc.returncode
                return False
            for seen, line in self.watcher.poll():
                if not self.note_line(seen, line, period):
                    return False
            now = time.monotonic()
            if period is not None and now >= next_sample:
                self.max_rss_kb = max(self.max_rss_kb,
                                      read_status(self.proc.pid).get("VmRSS", 0))
                next_sample += 1.0
            time.sleep(self.poll)
        return True

    def note_line(self, seen, line, period):
        parsed = parse(line)
        if parsed is None:
            return True
        event, state, count, comms = parsed
        if event == "Run":
            self.all_runs.append((seen, count, comms))
            if period is not None:
                period.runs.append((seen, count, comms))
        elif (event, state) != ("Enter", "Run") and event != "Start":
            self.problem = "unexpected log line: " + line
            return False
        return True

    def run(self):
        """The whole run; its problem's text, or None."""
        self.await_first_run()
        if self.problem is None and self.args.quiet > 0:
            self.measure_period("quiet", self.args.quiet)
        if self.problem is None:
            self.measure_flood()
        if self.problem is None:
            self.rss["after"] = read_status(self.proc.pid).get("VmRSS", 0)
            self.drops["after"] = socket_drops(self.port)
            # A few seconds more: the slave must still hear the keep-alive.
            self.measure_period("after", 3)
        if self.problem is None:
            self.proc.send_signal(signal.SIGTERM)
            self.exit_status = self.proc.wait(timeout=10)
        return self.problem

    def await_first_run(self):
        """Up to the first Run line: the activation delay of one second, and the log header."""
        deadline = time.monotonic() + 10
        while not self.all_runs and self.problem is None and time.monotonic() < deadline:
            self.watch_until(time.monotonic() + 0.1, None)
        if not self.all_runs and self.problem is None:
            self.problem = "no Run line within 10 s"

    def measure_period(self, name, seconds):
        period = Period(name)
        period.begin(self.proc.pid)
        self.watch_until(time.monotonic() + seconds, period)
        period.end(self.proc.pid)
        self.periods.append(period)

    def measure_flood(self):
        args = self.args
        self.rss["before"] = read_status(self.proc.pid).get("VmRSS", 0)
        self.max_rss_kb = self.rss["before"]
        self.drops["before"] = socket_drops(self.port)
        flooded = Period("flood")
        flooded.begin(self.proc.pid)
        share = args.rate / args.senders
        self.flooders = [multiprocessing.Process(
            target=flood, args=(self.port, share, args.duration, args.payload.encode("latin-1"),
                                self.sent[i], self.windows[i]), daemon=True)
            for i in range(args.senders)]
        for flooder in self.flooders:
            flooder.start()
        while any(f.is_alive() for f in self.flooders) and self.problem is None:
            self.watch_until(time.monotonic() + 0.1, flooded)
            if time.monotonic() > flooded.started + args.duration + 10:
                self.problem = "the flood did not end in time"
        flooded.end(self.proc.pid)
        self.periods.append(flooded)
        # Only the Run lines written while the junk was arriving count as flooded.
        self.window = (min(w[0] for w in self.windows), max(w[1] for w in self.windows))
        flooded.runs = [r for r in flooded.runs if self.window[0] <= r[0] <= self.window[1]]

    def close(self):
        self.stopping.set()
        for flooder in self.flooders:
            if flooder.is_alive():
                flooder.terminate()
                flooder.join(timeout=5)
        stop(self.proc)
        self.keeper.join(timeout=2)
        self.console.close()


def figures(run):
    """The report's rows, (name, value), and whether the slave stayed connected."""
    args, rows = run.args, []
    flooded = run.periods[-2]
    flood_seconds = run.window[1] - run.window[0]
    total_sent = sum(s.value for s in run.sent)
    rows.append(("datagrams sent", "%d (%.0f/s over %.1f s, %d sender%s)" % (
        total_sent, total_sent / flood_seconds, flood_seconds, args.senders,
        "" if args.senders == 1 else "s")))
    if run.drops.get("before") is not None and run.drops.get("after") is not None:
        dropped = run.drops["after"] - run.drops["before"]
        rows.append(("dropped at the slave's socket (queue full)",
                     "%d (%.1f %%)" % (dropped, 100.0 * dropped / max(1, total_sent))))
    rows.append(("VmRSS before the flood", "%.2f MB" % (run.rss["before"] / 1024)))
    rows.append(("VmRSS after the flood", "%.2f MB" % (run.rss["after"] / 1024)))
    rows.append(("VmRSS max, sampled each second", "%.2f MB" % (run.max_rss_kb / 1024)))
    for period in run.periods:
        seconds = period.ended - period.started
        rows.append(("CPU, %s (%.0f s), share of one core" % (period.name, seconds),
                     "%.3f %%" % (100.0 * period.cpu / seconds)))
    for period in run.periods[:2]:
        deviations, missed = grid_deviations([t for t, _, _ in period.runs])
        if deviations:
            rows.append(("work tick vs 1 s grid, %s: max / mean" % period.name,
                         "%.1f / %.1f ms" % (max(deviations), sum(deviations) / len(deviations))))
            rows.append(("Run lines, %s: seen / missed seconds" % period.name,
                         "%d / %d" % (len(period.runs), missed)))
    counts = [count for _, count, _ in run.all_runs]
    connected = bool(counts) and max(counts) == 0
    errors = sum(1 for _, _, comms in flooded.runs if comms == "Error")
    rows.append(("stayed connected (Count 0 in every Run line)",
                 "yes" if connected else "NO: counts up to %d" % max(counts)))
    rows.append(("Run lines in the flood showing Comms Error",
                 "%d of %d" % (errors, len(flooded.runs))))
    rows.append(("exit status after SIGTERM", "%d" % run.exit_status))
    with open("/proc/loadavg") as f:
        rows.append(("machine load average (1 min) at the end, %d cores" % os.cpu_count(),
                     f.read().split()[0]))
    return rows, connected


def report(run):
    """Prints the figures; True when the slave stayed connected and ended cleanly."""
    rows, connected = figures(run)
    width = max(len(name) for name, _ in rows)
    print()
    print("%-*s  %s" % (width, "figure", "value"))
    print("-" * (width + 30))
    for name, value in rows:
        print("%-*s  %s" % (width, name, value))
    print("(Run lines are seen up to %.0f ms after they are written: the polling interval)"
          % run.args.poll_ms)
    return connected and run.exit_status == 0


def main():
    args = parse_args()
    run = FloodRun(args)
    try:
        problem = run.run()
    finally:
        run.close()
    if problem:
        print("FAILED: " + problem)
        print("the folder is kept: " + run.scratch)
        return 1
    passed = report(run)
    if args.keep:
        print("the folder is kept: " + run.scratch)
    else:
        shutil.rmtree(run.scratch, ignore_errors=True)
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
