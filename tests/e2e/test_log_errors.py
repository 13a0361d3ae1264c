"""A log that cannot be written ends nodreld with status 1 and a message, at start-up and
while it runs; the program never creates the log folder nor re-creates a lost file."""

import os
import shutil
import unittest

from nodreld_harness import NodreldTestCase, free_udp_port

TERMINATE = "The program will now terminate."


def folder_missing_at_start(title):
    return [title + " Log Directory Error",
            "The log directory does not exist. This",
            "directory must be created manually if",
            "it is not the default one. To restore",
            "the default log directory reinstall",
            "the program.", TERMINATE]


def folder_lost_while_running(title):
    return [title + " Log Directory Error",
            "The log directory is either missing or",
            "corrupted or there could be a permission",
            "problem. This directory must be created",
            "manually if it is not the default one.",
            "To restore the default log directory",
            " reinstall the program.", TERMINATE]


FILE_LOST = ["Nodrel Log File Error",
             "The log file is either missing or",
             "corrupted. Delete the log file if",
             "it exists and restart the program.", TERMINATE]


class LogErrorsAtStartUp(NodreldTestCase):

    def test_missing_log_folder(self):
        for level in (2, 3):
            for role, title, extra in (("master", "Nodrel", {}),
                                       ("slave", "Nodrel Slave",
                                        {"CMain": 2, "IPAdd": "127.1.1.1",
                                         "Port1": free_udp_port()})):
                with self.subTest(LogLevel=level, role=role):
                    self.new_installation()
                    os.rmdir(self.log_dir)
                    self.write_config(LogLevel=level, **extra)
                    program = self.run_to_end()
                    self.assertFatal(program, folder_missing_at_start(title))
                    self.assertFalse(os.path.exists(self.log_dir),
                                     "the log folder is never created")

    def test_log_file_name_taken_by_a_folder(self):
        os.mkdir(self.log_path)
        self.write_config(LogLevel=2)
        program = self.run_to_end()
        self.assertFatal(program, ["Nodrel Log File Error",
                                   "Unable to create the log file Nodrel.log.",
                                   "This may be a permissions problem.", TERMINATE])
        self.assertEqual(os.listdir(self.log_path), [])


class LogErrorsWhileRunning(NodreldTestCase):

    def start_and_wait_for_start_line(self):
        self.write_config(LogLevel=3, StartDelay=3)
        program = self.start()
        self.wait_for_event(program, "Start", "Initialise", timeout=3)
        return program

    def test_log_file_deleted(self):
        program = self.start_and_wait_for_start_line()
        os.remove(self.log_path)
        # The next activation second writes a line.
        program.wait(timeout=3)
        self.assertFatal(program, FILE_LOST)
        self.assertEqual(os.listdir(self.log_dir), [], "the log file is not re-created")

    def test_log_folder_removed(self):
        program = self.start_and_wait_for_start_line()
        shutil.rmtree(self.log_dir)
        program.wait(timeout=3)
        self.assertFatal(program, folder_lost_while_running("Nodrel"))
        self.assertFalse(os.path.exists(self.log_dir))


if __name__ == "__main__":
    unittest.main()
