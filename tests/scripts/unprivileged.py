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
from korva import poll, wine_shell  # noqa: E402

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
        self.home = self.new_home()
        self.env = self.account(self.home)

    def new_home(self):
        """A new home of nobody's, as a new account has. Wine takes only a
        prefix of the user's own: everything the user writes is in a folder
        of that user's."""
        home = tempfile.mkdtemp(prefix="korva1-unprivileged-", dir="/tmp")
        self.addCleanup(shutil.rmtree, home, True)
        os.mkdir(os.path.join(home, "tmp"))
        self.give_to_nobody(home)
        return home

    def account(self, home):
        """The environment of the account whose home is HOME."""
        return {"PATH": os.environ["PATH"], "HOME": home, "TMPDIR": os.path.join(home, "tmp"), "LANG": "C.UTF-8"}

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
        self.display = wine_shell(state, 'korva_display_start && echo "$DISPLAY"').stdout.strip()
        return self.display

    def xdotool(self, *args):
        """Runs xdotool on the display that start_display started; its output's lines."""
        return subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": self.display},
                              capture_output=True, text=True).stdout.splitlines()

    def form(self):
        """The form's window once it shows, and its program's process id."""
        (window,) = poll(lambda: self.xdotool("search", "--onlyvisible", "--name", "^Korva1$"), bool, "the form", 60)
        (program,) = self.xdotool("getwindowpid", window)
        return window, program

    def save_and_close(self, window, program, folder):
        """Saves test.bin into FOLDER with real keys, then ends the program
        with Escape. Shift+Tab from the first field: "Speichern Stream Binär"."""
        self.xdotool("windowfocus", "--sync", window, "key", "shift+Tab", "space")
        poll(lambda: os.path.exists(os.path.join(folder, "test.bin")), bool, f"test.bin in {folder}")
        self.xdotool("windowfocus", "--sync", window, "key", "Escape")
        poll(lambda: not os.path.exists(f"/proc/{program}"), bool, "the program to end")
