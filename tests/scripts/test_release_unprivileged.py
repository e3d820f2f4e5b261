"""The release as a person runs it: not as root. Root only installs
packages; nothing of running needs its rights."""

import glob
import os
import shutil
import subprocess
import time
import unittest

from unprivileged import ROOT, AsNobody


class ReleaseRunsUnprivileged(AsNobody):

    def setUp(self):
        super().setUp()
        prepared = subprocess.run([os.path.join(ROOT, "scripts", "wine32.sh"), "prepare"],
                                  capture_output=True, text=True)
        if prepared.returncode != 0:
            self.skip_or_fail_in_ci(prepared.stderr.strip())
        # A copy of the sources in nobody's home: the checkout may be out of its reach.
        self.checkout = os.path.join(self.home, "korva1")
        shutil.copytree(ROOT, self.checkout, symlinks=True,
                        ignore=lambda folder, names: {"build", "dist", ".git"} & set(names) if folder == ROOT else ())
        self.give_to_nobody(self.checkout)

    def test_headless_run_then_one_whose_program_cannot_start(self):
        run = self.as_nobody(os.path.join(self.checkout, "scripts", "run.sh"), "--release", timeout=900)

        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertRegex(run.stdout, r"Running the 32-bit release .* under 32-bit Wine, (natively|emulated by qemu-i386 )")
        self.assertGreater(os.path.getsize(os.path.join(self.checkout, "build", "korva1.png")), 0)
        # Wine's menu builder is off in the scripts' prefixes.
        self.assertEqual(glob.glob(os.path.join(self.home, ".local", "share", "*")), [])

        # Wine refuses a prefix that is not the user's own: the program ends at once.
        os.chown(os.path.join(self.checkout, "build", "wine", "run", "prefix"), 0, 0)
        start = time.monotonic()
        run = self.as_nobody(os.path.join(self.checkout, "scripts", "run.sh"), "--release", timeout=60)
        self.assertLess(time.monotonic() - start, 15)
        self.assertNotEqual(run.returncode, 0)
        self.assertIn("The program ended before its window 'Korva1' appeared", run.stderr)
        self.assertIn("is not owned by you", run.stderr)


if __name__ == "__main__":
    unittest.main()
