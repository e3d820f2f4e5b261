"""What the run command installs on a machine that has nothing: what running
needs, never what only the tests need."""

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
                  "clang-14", "llvm-14", "clang-tidy-14", "clang-format-14", "libclang-rt-14-dev"}
ONLY_FOR_THE_BROWSER = {"novnc", "websockify", "x11vnc", "xauth"}


def packages_asked_for(*args):
    with tempfile.TemporaryDirectory() as stubs:
        for name, text in STUBS.items():
            path = os.path.join(stubs, name)
            with open(path, "w") as f:
                f.write(text)
            os.chmod(path, 0o755)
        asked = os.path.join(stubs, "asked")
        env = dict(os.environ, PATH=stubs + os.pathsep + os.environ["PATH"], KORVA_ASKED=asked)
        subprocess.run([os.path.join(ROOT, "scripts", "run.sh"), *args], env=env, cwd=stubs,
                       capture_output=True, timeout=60)
        with open(asked) as f:
            return set(f.read().split()) - {"install", "-y", "-qq", "--no-install-recommends"}


class RunCommandInstalls(unittest.TestCase):

    def test_what_running_needs_and_nothing_of_the_tests(self):
        for args, needed, not_needed in [((), {"wine64", "xvfb", "ninja-build"}, ONLY_FOR_TESTS | ONLY_FOR_THE_BROWSER),
                                         (("--browser",), {"wine64"} | ONLY_FOR_THE_BROWSER, ONLY_FOR_TESTS)]:
            with self.subTest(args=args):
                asked = packages_asked_for(*args)
                self.assertLessEqual(needed, asked)
                self.assertFalse(asked & not_needed, "asked for " + " ".join(sorted(asked & not_needed)))


if __name__ == "__main__":
    unittest.main()
