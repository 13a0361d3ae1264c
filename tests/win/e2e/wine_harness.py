"""nodreld.exe under Wine, in scratch installations like nodreld's (tests/e2e): the same
harness, with the program started through scripts/wine-run.sh in the stage's prefix."""

import os
import shutil
import subprocess
import tempfile

from nodreld_harness import (  # noqa: F401
    START_UP_ERROR, NodreldTestCase, config_text, free_udp_port, nodreld_path)


def wine_run():
    return os.environ["NODREL_WINE_RUN"]


def windows_config(**settings):
    """Settings as a Windows installation has them: the log folder with "\\"."""
    return config_text(**dict(dict(LogPath="Log\\"), **settings))


def beside(folder, program):
    """The program linked (or copied) into the installation folder: a Windows program looks
    for its files beside itself."""
    placed = os.path.join(folder, os.path.basename(program))
    if not os.path.exists(placed):
        try:
            os.link(program, placed)
        except OSError:
            shutil.copy(program, placed)
    return placed


class WineTestCase(NodreldTestCase):
    """Starts nodreld.exe (NODRELD) under Wine; a Windows program has no SIGTERM."""

    def throwaway_prefix(self):
        """A Wine prefix made for this test and removed after it, its server ended."""
        prefix = tempfile.mkdtemp(prefix="nodrel-throwaway-wine-")
        self.env = dict(self.env, WINEPREFIX=prefix)
        self.addCleanup(shutil.rmtree, prefix, ignore_errors=True)
        self.addCleanup(lambda: os.path.exists(prefix + ".lock") and os.remove(prefix + ".lock"))
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=self.env, check=False,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def wine(self, *command, env=None, timeout=120):
        """Status and output of a Windows program run to its end; the output through a file,
        as the first program of a new server starts Wine's own, which would hold a pipe open."""
        with tempfile.TemporaryFile() as out:
            status = subprocess.run([wine_run(), *command], env=env or self.env,
                                    cwd=tempfile.gettempdir(), stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=subprocess.DEVNULL, timeout=timeout,
                                    check=False).returncode
            out.seek(0)
            return status, out.read().decode("latin-1").strip()

    def installation(self, **settings):
        folder = super().installation()
        self.write_config(folder, windows_config(**settings))
        return folder

    def start(self, folder, *args, allow_multi=True, prefix=(), program=None, env=None):
        return super().start(folder, *args, allow_multi=allow_multi,
                             prefix=(wine_run(), *prefix),
                             program=beside(folder, program or nodreld_path()), env=env)
