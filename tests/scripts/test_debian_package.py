"""The Debian package as a machine of a course room takes it: installed by
apt, started by new accounts from the menu and in a folder, from the
machine's template of Wine's set-up and without it, used, and purged.
Installing needs root; the accounts are nobody's, each with a home of its
own."""

import glob
import os
import re
import subprocess
import time
import unittest

from unprivileged import UNPRIVILEGED, AsNobody  # puts tests/e2e on the path
from korva import poll

# dist/ holds one version's packages.
DEBS = glob.glob(os.path.join(os.environ.get("KORVA_DIST", "dist"), "korva1_*_amd64.deb"))
APT = ["apt-get", "-y", "-qq", "-o", "DPkg::Lock::Timeout=600"]
ENTRY = "/usr/share/applications/org.korva1.Korva1.desktop"
TEMPLATE = "/var/lib/korva1/template"
# Wine updates a prefix whose .update-timestamp is not this file's time.
WINE_INF = "/usr/share/wine/wine.inf"
WINE_FILES = ["/usr/lib/x86_64-linux-gnu/wine", "/usr/lib/i386-linux-gnu/wine"]


class DebianPackage(AsNobody):

    def prefix(self, home, *path):
        """A path in the Wine prefix of the account whose home is HOME."""
        return os.path.join(home, ".local", "share", "korva1", "prefix", *path)

    def start_form(self, command, cwd, env, first):
        """Starts COMMAND as nobody; returns it, the form's window and program, and the seconds to the form. A
        FIRST start shows a window at once that says that it sets Wine up, until the form shows."""
        clicked = time.monotonic()
        started = subprocess.Popen(self.nobody(*command), cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        setting_up = lambda: self.xdotool("search", "--onlyvisible", "--name", "^Korva1 - Einrichtung$")
        if first:
            poll(setting_up, bool, "the window of the first start", 3 - (time.monotonic() - clicked))
        window, program = self.form()
        seconds = time.monotonic() - clicked
        print(f"{' '.join(command)} in {cwd}: the form after {seconds:.1f} s")
        poll(lambda: not setting_up(), bool, "the window of the first start to go", 5)
        return started, window, program, seconds

    def width(self, window):
        return int(dict(line.split("=") for line in self.xdotool("getwindowgeometry", "--shell", window))["WIDTH"])

    def not_its_own(self, home):
        """What in the Wine prefix of the account whose home is HOME is not the account's own, or names
        another account: paths of another owner, links outside the home and Wine's own files, the
        registry's profiles and user names but the account's."""
        found = []
        for folder, folders, files in os.walk(self.prefix(home)):
            for path in (os.path.join(folder, name) for name in folders + files):
                # The drives' links are Wine's own: C: and Z:, a serial port.
                outside = os.path.islink(path) and os.path.basename(folder) != "dosdevices" and not any(
                    os.path.commonpath([os.path.realpath(path), mine]) == mine for mine in [home, *WINE_FILES])
                if outside or os.lstat(path).st_uid != UNPRIVILEGED:
                    found.append(f"{path} -> {os.path.realpath(path)}")
        for hive in glob.glob(self.prefix(home, "*.reg")):
            with open(hive, encoding="utf-8", errors="replace") as f:
                found += [f"{hive}: {names}" for names in re.findall(r'\\\\users\\\\([^\\\\"]*)|"USERNAME"="([^"]*)"',
                                                                     f.read()) if set(names) - {"", "nobody", "Public"}]
        return found

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

        # First as a desktop starts it, which copies the machine's template
        # of Wine's set-up; then in a shell.
        seconds, widths = {}, {}
        for how, command, cwd, saved_in in [("menu", ["gio", "launch", ENTRY], launched_from,
                                             os.path.join(documents, "Korva1")),
                                            ("shell", ["korva1"], folder, folder)]:
            with self.subTest(how=how):
                started, window, program, seconds[how] = self.start_form(command, cwd, self.env, how == "menu")
                widths[how] = self.width(window)
                with open(f"/proc/{program}/environ") as f:
                    environment = dict(v.split("=", 1) for v in f.read().split("\0") if "=" in v)
                self.assertEqual([environment.get(name, "") for name in ("LC_CTYPE", "LC_ALL", "LC_MESSAGES")],
                                 ["C.UTF-8", "", "ru_RU.UTF-8"])
                self.save_and_close(window, program, saved_in)
                self.assertEqual(os.listdir(saved_in), ["test.bin"])
                self.assertEqual(started.wait(timeout=30), 0)
                # A later start finds no Wine running, as on another day.
                self.as_nobody("/usr/lib/wine/wineserver", "-w", WINEPREFIX=self.prefix(self.home))
        self.assertEqual(os.listdir(launched_from), [])
        self.assertLessEqual(seconds["menu"], seconds["shell"] + 5, "the first start, from the template")
        self.assertEqual(self.not_its_own(self.home), [])

        # A new account without room for the copy is told so at once.
        home = self.new_home()
        data = os.path.join(home, ".local", "share")
        os.makedirs(data)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m,uid=65534", "tmpfs", data], check=True)
        self.addCleanup(subprocess.run, ["umount", data])
        subprocess.run(self.nobody("gio", "launch", ENTRY), cwd=home, env={**self.account(home), "DISPLAY": display},
                       check=True)
        poll(lambda: self.xdotool("search", "--onlyvisible", "--name", "^Korva1 - Fehler$"), bool,
             "the window that says that the start failed", 5)

        # More accounts, each started in its home. A new one at 144 dpi;
        # then, with Debian's Wine newer than the template's set-up and the
        # first account's copy of it, a new one, and the first one again,
        # whose copy Wine updates at the start.
        older = f"{int(os.stat(WINE_INF).st_mtime) - 86400}\r\n"
        for who, home, dpi, wine_changed, set_up_by in [("new at 144 dpi", self.new_home(), 144, False, "template"),
                                                        ("new", self.new_home(), 96, True, "wineboot"),
                                                        ("first", self.home, 96, True, "template")]:
            with self.subTest(account=who):
                subprocess.run(["xrdb", "-merge"], input=f"Xft.dpi: {dpi}\n", env={**os.environ, "DISPLAY": display},
                               check=True, text=True)
                for stamp in [os.path.join(TEMPLATE, ".update-timestamp"), self.prefix(self.home, ".update-timestamp")]:
                    if wine_changed:
                        with open(stamp, "w") as f:
                            f.write(older)
                env = {**self.account(home), "DISPLAY": display}
                started, window, program, _ = self.start_form(["korva1"], home, env, home != self.home)
                self.assertAlmostEqual(self.width(window) / widths["shell"], dpi / 96, delta=0.05)
                self.save_and_close(window, program, home)
                self.assertEqual(started.wait(timeout=30), 0)
                self.assertEqual([step for step in ("template", "wineboot")
                                  if os.path.exists(self.prefix(home, "..", "logs", step + ".log"))], [set_up_by])
        # Wine's update ended, without the links into Wine's own files.
        with open(self.prefix(self.home, ".update-timestamp")) as f:
            self.assertNotEqual(f.read(), older)

        purging = self.apt("purge", "korva1")
        self.assertEqual(purging.returncode, 0, purging.stderr)
        # What remains of the package's paths are folders that other packages share.
        self.assertEqual([path for path in listed if os.path.lexists(path)
                          and not (os.path.isdir(path) and os.listdir(path))], [])
        self.assertEqual(subprocess.run(["find", "/var", "-name", "*korva1*"], capture_output=True,
                                        text=True).stdout, "")
        # apt never touches home folders: the account's files and Wine prefix stay.
        for kept in ("Dokumente/Korva1/test.bin", "folder/test.bin", ".local/share/korva1/prefix"):
            self.assertTrue(os.path.exists(os.path.join(self.home, kept)), kept)


if __name__ == "__main__":
    unittest.main()
