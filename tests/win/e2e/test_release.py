"""The Windows release: the zip's contents and the checksums, and the installer run
silently under Wine (a running copy, files, the shortcuts, a kept settings file, the
uninstaller)."""

import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

from wine_harness import WineTestCase

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
NAME = "nodrel-%s-windows-x64" % os.environ.get("NODREL_VERSION")
FOLDER = r"C:\nodrel-release-test"


def names_working_folder(data, folder):
    """Whether a .lnk file holds `folder` as a counted UTF-16 text: of its texts (name,
    relative path, working folder, arguments, icon) only the working folder can be one."""
    return any(len(folder + end).to_bytes(2, "little") + (folder + end).encode("utf-16-le")
               in data for end in ("", "\0"))  # some writers count the terminator


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Release(WineTestCase):

    @classmethod
    def setUpClass(cls):
        if not os.environ.get("NODREL_EXE"):
            raise unittest.SkipTest("NODREL_EXE is not set")
        cls.dist = tempfile.mkdtemp(prefix="nodrel-release-")
        tree = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(
            os.environ["NODREL_EXE"]))))
        subprocess.run(["bash", os.path.join(ROOT, "scripts", "windows-release.sh"), tree,
                        cls.dist], check=True, stdout=subprocess.DEVNULL, timeout=600)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dist, ignore_errors=True)

    def test_the_zip_holds_the_programs_the_defaults_an_empty_log_and_the_readme(self):
        sums = read_bytes(os.path.join(self.dist, "SHA256SUMS")).decode("ascii")
        self.assertEqual(sums, "".join(
            "%s  %s\n" % (hashlib.sha256(read_bytes(os.path.join(self.dist, n))).hexdigest(), n)
            for n in (NAME + ".zip", NAME + "-setup.exe")))
        with zipfile.ZipFile(os.path.join(self.dist, NAME + ".zip")) as archive:
            self.assertEqual(sorted(archive.namelist()), sorted(NAME + "/" + n for n in [
                "", "Data/", "Data/Nodrel4.ini", "Log/", "README.txt", "nodrel.exe",
                "nodreld.exe"]))
            readme = archive.read(NAME + "/README.txt")
            defaults = archive.read(NAME + "/Data/Nodrel4.ini")
        self.assertNotIn(b"\n", readme.replace(b"\r\n", b""), "every line ends in CR LF")
        for topic in (b"nodrel.exe", b"-InhibitShutdown", b"Data\\Nodrel4.ini", b"Log\\",
                      b"shutdown privilege", b"SHA256SUMS", b"SmartScreen",
                      b"netsh advfirewall firewall add rule", b"% Processor Time",
                      NAME.encode() + b".zip SHA256"):
            self.assertIn(topic, readme)
        self.assertEqual(defaults, read_bytes(os.path.join(ROOT, "data", "Nodrel4.ini")).replace(
            b"LogPath=Log/", b"LogPath=Log\\"))

    def test_silent_install_and_uninstall_under_wine(self):
        env = dict(os.environ, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        env.pop("DISPLAY", None)

        def wine(*args):
            return self.wine(*args, env=env, timeout=300)[0]

        def unix(path):
            return self.wine("winepath", "-u", path, env=env)[1]

        def start_a_copy():
            running = self.start(self.installation(Port1=41043, StartDelay=3600),
                                 "-InhibitShutdown")
            self.wait_until(running.log_lines, "the copy's start", timeout=60, program=running)
            return running

        folder = unix(FOLDER)
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        setup = os.path.join(self.dist, NAME + "-setup.exe")
        # A running copy is to be closed first: silently the set-up gives up (exit code 2).
        running = start_a_copy()
        self.assertEqual(wine(setup, "/S", "/D=" + FOLDER), 2)
        self.assertFalse(os.path.exists(folder))
        running.stop()
        self.assertEqual(wine(setup, "/S", "/STARTUP", "/D=" + FOLDER), 0)
        self.assertEqual(sorted(os.listdir(folder)), ["Data", "Log", "README.txt", "Uninstall.exe",
                                                       "nodrel.exe", "nodreld.exe"])
        menu = unix(r"C:\users\%s\AppData\Roaming\Microsoft\Windows\Start Menu\Programs"
                    % env.get("USER", "root"))
        with open(os.path.join(menu, "Nodrel.lnk"), "rb") as f:
            self.assertTrue(names_working_folder(f.read(), FOLDER))
        # Wine spells it "StartUp".
        startup = os.path.join(menu, next(n for n in os.listdir(menu) if n.lower() == "startup"),
                               "Nodrel.lnk")
        self.assertTrue(os.path.exists(startup))

        # "Start with Windows" puts a new settings file in the tray; one the user kept stays
        # as it is, byte for byte.
        settings = os.path.join(folder, "Data", "Nodrel4.ini")
        self.assertIn(b"StartMin=2\r\n", read_bytes(settings))
        kept = read_bytes(settings).replace(b"StartMin=2", b"StartMin=1")
        with open(settings, "wb") as f:
            f.write(kept)
        self.assertEqual(wine(setup, "/S", "/STARTUP", "/D=" + FOLDER), 0)
        self.assertEqual(read_bytes(settings), kept)

        # _?= keeps the uninstaller in place (and waited for); silently it keeps the
        # settings and the log, and leaves everything while a copy runs.
        running = start_a_copy()
        uninstall = os.path.join(folder, "Uninstall.exe")
        self.assertEqual(wine(uninstall, "/S", "_?=" + FOLDER), 2)
        self.assertIn("nodrel.exe", os.listdir(folder))
        running.stop()
        self.assertEqual(wine(uninstall, "/S", "_?=" + FOLDER), 0)
        self.assertEqual(sorted(os.listdir(folder)), ["Data", "Log", "Uninstall.exe"])
        self.assertFalse(os.path.exists(os.path.join(menu, "Nodrel.lnk")))
        self.assertFalse(os.path.exists(startup))


if __name__ == "__main__":
    unittest.main()
