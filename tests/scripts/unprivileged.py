"""Runs commands as a person would, not as root: as nobody, with a new home
of its own. Switching to nobody needs root; without it the test is skipped,
or fails under CI."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from korva import wine_shell  # noqa: E402

# nobody and nogroup
UNPRIVILEGED = 65534


class AsNobody(unittest.TestCase):

    def skip_or_fail_in_ci(self, reason):
        if os.environ.get("CI"):
            self.fail(reason)
        self.skipTest(reason)

    def setUp(self):
        if os.getuid() != 0:
            self.skip_or_fail_in_ci("switching to an unprivileged user needs root")
        # Wine takes only a prefix of the user's own: everything the user
        # writes is in a folder of that user's.
        self.home = tempfile.mkdtemp(prefix="korva1-unprivileged-", dir="/tmp")
        self.addCleanup(shutil.rmtree, self.home, True)
        os.mkdir(os.path.join(self.home, "tmp"))
        self.give_to_nobody(self.home)
        self.env = {"PATH": os.environ["PATH"], "HOME": self.home, "TMPDIR": os.path.join(self.home, "tmp"),
                    "LANG": "C.UTF-8"}

    def give_to_nobody(self, path):
        subprocess.run(["chown", "-R", f"{UNPRIVILEGED}:{UNPRIVILEGED}", path], check=True)

    def nobody(self, *command):
        """The command line that runs COMMAND as nobody."""
        return ["setpriv", "--reuid", str(UNPRIVILEGED), "--regid", str(UNPRIVILEGED), "--clear-groups", *command]

    def as_nobody(self, *command, timeout=300, output=subprocess.PIPE, cwd=None, **env):
        """Runs a command as nobody; OUTPUT where a program that it starts outlives it (not a pipe)."""
        return subprocess.run(self.nobody(*command), cwd=cwd or self.home, env={**self.env, **env},
                              stdout=output, stderr=output, text=True, timeout=timeout)

    def start_display(self):
        """A virtual display that any local user may use, as a desktop's."""
        state = tempfile.mkdtemp(prefix="korva1-display-")
        self.addCleanup(shutil.rmtree, state, True)
        self.addCleanup(wine_shell, state, "korva_display_stop")
        return wine_shell(state, 'korva_display_start && echo "$DISPLAY"').stdout.strip()
