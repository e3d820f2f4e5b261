"""scripts/check-msi-tables.py on the release's MSI, and on copies of it
with one fault each: the check must find every kind it is there for."""

import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
CHECK = os.path.join(ROOT, "scripts", "check-msi-tables.py")
PACKAGE = os.environ.get("KORVA_PACKAGE", "")
CODEPAGE_0 = "\r\n\r\n0\t_ForceCodepage\r\n"

# (fault, msibuild's arguments that make it, what the check must say)
BROKEN = [
    ("Control_Next", ["-q", "UPDATE `Control` SET `Control_Next`='Nowhere' WHERE `Dialog_`='WelcomeDlg' AND `Control`='Install'"],
     "Control WelcomeDlg.Install Control_Next: no control Nowhere in dialog WelcomeDlg"),
    ("text style", ["-q", "DELETE FROM `TextStyle` WHERE `TextStyle`='KorvaTitle'"],
     "Control ExitDialog.TitleInstalled: no text style KorvaTitle"),
    ("dialog an event opens", ["-q", "DELETE FROM `Dialog` WHERE `Dialog`='CancelDlg'"],
     "ControlEvent WelcomeDlg.Cancel SpawnDialog: no dialog CancelDlg"),
    ("action an event runs", ["-q", "DELETE FROM `CustomAction` WHERE `Action`='StartKorva1'"],
     "ControlEvent ExitDialog.Finish DoAction: no custom action StartKorva1"),
    ("code page", ["-i", "codepage.idt"], "the code page is '0', not 1252"),
]


class MsiTables(unittest.TestCase):

    def setUp(self):
        self.assertTrue(os.path.isfile(PACKAGE), f"no package {PACKAGE!r}: run scripts/package.sh first")
        self.folder = tempfile.mkdtemp(prefix="korva1-msi-tables-")
        self.addCleanup(shutil.rmtree, self.folder)
        with open(os.path.join(self.folder, "codepage.idt"), "w", newline="") as f:
            f.write(CODEPAGE_0)

    def check(self, package):
        return subprocess.run([CHECK, package], capture_output=True, text=True)

    def test_the_release_passes(self):
        checked = self.check(PACKAGE)
        self.assertEqual(checked.returncode, 0, checked.stdout)

    def test_each_broken_reference_and_another_code_page_fail(self):
        for fault, arguments, message in BROKEN:
            with self.subTest(fault=fault):
                broken = shutil.copy(PACKAGE, os.path.join(self.folder, "broken.msi"))
                subprocess.run(["msibuild", broken, *arguments], cwd=self.folder, check=True, capture_output=True)
                checked = self.check(broken)
                self.assertEqual(checked.returncode, 1, checked.stdout)
                self.assertIn("FAIL: " + message + "\n", checked.stdout)


if __name__ == "__main__":
    unittest.main()
