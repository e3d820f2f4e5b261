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
# The launcher's windows while it sets Wine up, and when a start fails.
SETTING_UP, FAILED = "Korva1 - Einrichtung", "Korva1 - Fehler"


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
        if first:
            poll(lambda: self.shown(SETTING_UP), bool, "the window of the first start",
                 3 - (time.monotonic() - clicked))
        window, program = self.form()
        seconds = time.monotonic() - clicked
        print(f"{' '.join(command)} in {cwd}: the form after {seconds:.1f} s")
        poll(lambda: not self.shown(SETTING_UP), bool, "the window of the first start to go", 5)
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

    @staticmethod
    def files(home, state):
        """Every path under HOME but the launcher's STATE folder and what it holds."""
        found = set()
        for folder, folders, names in os.walk(home):
            folders[:] = [name for name in folders if os.path.join(folder, name) != state]
            found.update(os.path.join(folder, name) for name in folders + names)
        return found

    def shown(self, title):
        """The visible windows named TITLE."""
        return self.xdotool("search", "--onlyvisible", "--name", f"^{title}$")

    def close_error_window(self):
        """The message of the one error window that shows, which is then closed."""
        poll(lambda: self.shown(FAILED), bool, "the window that says that the start failed", 5)
        ((pid, message),) = [(pid, message) for pid in filter(str.isdigit, os.listdir("/proc"))
                             if (message := self.window_message(pid)) is not None]
        os.kill(int(pid), 15)
        poll(lambda: not self.shown(FAILED), bool, "the error window to close", 5)
        return message

    @staticmethod
    def window_message(pid):
        """The message of the error window that the process PID shows, or None."""
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                args = f.read().decode(errors="replace").split("\0")
        except OSError:
            return None
        # Folded to fit the screen.
        return " ".join(args[-2].split()) if FAILED in args else None

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

        # New accounts whose start cannot work are told why, in one window
        # and on stderr, and nothing of theirs is changed or put elsewhere.
        for case, folder, data, as_root, said in [
                ("full disk", "", "tmpfs", False, "Not enough free space for Wine's set-up"),
                ("home not writable", "", None, False, "Cannot make the folder for Wine's set-up"),
                ("a folder with a quote", 'Das "Neue"', None, False, "its name has one of the characters"),
                ("a folder ending in a dot", "Notizen.", None, False, "ends in a dot or a space"),
                ("root with another's home", "", None, True, "Korva1 runs as root here")]:
            with self.subTest(failure=case):
                home = self.new_home()
                cwd = os.path.join(home, folder)
                os.makedirs(cwd, exist_ok=True)
                env = {**self.account(home), "DISPLAY": display}
                if data:
                    env["XDG_DATA_HOME"] = os.path.join(home, "small-disk")
                    os.mkdir(env["XDG_DATA_HOME"])
                    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m,uid=65534", "tmpfs", env["XDG_DATA_HOME"]],
                                   check=True)
                    self.addCleanup(subprocess.run, ["umount", env["XDG_DATA_HOME"]])
                self.give_to_nobody(home)
                if case == "home not writable":
                    os.chmod(home, 0o555)
                state = os.path.join(env.get("XDG_DATA_HOME", os.path.join(home, ".local", "share")), "korva1")
                before = self.files(home, state)
                started = subprocess.run(["korva1"] if as_root else self.nobody("korva1"), cwd=cwd, env=env,
                                         capture_output=True, text=True, timeout=60)
                self.assertEqual((started.returncode, said in started.stderr), (1, True), started.stderr)
                self.assertIn(said, self.close_error_window())
                self.assertEqual(self.shown(SETTING_UP), [])
                self.assertEqual(self.files(home, state), before)

        # A start killed while it sets Wine up leaves no window behind.
        home = self.new_home()
        killed = subprocess.Popen(self.nobody("korva1"), cwd=home, env={**self.account(home), "DISPLAY": display},
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.as_nobody, "/usr/lib/wine/wineserver", "-k", WINEPREFIX=self.prefix(home))
        poll(lambda: self.shown(SETTING_UP), bool, "the window of the first start", 3)
        killed.kill()
        killed.wait()  # as a desktop reaps it
        poll(lambda: not self.shown(SETTING_UP), bool, "the window of the killed start to go", 3)

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
