"""nodrel.exe under Wine: the real windows read through their controls. The texts and the
core's rules themselves are the unit suite's (it runs under Wine too)."""

import os
import re
import unittest

from desktop_harness import DesktopTestCase, start_display, stop_display
from nodreld_harness import read_text
from wine_harness import START_UP_ERROR, free_udp_port

setUpModule = start_display
tearDownModule = stop_display

# A slave whose master never speaks: deterministic on a busy machine, where a master's
# load may never fall below its level.
SLAVE = dict(CMain=2, IPAdd="127.1.1.1", StartDelay=2, LogLevel=2, StartMin=1)


def counter(reading):
    return reading["controls"]["IDC_Counter"]["text"]


def written_by_linux(**changes):
    """The file as the Linux build writes it (the unit suite pins it on both systems), for
    a master without a partner that waits an hour before it starts watching."""
    text = read_text(os.path.dirname(__file__), "..", "..", "data", "config", "written.ini")
    for key, value in dict(dict(IPAdd="", StartDelay=3600, StartMin=1, LogPath="Log\\"),
                           **changes).items():
        line = "%s=%s" % (key, value)
        text, found = re.subn(r"^%s=[^\r]*" % key, lambda _, line=line: line, text, flags=re.M)
        assert found == 1, key
    return text


class NodrelExe(DesktopTestCase):

    def assertFollows144Dpi(self, window, shown, control):
        """A move to a 144-DPI screen places the control as MulDiv rounds from 96 DPI."""
        self.assertEqual(self.probe("dpi", window, "144")[0], 0)
        self.assertEqual(self.read(window)["controls"][control]["place"],
                         [(n * 3 + 1) // 2 for n in shown["controls"][control]["place"]])

    def start_shown(self, folder, *args):
        """nodrel.exe in the folder, once its main window is shown."""
        program = self.start_desktop(folder, *args)
        self.wait_for("NodrelMain", "the main window", lambda r: r["visible"], program=program)
        return program

    def exit_by_button(self, program):
        self.click("NodrelMain", "IDC_Exit")
        self.assertEqual(program.wait(20), 0, self.describe())

    # Start, a move to a 144-DPI screen, activation, the countdown (the master is silent)
    # with only Cancel usable, Cancel back to the activation delay, then the session's end,
    # which logs "Exit" (the texts themselves: the unit suite).
    def test_start_countdown_cancel_and_exit(self):
        folder = self.installation(Port1=41031, **SLAVE)
        program = self.start_desktop(folder, "-InhibitShutdown")
        shown = self.wait_for("NodrelMain", "the activation delay", lambda r: r["visible"] and
                              counter(r).startswith("Program Activation In "),
                              program=program)
        self.assertEqual(shown["caption"], "Nodrel Slave")
        self.assertFollows144Dpi("NodrelMain", shown, "IDC_Reset")

        countdown = self.wait_for("NodrelMain", "the countdown",
                                  lambda r: counter(r).startswith("The Computer Will Power Off In"),
                                  program=program)
        self.assertEqual([countdown["controls"]["IDC_" + n]["enabled"] for n in (
            "Exit", "About", "Config", "TestS", "Reset")], [False] * 4 + [True])
        self.assertEqual(countdown["controls"]["IDC_Reset"]["text"], "Cancel")

        self.click("NodrelMain", "IDC_Reset")
        after = self.wait_for("NodrelMain", "the reset",
                              lambda r: counter(r).startswith("Program Activation In "),
                              program=program)
        self.assertFalse(after["topmost"])
        self.assertEqual(after["controls"]["IDC_Reset"]["text"], "Reset")
        self.assertEqual(self.probe("endsession", "NodrelMain")[0], 0, "nothing in the way")
        self.assertEqual(program.wait(20), 0, self.describe())
        self.assertEqual(program.log_events()[-1][1:3], ("Exit", "Initialise"))

    # Test mode names itself in the caption; the about window pauses the cycle, follows a
    # move to a 144-DPI screen and, under -InhibitShutdown, closes itself after 4 seconds.
    def test_test_mode_and_the_about_window(self):
        program = self.start_shown(self.installation(Port1=41033, **SLAVE), "-InhibitShutdown")
        self.click("NodrelMain", "IDC_TestS")
        self.wait_for("NodrelMain", "test mode",
                      lambda r: r["caption"] == "Nodrel Slave - Test Mode", program=program)
        self.click("NodrelMain", "IDC_About")
        about = self.wait_for("frmAbout", "the about window",
                              lambda r: r["controls"]["IDC_TMessage"]["text"], program=program)
        self.assertEqual((about["caption"], about["controls"]["IDC_TMessage"]["text"]),
                         ("About Nodrel Slave", "About will close in 4 sec"))
        self.assertFollows144Dpi("frmAbout", about, "IDC_ExitAbout")
        self.assertFalse(self.read("NodrelMain")["enabled"], "the main window waits")
        self.wait_until(lambda: self.read("frmAbout") is None, "the about window to close",
                        timeout=10, program=program)
        self.assertTrue(self.read("NodrelMain")["enabled"])
        self.exit_by_button(program)

    # Started in the tray (StartMin=2): hidden; a double click on Wine's tray icon brings
    # the window back, centred and shown.
    def test_starts_in_the_tray_and_a_double_click_restores_it(self):
        program = self.start_desktop(self.installation(**dict(SLAVE, Port1=41035, StartMin=2)),
                                     "-InhibitShutdown")
        self.wait_for("NodrelMain", "the window in the tray", lambda r: not r["visible"],
                      program=program)
        self.wait_until(lambda: self.probe("tray")[0] == 0 or None, "the tray icon",
                        program=program)
        self.wait_for("NodrelMain", "the restored window",
                      lambda r: r["visible"] and not r["minimised"], program=program)
        self.exit_by_button(program)

    # The Config button opens the window on the file's values (not the 6 s of
    # -InhibitShutdown); Save writes a changed value into Data\Nodrel4.ini byte for byte as
    # the Linux build does, and Close applies it to the main window.
    def test_save_writes_the_file_as_on_linux_and_close_applies_it(self):
        folder = self.installation()
        port = free_udp_port()
        before = written_by_linux(Port1=port)
        self.write_config(folder, before)
        program = self.start_shown(folder, "-InhibitShutdown")
        self.assertIn("below 20%", self.read("NodrelMain")["controls"]["IDC_Title"]["text"])
        self.click("NodrelMain", "IDC_Config")
        # Under -InhibitShutdown the window closes itself after 4 s: one call drives it.
        shown = self.wait_for("frmConfig", "the configuration window", lambda r: r["visible"],
                              program=program)
        self.assertEqual(shown["caption"], "Configure Nodrel")
        self.assertEqual((shown["controls"]["IDC_CPULevelT"]["text"],
                          shown["controls"]["IDC_CPUDelayT"]["text"]), ("20", "60"))
        self.assertTrue(shown["controls"]["IDC_Save"]["enabled"],
                        "Wine's user is an administrator")
        self.assertEqual(self.probe("set", "frmConfig", "IDC_CPULevelT", "30",
                                    "click", "frmConfig", "IDC_Save",
                                    "click", "frmConfig", "IDC_ExitConfig")[0], 0)

        after = self.wait_until(lambda: (lambda text: text != before and text)(
            read_text(folder, "Data", "Nodrel4.ini")), "the file saved", program=program)
        stamp = re.search(r"^# (\d\d-\w{3}-\d\d \d\d:\d\d:\d\d)\r$", after, re.M)
        self.assertTrue(stamp, after)
        expected = written_by_linux(Port1=port, CPULevel=30)
        self.assertEqual(after, expected.replace("05-Mar-24 14:07:09", stamp.group(1)))
        self.wait_for("NodrelMain", "the new threshold in use",
                      lambda r: "below 30%" in r["controls"]["IDC_Title"]["text"],
                      program=program)
        self.assertIsNone(self.read("frmConfig"))
        self.exit_by_button(program)

    # A second nodrel.exe shows only its start-up error; OK ends it with status 1.
    def test_a_second_copy_shows_only_the_start_up_error(self):
        first = self.start_shown(self.installation(Port1=41037, **SLAVE), "-InhibitShutdown")
        second = self.start_desktop(self.installation(Port1=41039, **SLAVE))
        shown = self.wait_for("MultiInst", "the start-up error", lambda r: r["visible"],
                              program=second)
        self.assertEqual(shown["caption"], START_UP_ERROR[0])
        self.assertEqual(shown["controls"]["IDC_ErrorMess"]["text"], "\r\n".join(START_UP_ERROR[1:]))
        self.assertTrue(shown["topmost"])
        self.assertFollows144Dpi("MultiInst", shown, "IDC_Exit")
        self.click("MultiInst", "IDC_Exit")
        self.assertEqual(second.wait(20), 1, self.describe())
        self.assertEqual(second.log_lines(), [], "a refused copy writes no log")
        self.assertTrue(first.running())


if __name__ == "__main__":
    unittest.main()
