"""The Wine prefixes that the scripts make: a failing set-up step says which
and why, and on a desktop the window manager manages the form."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from korva import HERE, FormTestCase, wine_shell

DISPLAY_SCRIPT = os.path.join(HERE, "..", "wine", "display.sh")


def managed_setting(state):
    """The X11 driver's Managed value in the prefix's user registry, or None."""
    with open(os.path.join(state, "prefix", "user.reg"), encoding="utf-8", errors="replace") as f:
        section = f.read().partition("[Software\\\\Wine\\\\X11 Driver]")[2].partition("\n\n")[0]
    found = re.search(r'^"Managed"="(.*)"$', section, re.MULTILINE)
    return found and found.group(1)


def x_window_facts(xid, env):
    """xwininfo and xprop's WM_STATE of an X window, as one text."""
    run = lambda *args: subprocess.run(args, env=env, check=True, capture_output=True, text=True).stdout
    return run("xwininfo", "-id", str(xid)) + run("xprop", "-id", str(xid), "WM_STATE")


def fresh_state(test):
    """A new state folder whose prefix's wineserver ends before it goes."""
    state = tempfile.mkdtemp(prefix="korva1-prefix-")
    test.addCleanup(shutil.rmtree, state, True)
    test.addCleanup(wine_shell, state, '"$WINESERVER" -k', False)
    return state


class SetUp(unittest.TestCase):

    def test_a_failing_step_is_named_with_the_end_of_its_log(self):
        state = fresh_state(self)
        prefix = os.path.join(state, "prefix")
        os.mkdir(prefix)
        # A prefix of this version for another use is set up again in place:
        # this one has no registry to set.
        version = wine_shell(state, 'echo "$KORVA_PREFIX_VERSION"').stdout.strip()
        with open(os.path.join(prefix, ".korva-setup"), "w") as f:
            f.write(version + " win64 another-use 96\n")

        result = wine_shell(state, "korva_ensure_prefix", check=False)
        self.assertNotEqual(result.returncode, 0)
        log = os.path.join(state, "logs", "registry.log")
        self.assertIn(f"The set-up step 'registry' (korva_set_up_registry virtual-display 96) failed", result.stderr)
        self.assertIn(f"The end of {log}:", result.stderr)
        with open(log) as f:
            end = f.read().strip().splitlines()[-1]
        self.assertIn("  " + end, result.stderr)


class WindowManager(FormTestCase):

    def test_on_a_desktop_the_window_manager_manages_the_form_at_the_desktops_scale(self):
        state = fresh_state(self)
        started = subprocess.run([DISPLAY_SCRIPT, "start", state, "desktop"], check=True, capture_output=True,
                                 text=True)
        self.addCleanup(subprocess.run, [DISPLAY_SCRIPT, "stop", state], capture_output=True)
        self.assertIn("Preparing Wine for the first run", started.stderr)
        self.assertIsNone(managed_setting(state))
        with open(os.path.join(state, "display")) as f:
            display = f.read().strip()
        openbox = subprocess.Popen(["openbox"], env=dict(os.environ, DISPLAY=display),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(openbox.wait)
        self.addCleanup(openbox.terminate)
        deadline = time.monotonic() + 10
        while wine_shell(state, "korva_display_has_window_manager", check=False).returncode:
            self.assertLess(time.monotonic(), deadline, "openbox did not start")
            time.sleep(0.1)

        # A desktop at twice the usual scale, as a desktop's settings give it.
        subprocess.run(["xrdb", "-merge"], input="Xft.dpi: 192\n", env=dict(os.environ, DISPLAY=display),
                       check=True, text=True)
        self.assertIn("Updating the Wine set-up",
                      wine_shell(state, '"$WINESERVER" -k; korva_ensure_prefix desktop').stderr)
        self.assertEqual(wine_shell(state, "korva_ensure_prefix desktop").stderr, "", "set up again, unchanged")

        app = self.start(state=state)
        facts = x_window_facts(app.state()["form"]["xid"], app.env)
        self.assertIn("Override Redirect State: no", facts)
        self.assertIn("window state: Normal", facts)
        # The managed X window is the form's client area: Tahoma's base units
        # at 192 dpi are 12 x 25, twice the 96 dpi size and a little more.
        self.assertIn("Width: 1224", facts)
        self.assertIn("Height: 963", facts)
        app.key("Escape")
        self.assertEqual(app.wait_for_exit(), 0)

    def test_without_one_wine_frames_the_form_itself(self):
        app = self.start()
        self.assertNotEqual(wine_shell(os.environ["KORVA_WINE_STATE"], "korva_display_has_window_manager",
                                       check=False).returncode, 0)
        facts = x_window_facts(app.state()["form"]["xid"], app.env)
        self.assertIn("Override Redirect State: yes", facts)
        self.assertIn("WM_STATE:  not found", facts)


if __name__ == "__main__":
    unittest.main()
