"""The release as a person runs it and installs it: not as root. Root only
installs packages; nothing of running or installing needs its rights."""

import filecmp
import glob
import os
import shutil
import subprocess
import time
import unittest

from unprivileged import ROOT, AsNobody

RELEASE = os.path.join(ROOT, "build", "windows-x86", "app", "Korva1.exe")
PACKAGE = os.environ.get("KORVA_PACKAGE", "")


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

    def test_msi_install_upgrade_and_remove(self):
        self.assertTrue(os.path.isfile(PACKAGE), f"no package {PACKAGE!r}: run scripts/package.sh first")
        self.start_display()
        self.state = os.path.join(self.home, "state")
        # Wine makes Documents the user's own ~/Documents.
        files = os.path.join(self.home, "Documents", "Korva1")
        os.mkdir(os.path.dirname(files))
        # The packages in nobody's own folder: the checkout may be out of its reach.
        older, newer = shutil.copy(PACKAGE, self.home), os.path.join(self.home, "Korva1-1.0.1.0.msi")
        icon = os.path.join(ROOT, "build", "windows-x86", "res", "Korva1.ico")
        older_entry, newer_entry = ("{%s}|||Korva1" % self.package_library(f'korva_uuid "product {version}"')
                                    for version in ("1.0.0.1", "1.0.1.0"))
        self.package_library(f'korva_msi "{RELEASE}" "{icon}" 1.0.1.0 0 "{newer}"')
        # The prefix takes Korva1's fonts from the build, which the copy has not run.
        shutil.copytree(os.path.join(ROOT, "build", "fonts"), os.path.join(self.checkout, "build", "fonts"))
        self.give_to_nobody(self.home)
        self.env.update(DISPLAY=self.display)
        prepared = self.as_nobody(*self.wine("korva_ensure_prefix"))
        self.assertEqual(prepared.returncode, 0, prepared.stderr)
        self.addCleanup(self.as_nobody, *self.wine('"$WINESERVER" -k'))
        user = glob.escape(self.state) + "/prefix/drive_c/users/*/"
        installed = lambda: glob.glob(user + "AppData/Local/Programs/Korva1/Korva1.exe")
        shortcut = lambda: glob.glob(user + "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Korva1.lnk")

        # As Windows Installer takes the package, each dialog answered with a
        # real key as it appears: (its title, the key); no dialogs: /qn. The
        # cancelled install changes nothing, a later version replaces the
        # earlier one, an older one is refused (1603).
        for case, action, package, dialogs, status, entries in [
                ("cancelled at the welcome", "/i", older, [("1.0.0.1 installieren", "Escape"),
                                                          ("1.0.0.1 – Abbrechen?", "alt+j"),
                                                          ("1.0.0.1 – Abgebrochen", "space")], 1602, []),
                ("silent", "/i", older, None, 0, [older_entry]),
                ("full UI, a later version", "/i", newer, [("1.0.1.0 installieren", "space"),
                                                           ("1.0.1.0 – Fertig", "space")], 0, [newer_entry]),
                ("an older version", "/i", older, None, 1603, [newer_entry]),
                ("removal", "/x", newer, None, 0, [])]:
            with self.subTest(case):
                self.assertEqual(self.msiexec(action, package, dialogs), status % 256)
                listed = self.as_nobody(*self.wine('"$WINE64" uninstaller --list'))
                self.assertEqual(listed.stdout.splitlines(), entries, listed.stderr)
                if case == "cancelled at the welcome":
                    self.assertEqual(installed() + shortcut(), [])
                if case == "silent":
                    self.assertTrue(filecmp.cmp(installed()[0], RELEASE, shallow=False), "the installed exe is not the release")
                    self.assertEqual(self.programs(), [], "the silent install started Korva1")
                    # Started as the Start menu starts it.
                    self.as_nobody(*self.wine('"$WINE" start /unix "$1"', shortcut()[0]), output=subprocess.DEVNULL)
                if case in ("silent", "full UI, a later version"):
                    self.save_in_the_form(files)
        self.assertEqual(installed() + shortcut(), [])
        self.assertTrue(os.path.exists(os.path.join(files, "test.bin")))

    def wine(self, script, *args):
        """A command that runs SCRIPT in bash with the scripts' library and the
        32-bit Wine of the test's state folder; ARGS are its $1 and on."""
        return ["bash", "-c", 'set -euo pipefail; source "$0"; export KORVA_WINE_ARCH=win32; korva_use_state "$1"; '
                f'shift; {script}', f"{self.checkout}/scripts/lib/korva.sh", self.state, *args]

    def windows(self):
        """The display's visible windows: {id: title}; no title where it has just closed."""
        return {window: "".join(self.xdotool("getwindowname", window))
                for window in self.xdotool("search", "--onlyvisible", "--name", ".")}

    def programs(self):
        """The process ids of Korva1.exe in the test's prefix."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as cmdline, open(f"/proc/{pid}/environ", "rb") as environ:
                    if b"Korva1.exe" in cmdline.read() and f"WINEPREFIX={self.state}/".encode() in environ.read():
                        found.append(pid)
            except OSError:  # ended meanwhile
                pass
        return found

    def msiexec(self, action, package, dialogs):
        """Runs msiexec as nobody on PACKAGE; with DIALOGS, in full UI, pressing
        each key in the dialog of its title once it appears; without, with
        /qn, when no window may appear. Returns msiexec's status."""
        command = [action, "Z:" + package.replace("/", "\\"), *([] if dialogs else ["/qn"])]
        running = subprocess.Popen(self.nobody(*self.wine('"$WINE64" msiexec "$@"', *command)), cwd=self.home,
                                   env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(running.kill)
        deadline, waiting, seen = time.monotonic() + 120, list(dialogs or []), {}
        while running.poll() is None and time.monotonic() < deadline:
            shown = self.windows()
            seen.update(shown)
            for window, title in shown.items():
                if waiting and title == "Korva1 " + waiting[0][0]:
                    self.xdotool("windowfocus", "--sync", window, "key", waiting.pop(0)[1])
            time.sleep(0.05)
        self.assertEqual(waiting, [], f"msiexec {action} ended or timed out; the windows were {sorted(seen.values())}")
        if not dialogs:
            self.assertEqual(seen, {}, f"msiexec {action} /qn showed windows")
        return running.wait(10)

    def save_in_the_form(self, files):
        """The form started in FILES (Documents\\Korva1): its save lands there;
        Escape ends it."""
        saved = os.path.join(files, "test.bin")
        if os.path.exists(saved):
            os.remove(saved)
        window, program = self.form()
        self.assertEqual(os.readlink(f"/proc/{program}/cwd"), files)
        self.save_and_close(window, program, files)

    def package_library(self, script):
        """Runs a script with scripts/lib/package.sh, which builds the packages."""
        return subprocess.run(["bash", "-c", f'set -euo pipefail; source "{ROOT}/scripts/lib/package.sh"; {script}'],
                              check=True, capture_output=True, text=True).stdout.strip()


if __name__ == "__main__":
    unittest.main()
