"""What the run and package commands install on a machine that has nothing:
what each needs, never what only the tests or another command need."""

import os
import subprocess
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

# dpkg-query knows no package; apt-get notes what it is asked to install and
# fails, which ends the run command there.
STUBS = {
    "dpkg-query": "#!/bin/sh\nexit 1\n",
    "apt-get": '#!/bin/sh\n[ "$1" = update ] && exit 0\necho "$@" >>"$KORVA_ASKED"\nexit 1\n',
}
ONLY_FOR_TESTS = {"chromium", "chromium-driver", "python3-selenium", "googletest", "g++", "strace", "openbox",
                  "clang-14", "llvm-14", "clang-tidy-14", "clang-format-14", "libclang-rt-14-dev",
                  "desktop-file-utils", "libglib2.0-bin", "lintian", "appstream", "xdg-user-dirs", "ccache",
                  "apt-utils"}
ONLY_FOR_THE_BROWSER = {"novnc", "websockify", "x11vnc", "xauth"}
ONLY_FOR_PACKAGING = {"wixl", "msitools", "faketime", "zip"}


def packages_asked_for(script, *args):
    with tempfile.TemporaryDirectory() as stubs:
        for name, text in STUBS.items():
            path = os.path.join(stubs, name)
            with open(path, "w") as f:
                f.write(text)
            os.chmod(path, 0o755)
        asked = os.path.join(stubs, "asked")
        env = dict(os.environ, PATH=stubs + os.pathsep + os.environ["PATH"], KORVA_ASKED=asked)
        subprocess.run([os.path.join(ROOT, "scripts", script), *args], env=env, cwd=stubs,
                       capture_output=True, timeout=60)
        with open(asked) as f:
            return set(f.read().split()) - {"install", "-y", "-qq", "--no-install-recommends"}


class CommandsInstall(unittest.TestCase):

    def test_what_each_command_needs_and_nothing_of_the_others(self):
        # Every build makes Korva1's fonts from fonts-wine's.
        fonts = {"python3-fonttools", "fonts-wine"}
        running = {"wine64", "xvfb", "ninja-build"} | fonts
        for command, needed, not_needed in [
                (("run.sh",), running, ONLY_FOR_TESTS | ONLY_FOR_THE_BROWSER | ONLY_FOR_PACKAGING),
                (("run.sh", "--browser"), {"wine64"} | ONLY_FOR_THE_BROWSER, ONLY_FOR_TESTS | ONLY_FOR_PACKAGING),
                # Packaging builds the release and the x86-64 program, and runs nothing.
                (("package.sh",), {"g++-mingw-w64-i686-posix", "g++-mingw-w64-x86-64-posix"} | fonts | ONLY_FOR_PACKAGING,
                 ONLY_FOR_TESTS | ONLY_FOR_THE_BROWSER | {"wine64", "wine32:i386", "xvfb"})]:
            with self.subTest(command=command):
                asked = packages_asked_for(*command)
                self.assertLessEqual(needed, asked)
                self.assertFalse(asked & not_needed, "asked for " + " ".join(sorted(asked & not_needed)))


if __name__ == "__main__":
    unittest.main()
