"""The release's run command as a person runs it: not as root. Root only
installs packages; nothing of running needs its rights."""

import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# nobody and nogroup
UNPRIVILEGED = "65534"


class ReleaseRunsUnprivileged(unittest.TestCase):

    def skip_or_fail_in_ci(self, reason):
        if os.environ.get("CI"):
            self.fail(reason)
        self.skipTest(reason)

    def test_headless_run_as_nobody(self):
        if os.getuid() != 0:
            self.skip_or_fail_in_ci("switching to an unprivileged user needs root")
        prepared = subprocess.run([os.path.join(ROOT, "scripts", "wine32.sh"), "prepare"],
                                  capture_output=True, text=True)
        if prepared.returncode != 0:
            self.skip_or_fail_in_ci(prepared.stderr.strip())
        # Wine takes only a prefix of the user's own: everything the run
        # writes is in a folder of that user's.
        home = tempfile.mkdtemp(prefix="korva1-unprivileged-", dir="/tmp")
        self.addCleanup(shutil.rmtree, home, True)
        checkout = os.path.join(home, "korva1")
        shutil.copytree(ROOT, checkout, symlinks=True,
                        ignore=lambda folder, names: {"build", ".git"} & set(names) if folder == ROOT else ())
        os.mkdir(os.path.join(home, "tmp"))
        subprocess.run(["chown", "-R", UNPRIVILEGED + ":" + UNPRIVILEGED, home], check=True)
        env = {"PATH": os.environ["PATH"], "HOME": home, "TMPDIR": os.path.join(home, "tmp"), "LANG": "C.UTF-8"}

        run = subprocess.run(["setpriv", "--reuid", UNPRIVILEGED, "--regid", UNPRIVILEGED, "--clear-groups",
                              os.path.join(checkout, "scripts", "run.sh"), "--release"],
                             cwd=home, env=env, capture_output=True, text=True, timeout=900)

        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertRegex(run.stdout, r"Running the 32-bit release .* under 32-bit Wine, (natively|emulated by qemu-i386 )")
        self.assertGreater(os.path.getsize(os.path.join(checkout, "build", "korva1.png")), 0)


if __name__ == "__main__":
    unittest.main()
