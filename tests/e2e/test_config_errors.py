"""A configuration file nodreld cannot use ends it at once: status 1, the message on
stderr, no log entry, nothing left running."""

import os
import shutil
import signal
import unittest

from nodreld_harness import CRLF, NodreldTestCase, config_lines

TERMINATE = "The program will now terminate."
MISSING = ["Nodrel Configuration File Error",
           "The configuration file is either missing or corrupted.",
           "Reinstall the program to restore the file.", TERMINATE]
CORRUPTED = ["Nodrel Configuration File Error",
             "The configuration file is corrupted.",
             "Reinstall the program to restore the file.", TERMINATE]
OUT_OF_RANGE = ["Nodrel Configuration File Error",
                "The configuration file is missing or corrupted.",
                "Reinstall the program to restore the file.", TERMINATE]
READ_ERROR = ["Nodrel Configuration File Read Error",
              "Unable to read the configuration file.",
              "This may be a permissions problem.", TERMINATE]

EARLIER_LOG = b"an earlier run's log\r\n"


def replaced(lines, old, new):
    """The lines with the line `old` replaced by the lines in `new`."""
    index = lines.index(old)
    return lines[:index] + list(new) + lines[index + 1:]


class ConfigurationErrors(NodreldTestCase):

    def expect_fatal(self, expected_stderr, text=None, **overrides):
        """Runs nodreld on a fresh installation whose file holds `text` (or the good
        file with `overrides`) and checks it ends with this message and no log entry."""
        self.new_installation()
        with open(self.log_path, "wb") as f:
            f.write(EARLIER_LOG)
        if text is not None:
            self.write_config_text(text)
        else:
            self.write_config(**overrides)
        program = self.run_to_end()
        self.assertFatal(program, expected_stderr)
        self.assertEqual(program.stdout(), "")
        self.assertEqual(os.listdir(self.log_dir), ["Nodrel.log"])
        with open(self.log_path, "rb") as f:
            self.assertEqual(f.read(), EARLIER_LOG, "the log was written to")

    def test_missing_file(self):
        self.new_installation()
        program = self.run_to_end()
        self.assertFatal(program, MISSING)
        self.assertEqual(os.listdir(self.log_dir), [])

    def test_missing_data_folder_is_reported_as_a_missing_file(self):
        self.new_installation()
        shutil.rmtree(self.data_dir)
        program = self.run_to_end()
        self.assertFatal(program, MISSING)
        self.assertEqual(os.listdir(self.log_dir), [])

    def test_file_without_all_its_sections_or_keys_is_corrupted(self):
        good = config_lines()
        cases = {
            "no [Shutdown]": [line for line in good if line != "[Shutdown]"],
            "[shutdown] in lower case": replaced(good, "[Shutdown]", ["[shutdown]"]),
            "a fourth section line": replaced(good, "[Run]", ["[Run]", "[Run]"]),
            "key in lower case": replaced(good, "AvTime=5", ["avtime=5"]),
            "no ShutType": [line for line in good if not line.startswith("ShutType=")],
            "a sixteenth key line": replaced(good, "AvTime=5", ["AvTime=5", "AvTime=5"]),
            "a key with blanks before its =": replaced(good, "AvTime=5", ["AvTime =5"]),
            "empty file": [],
        }
        for name, lines in cases.items():
            with self.subTest(name):
                self.expect_fatal(CORRUPTED, text=CRLF.join(lines) + CRLF if lines else "")

    def test_value_out_of_its_range_ends_the_program(self):
        cases = [
            {"AvTime": 0}, {"AvTime": 31},
            {"CPUDelay": 4}, {"CPUDelay": 1801},
            {"CPULevel": 4}, {"CPULevel": 51},
            {"LogLevel": 0}, {"LogLevel": 4},
            {"LogName": "a.log"}, {"LogName": "a-name-of-21-letters."},
            {"LogPath": "Log"},
            {"Port1": 1023}, {"Port1": 65536},
            {"ShutTime": 1}, {"ShutTime": 601},
            {"ShutType": 0}, {"ShutType": 7},
            {"StartDelay": 0}, {"StartDelay": 3601},
            {"CMain": 3}, {"DName": 0}, {"RunOnTop": 3}, {"StartMin": 0},
            {"IPAdd": "192.168.1.300"},
            {"DName": 2, "IPAdd": "192.168.1.20"},
            {"AvTime": "abc"},
        ]
        for overrides in cases:
            with self.subTest(**overrides):
                self.expect_fatal(OUT_OF_RANGE, **overrides)

    def test_key_given_twice_stands_in_for_a_missing_one_which_stays_zero(self):
        lines = replaced(config_lines(), "CPUDelay=1800", ["AvTime=5"])
        self.expect_fatal(OUT_OF_RANGE, text=CRLF.join(lines) + CRLF)

    def test_number_too_large_for_its_field_is_a_read_error(self):
        for overrides in ({"CPUDelay": 40000}, {"AvTime": -40000},
                          {"Port1": 3000000000}):
            with self.subTest(**overrides):
                self.expect_fatal(READ_ERROR, **overrides)


class AcceptedFiles(NodreldTestCase):
    """Files that look odd but hold usable values run like any other."""

    def run_until_started(self):
        program = self.start()
        self.wait_for_event(program, "Start", "Initialise", timeout=3)
        self.assertTrue(program.running())
        self.assertEqual(self.stop_with(program, signal.SIGTERM), 0)
        self.assertEqual(program.stderr(), "")
        return program

    def test_values_at_the_ends_of_their_ranges(self):
        for overrides in (
                dict(AvTime=1, CPULevel=5, LogName="abcdefgh", Port1=1024, ShutTime=600,
                     StartDelay=3600, ShutType=6, RunOnTop=2, StartMin=2, LogLevel=2),
                dict(AvTime=30, CPULevel=50, LogName="abcdefghijklmnopqrst", Port1=65535,
                     ShutTime=2, StartDelay=1, ShutType=1, CMain=1, DName=2,
                     IPAdd="localhost", LogLevel=3)):
            with self.subTest(**overrides):
                self.new_installation()
                self.log_path = os.path.join(self.log_dir, overrides["LogName"])
                self.write_config(**overrides)
                self.run_until_started()

    def test_section_given_twice_stands_in_for_a_missing_one(self):
        lines = replaced(config_lines(), "[Comms]", ["[Run]"])
        self.write_config_text(CRLF.join(lines) + CRLF)
        self.run_until_started()

    def test_lenient_numbers_comments_and_unknown_lines(self):
        lines = config_lines()
        lines = replaced(lines, "AvTime=5", ["  AvTime=12 sec"])
        lines = replaced(lines, "ShutTime=60", ["ShutTime=2.5"])
        lines = replaced(lines, "CPULevel=50", ["CPULevel=4.6e1"])
        lines = replaced(lines, "[Run]", ["#note", "  # spaced note", "Colour=red", "[Run]"])
        self.write_config_text(CRLF.join(lines) + CRLF)
        program = self.run_until_started()
        self.assertEqual(program.stdout_lines()[0],
                         "Nodrel: Power Off the computer if CPU load is below 46% for over "
                         "1800 sec")
        log = self.read_log()
        # The listing holds the lines as read, trimmed; "#note" is a comment.
        self.assertIn(CRLF + "# spaced note" + CRLF + "Colour=red" + CRLF + CRLF + "[Run]" +
                      CRLF + "AvTime=12 sec" + CRLF, log)
        self.assertNotIn("#note", log)
        self.assertIn(CRLF + "ShutTime=2.5" + CRLF, log)


if __name__ == "__main__":
    unittest.main()
