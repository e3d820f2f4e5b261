"""The Debian package as a machine of a course room takes it: installed by
apt, started by a new account from the menu and in a folder, used, and
purged. Installing needs root; the account is nobody's."""

import glob
import os
import subprocess
import time
import unittest

from unprivileged import AsNobody  # puts tests/e2e on the path
from korva import poll

# dist/ holds one version's packages.
DEBS = glob.glob(os.path.join(os.environ.get("KORVA_DIST", "dist"), "korva1_*_amd64.deb"))
APT = ["apt-get", "-y", "-qq", "-o", "DPkg::Lock::Timeout=600"]
ENTRY = "/usr/share/applications/org.korva1.Korva1.desktop"


class DebianPackage(AsNobody):

    def apt(self, *args):
        return subprocess.run([*APT, *args], env={**os.environ, "DEBIAN_FRONTEND": "noninteractive"},
                              capture_output=True, text=True, timeout=600)

    def test_install_start_from_the_menu_and_in_a_folder_then_purge(self):
        self.assertEqual(len(DEBS), 1, "no one Debian package in dist/: run scripts/package.sh first")
        # The machine is left without the package, whatever happens below.
        self.addCleanup(self.apt, "purge", "korva1")
        installing = self.apt("install", DEBS[0])
        self.assertEqual(installing.returncode, 0, installing.stderr)
        listed = subprocess.run(["dpkg-query", "-L", "korva1"], check=True, capture_output=True,
                                text=True).stdout.split()

        for args, status, stream in [(["--help"], 0, "stdout"), (["--documents", "x"], 2, "stderr"),
                                     (["--bogus"], 2, "stderr")]:
            with self.subTest(args=args):
                given = self.as_nobody("korva1", *args)
                self.assertEqual(given.returncode, status)
                self.assertIn("usage: korva1", getattr(given, stream))

        # A new account on a desktop named in another language than the
        # program's, whose documents folder has a German name.
        display = self.start_display()
        documents, launched_from, folder = (os.path.join(self.home, name)
                                            for name in ("Dokumente", "launched-from", "folder"))
        os.makedirs(os.path.join(self.home, ".config"))
        with open(os.path.join(self.home, ".config", "user-dirs.dirs"), "w") as f:
            f.write('XDG_DOCUMENTS_DIR="$HOME/Dokumente"\n')
        os.mkdir(launched_from)
        os.mkdir(folder)
        self.give_to_nobody(self.home)
        self.env.update(DISPLAY=display, LC_ALL="ru_RU.UTF-8")

        # First as a desktop starts it, which sets Wine up; then in a shell.
        for how, command, cwd, saved_in in [("menu", ["gio", "launch", ENTRY], launched_from,
                                             os.path.join(documents, "Korva1")),
                                            ("shell", ["korva1"], folder, folder)]:
            with self.subTest(how=how):
                clicked = time.monotonic()
                started = subprocess.Popen(self.nobody(*command), cwd=cwd, env=self.env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                if how == "menu":
                    poll(lambda: self.xdotool("search", "--onlyvisible", "--name", "^Korva1 - Einrichtung$"), bool,
                         "the window of the first start", 3 - (time.monotonic() - clicked))
                window, program = self.form()
                print(f"started from the {how}: the form after {time.monotonic() - clicked:.1f} s")
                with open(f"/proc/{program}/environ") as f:
                    environment = dict(v.split("=", 1) for v in f.read().split("\0") if "=" in v)
                self.assertEqual([environment.get(name, "") for name in ("LC_CTYPE", "LC_ALL", "LC_MESSAGES")],
                                 ["C.UTF-8", "", "ru_RU.UTF-8"])
                self.save_and_close(window, program, saved_in)
                self.assertEqual(os.listdir(saved_in), ["test.bin"])
                self.assertEqual(started.wait(timeout=30), 0)
        self.assertEqual(os.listdir(launched_from), [])

        purging = self.apt("purge", "korva1")
        self.assertEqual(purging.returncode, 0, purging.stderr)
        # What remains of the package's paths are folders that other packages share.
        self.assertEqual([path for path in listed if os.path.lexists(path)
                          and not (os.path.isdir(path) and os.listdir(path))], [])
        # apt never touches home folders: the account's files and Wine prefix stay.
        for kept in ("Dokumente/Korva1/test.bin", "folder/test.bin", ".local/share/korva1/prefix"):
            self.assertTrue(os.path.exists(os.path.join(self.home, kept)), kept)


if __name__ == "__main__":
    unittest.main()
