"""Files that cannot be written or read: the program says so and loses nothing."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest

from korva import (FormTestCase, LADEN1, SPEICHERN1, LADEN_STREAM, SPEICHERN_STREAM, LADEN_BINAER,
                   SPEICHERN_BINAER, form_values)

SAVES = [(SPEICHERN1, "test.txt"), (SPEICHERN_STREAM, "test2.txt"), (SPEICHERN_BINAER, "test.bin")]

# Earlier records, as another run of the program left them.
OLD = {
    "test.txt": "Alt\r\nAlfred\r\n12\r\nVW\r\nKämmereiwesen\r\n3\r\n0\r\n".encode("cp1252"),
    "test2.txt": b"Alt\r\nAlfred\r\n12\r\n1\r\n3\r\n0\r\n",
    "test.bin": struct.pack("<i", 3) + b"Alt" + struct.pack("<i", 6) + b"Alfred" + struct.pack("<ii", 12, 0),
}


class SaveFaults(FormTestCase):

    def press_each_save(self, app):
        """Presses the three save buttons (with a programme selected) and
        returns the message each one showed."""
        app.click_list_item(0)
        texts = []
        for button, _ in SAVES:
            app.click_control(button)
            texts.append(app.answer_message_box()["text"])
        return texts

    def test_read_only_files_are_kept(self):
        folder = tempfile.mkdtemp(prefix="korva1-e2e-")
        self.addCleanup(shutil.rmtree, folder)
        for name, data in OLD.items():
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.write(data)
            os.chmod(path, 0o444)
        app = self.start(folder=folder)
        self.assertEqual(self.press_each_save(app), ["Fehler beim Öffnen zum Schreiben"] * 3)
        for name, data in OLD.items():
            self.assertEqual(app.read_file(name), data)
        self.assertEqual(app.files(), sorted(OLD))

    def test_folders_in_place_of_the_files_are_kept(self):
        app = self.start()
        for _, name in SAVES:
            os.mkdir(app.path(name))
        self.assertEqual(self.press_each_save(app), ["Fehler beim Öffnen zum Schreiben"] * 3)
        for _, name in SAVES:
            self.assertTrue(os.path.isdir(app.path(name)))
            self.assertEqual(os.listdir(app.path(name)), [])
        self.assertEqual(app.files(), sorted(OLD))

    def test_a_full_disk_keeps_the_old_files_and_leaves_no_temporary_file(self):
        folder = tempfile.mkdtemp(prefix="korva1-e2e-")
        self.addCleanup(os.rmdir, folder)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=16k", "tmpfs", folder],
                                 capture_output=True)
        if mounted.returncode != 0:
            self.skip_or_fail_in_ci("cannot mount a small tmpfs: " + mounted.stderr.decode().strip())
        self.addCleanup(subprocess.run, ["umount", folder], check=True)
        for name, data in OLD.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        # Fill what is left, so that the first byte of a new file finds no room.
        try:
            with open(os.path.join(folder, "filler"), "wb") as f:
                while True:
                    f.write(b"\0" * 512)
                    f.flush()
        except OSError:
            pass

        app = self.start(folder=folder)
        self.assertEqual(self.press_each_save(app), ["Fehler beim Schreiben"] * 3)
        for name, data in OLD.items():
            self.assertEqual(app.read_file(name), data)
        self.assertEqual(app.files(), sorted([*OLD, "filler"]))


class LoadFaults(FormTestCase):

    def test_missing_and_damaged_files_leave_the_form_as_it_was(self):
        app = self.start()
        # test.txt ends after its third line; test.bin's surname length
        # exceeds the file; test2.txt does not exist.
        app.write_file("test.txt", b"Neu\r\nNora\r\n77\r\n")
        app.write_file("test.bin", struct.pack("<i", 1000) + b"Neu" + struct.pack("<i", 4) + b"Nora")
        before = form_values(app.state())
        for button, message in [(LADEN1, "Fehler beim Lesen"), (LADEN_STREAM, "Fehler beim Öffnen zum Lesen"),
                                (LADEN_BINAER, "Fehler beim Lesen")]:
            app.click_control(button)
            box = app.answer_message_box()
            self.assertEqual((box["caption"], box["text"]), ("Korva1", message))
            self.assertEqual(form_values(app.state()), before)
        self.assertEqual(app.files(), ["test.bin", "test.txt"])


if __name__ == "__main__":
    unittest.main()
