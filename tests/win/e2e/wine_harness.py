"""nodreld.exe under Wine, in scratch installations like nodreld's (tests/e2e): the same
harness, with the program started through scripts/wine-run.sh in the stage's prefix."""

import os
import shutil

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

    def installation(self, **settings):
        folder = super().installation()
        self.write_config(folder, windows_config(**settings))
        return folder

    def start(self, folder, *args, allow_multi=True, prefix=(), program=None, env=None):
        return super().start(folder, *args, allow_multi=allow_multi,
                             prefix=(wine_run(), *prefix),
                             program=beside(folder, program or nodreld_path()), env=env)
