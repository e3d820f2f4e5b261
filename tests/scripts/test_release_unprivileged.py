"""The release as a person runs it and installs it: not as root. Root only
installs packages; nothing of running or installing needs its rights."""

import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from korva import poll, wine_shell  # noqa: E402

# nobody and nogroup
UNPRIVILEGED = 65534
RELEASE = os.path.join(ROOT, "build", "windows-x86", "app", "Korva1.exe")
PACKAGE = os.environ.get("KORVA_PACKAGE", "")


class ReleaseRunsUnprivileged(unittest.TestCase):

    def skip_or_fail_in_ci(self, reason):
        if os.environ.get("CI"):
            self.fail(reason)
        self.skipTest(reason)

    def setUp(self):
        if os.getuid() != 0:
            self.skip_or_fail_in_ci("switching to an unprivileged user needs root")
        prepared = subprocess.run([os.path.join(ROOT, "scripts", "wine32.sh"), "prepare"],
                                  capture_output=True, text=True)
        if prepared.returncode != 0:
            self.skip_or_fail_in_ci(prepared.stderr.strip())
        # Wine takes only a prefix of the user's own: everything the user
        # writes is in a folder of that user's, with a copy of the sources.
        self.home = tempfile.mkdtemp(prefix="korva1-unprivileged-", dir="/tmp")
        self.addCleanup(shutil.rmtree, self.home, True)
        self.checkout = os.path.join(self.home, "korva1")
        shutil.copytree(ROOT, self.checkout, symlinks=True,
                        ignore=lambda folder, names: {"build", "dist", ".git"} & set(names) if folder == ROOT else ())
        os.mkdir(os.path.join(self.home, "tmp"))
        self.give_to_nobody(self.home)
        self.env = {"PATH": os.environ["PATH"], "HOME": self.home, "TMPDIR": os.path.join(self.home, "tmp"),
                    "LANG": "C.UTF-8"}

    def give_to_nobody(self, path):
        subprocess.run(["chown", "-R", f"{UNPRIVILEGED}:{UNPRIVILEGED}", path], check=True)

    def as_nobody(self, *command, timeout=300, output=subprocess.PIPE, cwd=None, **env):
        """Runs a command as nobody; OUTPUT where a program that it starts outlives it (not a pipe)."""
        return subprocess.run(["setpriv", "--reuid", str(UNPRIVILEGED), "--regid", str(UNPRIVILEGED),
                               "--clear-groups", *command], cwd=cwd or self.home, env={**self.env, **env},
                              stdout=output, stderr=output, text=True, timeout=timeout)

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

    def test_install_start_from_the_menu_upgrade_and_remove(self):
        self.assertTrue(os.path.isfile(PACKAGE), f"no package {PACKAGE!r}: run scripts/package.sh first")
        display = self.start_display()
        data, config, documents, launched_from = (os.path.join(self.home, name) for name in
                                                  ("data", "config", "Documents", "launched-from"))
        # The packages in nobody's own folder: the checkout may be out of its reach.
        older, newer = shutil.copy(PACKAGE, self.home), os.path.join(self.home, "Korva1-1.0.1.0.msi")
        icon = os.path.join(ROOT, "build", "windows-x86", "res", "Korva1.ico")
        newer_entry = ["{%s}|||Korva1" % self.package_library(
            f'korva_msi "{RELEASE}" "{icon}" 1.0.1.0 0 "{newer}" && korva_uuid "product 1.0.1.0"')]
        os.mkdir(documents)
        os.mkdir(launched_from)
        self.give_to_nobody(self.home)
        self.env.update(XDG_DATA_HOME=data, XDG_CONFIG_HOME=config, DISPLAY=display)
        install = os.path.join(self.checkout, "scripts", "install.sh")
        state = os.path.join(data, "korva1")
        user = glob.escape(state) + "/prefix/drive_c/users/*/"

        installing = self.as_nobody(install, older)
        self.assertEqual(installing.returncode, 0, installing.stderr)
        (exe,) = glob.glob(user + "AppData/Local/Programs/Korva1/Korva1.exe")
        self.assertTrue(filecmp.cmp(exe, RELEASE, shallow=False), "the installed exe is not the release")
        entry = os.path.join(data, "applications", "wine", "Programs", "Korva1.desktop")
        subprocess.run(["desktop-file-validate", entry], check=True)
        with open(entry) as f:
            (icon_name,) = re.findall(r"^Icon=(.*)$", f.read(), re.M)
        self.assertTrue(glob.glob(f"{data}/icons/hicolor/*/apps/{icon_name}.png"))

        # Started from the menu as a desktop starts it, without the checkout,
        # on a desktop whose locale would give Wine another code page.
        os.rename(self.checkout, self.checkout + "-moved")
        launched = self.as_nobody("gio", "launch", entry, LC_ALL="ru_RU.UTF-8", output=subprocess.DEVNULL,
                                  cwd=launched_from)
        os.rename(self.checkout + "-moved", self.checkout)
        self.assertEqual(launched.returncode, 0)
        x = lambda *args: subprocess.run(["xdotool", *args], env={**os.environ, "DISPLAY": display},
                                         capture_output=True, text=True).stdout.split()
        (window,) = poll(lambda: x("search", "--onlyvisible", "--name", "^Korva1$"), bool, "the form", 60)
        (program,) = x("getwindowpid", window)
        with open(f"/proc/{program}/environ") as f:
            environment = dict(v.split("=", 1) for v in f.read().split("\0") if "=" in v)
        self.assertEqual((environment["LC_CTYPE"], environment.get("LC_ALL", "")), ("C.UTF-8", ""))
        with open(f"/proc/{program}/exe", "rb") as f:
            self.assertEqual(f.read(5), b"\x7fELF\x01", "not 32-bit Wine")
        # Shift+Tab from the first field: "Speichern Stream Binär".
        x("windowfocus", "--sync", window, "key", "shift+Tab", "space")
        saved = os.path.join(documents, "Korva1", "test.bin")
        poll(lambda: os.path.exists(saved), bool, "test.bin in Documents\\Korva1")
        self.assertEqual(os.listdir(launched_from), [])
        x("windowfocus", "--sync", window, "key", "Escape")
        poll(lambda: not os.path.exists(f"/proc/{program}"), bool, "the program to end")

        # As Windows Installer takes the package: a later version replaces
        # it, an older one is refused (1603), removal takes it out.
        for action, package, status, entries in [("/i", newer, 0, newer_entry), ("/i", older, 1603 % 256, newer_entry),
                                                 ("/x", newer, 0, [])]:
            with self.subTest(action=action, package=package):
                result = self.as_nobody("bash", "-c", 'source "$0"; KORVA_WINE_ARCH=win32 korva_use_state "$1"; '
                                        '"$WINE64" msiexec "$2" "Z:$3" /qn; echo "status $?"; '
                                        '"$WINE64" uninstaller --list', f"{self.checkout}/scripts/lib/korva.sh",
                                        state, action, package.replace("/", "\\"))
                self.assertEqual(result.stdout.splitlines(), [f"status {status}", *entries], result.stderr)
        self.assertEqual(glob.glob(user + "AppData/Local/Programs/Korva1")
                         + glob.glob(user + "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Korva1.lnk"), [])

        removing = self.as_nobody(install, "--remove")
        self.assertEqual(removing.returncode, 0, removing.stderr)
        self.assertFalse(os.path.exists(state))
        self.assertEqual(glob.glob(f"{data}/**/*Korva1*", recursive=True)
                         + glob.glob(f"{config}/**/*Korva1*", recursive=True), [])
        self.assertTrue(os.path.exists(saved))

    def start_display(self):
        """A virtual display that any local user may use, as a desktop's."""
        state = tempfile.mkdtemp(prefix="korva1-display-")
        self.addCleanup(shutil.rmtree, state, True)
        self.addCleanup(wine_shell, state, "korva_display_stop")
        return wine_shell(state, 'korva_display_start && echo "$DISPLAY"').stdout.strip()

    def package_library(self, script):
        """Runs a script with scripts/lib/package.sh, which builds the packages."""
        return subprocess.run(["bash", "-c", f'set -euo pipefail; source "{ROOT}/scripts/lib/package.sh"; {script}'],
                              check=True, capture_output=True, text=True).stdout.strip()


if __name__ == "__main__":
    unittest.main()
