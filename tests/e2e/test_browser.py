"""The form served to a web browser (scripts/browser.sh, as run.sh --browser
starts it), used through noVNC's page in headless Chromium.

Environment (set by ctest), besides that of korva.py: KORVA_BROWSER_STATE,
the state folder (Wine prefix) of the browser runs.
"""

import os
import re
import signal
import socket
import subprocess
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.keys import Keys

from korva import NAME, SPEICHERN1, SPEICHERN_STREAM, Probe, poll, wine_environment

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "browser.sh")
STATE = os.environ["KORVA_BROWSER_STATE"]
START_TIMEOUT = 120  # the first run makes the Wine prefix
TIMEOUT = 20
# Letters that the virtual display's US keyboard lacks.
SURNAME = "Zöllner Ärß"

# Whether noVNC is connected or has given up, and the canvas: size, place and colours.
CANVAS_JS = """
const canvas = document.querySelector('#noVNC_container canvas');
const page = {connected: document.documentElement.classList.contains('noVNC_connected'),
              failed: !!document.querySelector('.noVNC_status_error, #noVNC_credentials_dlg.noVNC_open'),
              width: 0, height: 0, colours: 0};
if (!canvas || !canvas.width) return page;
const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
const seen = new Set();
for (let i = 0; i < pixels.length; i += 4) seen.add((pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]);
const box = canvas.getBoundingClientRect();
return {...page, width: canvas.width, height: canvas.height, colours: seen.size, left: box.left, top: box.top};
"""


def run_processes(env):
    """The processes of a browser run: all that it starts have its display
    cookie or its Wine prefix in their environment."""
    markers = {f"{name}={env[name]}".encode() for name in ("XAUTHORITY", "WINEPREFIX")}
    pids = set()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if markers & set(f.read().split(b"\0")):
                    pids.add(int(pid))
        except OSError:
            pass
    return pids


def listening_sockets(pids):
    """(protocol, address) of the TCP and UDP sockets that these processes listen on."""
    lines = subprocess.run(["ss", "-Htulnp"], check=True, capture_output=True, text=True).stdout.splitlines()
    return {tuple(line.split()[0:5:4]) for line in lines if {int(p) for p in re.findall(r"pid=(\d+)", line)} & pids}


class BrowserRun:
    """browser.sh serving the form from a fresh temporary folder, in a
    session of its own so that a signal to its group is what Ctrl+C sends."""

    def __init__(self, test):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        folder = tempfile.TemporaryDirectory(prefix="korva1-browser-e2e-")
        test.addCleanup(folder.cleanup)
        self.folder = folder.name
        started = time.monotonic()
        self.process = subprocess.Popen(
            ["bash", SCRIPT, "serve", str(self.port), os.environ["KORVA1_EXE"], STATE], cwd=self.folder,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, start_new_session=True)
        test.addCleanup(self.stop)
        timer = threading.Timer(START_TIMEOUT, self.process.kill)
        timer.start()
        output = ""
        for line in self.process.stdout:
            output += line
            if line.startswith("http://"):
                break
        else:
            test.fail("no address printed; the script said:\n" + output + self.process.stderr.read())
        timer.cancel()
        self.address = line.strip()
        print(f"\naddress printed after {time.monotonic() - started:.1f} s", flush=True)
        self.wine, env = wine_environment(STATE)
        self.env = {**env, "XAUTHORITY": os.path.join(os.path.dirname(env["WINEPREFIX"]), "xauthority")}

    def signal(self, sig):
        if sig == signal.SIGINT:
            os.killpg(self.process.pid, sig)
        else:
            self.process.send_signal(sig)

    def stop(self):
        """After a failed test: Ctrl+C, then force."""
        if self.process.poll() is None:
            self.signal(signal.SIGINT)
            try:
                self.process.wait(TIMEOUT)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()


class Page:
    """noVNC's page in headless Chromium."""

    def __init__(self, test):
        profile = tempfile.TemporaryDirectory(prefix="korva1-chromium-")
        test.addCleanup(profile.cleanup)
        options = webdriver.ChromeOptions()
        for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--window-size=1024,768", "--user-data-dir=" + profile.name):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        test.addCleanup(self.driver.quit)

    def open(self, address, condition, what):
        self.driver.get(address)
        return poll(lambda: self.driver.execute_script(CANVAS_JS), condition, what, TIMEOUT)

    def open_form(self, address):
        """Opens the address and waits until the page draws the form (far more than one colour)."""
        return self.open(address, lambda c: c["connected"] and c["colours"] > 20, "the form in the page")

    def click(self, x, y):
        """A left click at pixel (x, y) of the remote display."""
        canvas = self.driver.execute_script(CANVAS_JS)
        actions = ActionBuilder(self.driver)
        actions.pointer_action.move_to_location(int(canvas["left"] + x), int(canvas["top"] + y)).click()
        actions.perform()

    def keys(self):
        return ActionChains(self.driver)


class BrowserMode(unittest.TestCase):

    def assert_all_stopped(self, run):
        """Nothing that the run started is left, and its port is closed."""
        poll(lambda: run_processes(run.env), lambda left: not left, "the run's processes to end", 5)
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", run.port), timeout=2).close()

    def test_a_port_in_use_is_named_before_anything_starts(self):
        with socket.socket() as busy:
            busy.bind(("127.0.0.1", 0))
            busy.listen()
            port = busy.getsockname()[1]
            result = subprocess.run(["bash", SCRIPT, "serve", str(port), os.environ["KORVA1_EXE"], STATE],
                                    capture_output=True, text=True, timeout=TIMEOUT)
        self.assertEqual((result.returncode, result.stdout), (1, ""))
        self.assertIn(f"Port {port} ", result.stderr)

    def test_the_form_is_used_through_the_page_and_closed_there(self):
        run = BrowserRun(self)
        self.assertEqual(listening_sockets(run_processes(run.env)), {("tcp", f"127.0.0.1:{run.port}")})
        without_cookie = {**run.env, "XAUTHORITY": "/nonexistent"}
        self.assertNotEqual(subprocess.run(["xdpyinfo"], env=without_cookie, capture_output=True).returncode, 0,
                            "the display lets in a program without its cookie")
        probe = Probe(run.wine, run.env)
        self.addCleanup(probe.close)
        page = Page(self)

        # Without the password, and with a wrong one at either layer: the web
        # server's (the token) or the VNC server's.
        password = re.search(r"password=([^&]+)", run.address).group(1)
        for address in (run.address.replace(password, ""),
                        run.address.replace(f"token%3D{password}", "token%3Dx" + password),
                        run.address.replace(f"password={password}", "password=x" + password)):
            with self.subTest(address=address):
                canvas = page.open(address, lambda c: c["failed"], "the page to refuse")
                self.assertEqual((canvas["connected"], canvas["colours"]), (False, 0))

        shown = time.monotonic()
        canvas = page.open_form(run.address)
        print(f"form shown {time.monotonic() - shown:.1f} s after opening the page", flush=True)
        # The remote display is the form's size, so page and screen pixels are the same.
        self.assertEqual(probe.state()["form"]["rect"], [0, 0, canvas["width"], canvas["height"]])

        def click_control(control_id):
            left, top, right, bottom = probe.state()["controls"][str(control_id)]["rect"]
            page.click((left + right) // 2, (top + bottom) // 2)

        def wait_for_form(condition, what):
            return poll(probe.state, condition, what, TIMEOUT)

        click_control(NAME)
        page.keys().send_keys(Keys.END).key_down(Keys.SHIFT).send_keys(Keys.HOME).key_up(Keys.SHIFT) \
            .send_keys(SURNAME).perform()
        wait_for_form(lambda s: s["controls"][str(NAME)]["text"] == SURNAME, "the typed surname")
        page.driver.save_screenshot(os.path.join(STATE, "page.png"))

        # A new connection finds the same form with what was typed.
        page.open_form(run.address)
        self.assertEqual(probe.state()["controls"][str(NAME)]["text"], SURNAME)

        click_control(SPEICHERN_STREAM)
        record = os.path.join(run.folder, "test2.txt")
        wait_for_form(lambda s: os.path.exists(record) or s["message_boxes"], "test2.txt")
        with open(record, "rb") as f:
            self.assertEqual(f.read().split(b"\r\n")[0], SURNAME.encode("cp1252"))

        # A message box (no programme chosen) lies within the page and Enter there closes it.
        click_control(SPEICHERN1)
        box = wait_for_form(lambda s: s["message_boxes"], "a message box")["message_boxes"][0]
        left, top, right, bottom = box["rect"]
        self.assertTrue(0 <= left < right <= canvas["width"] and 0 <= top < bottom <= canvas["height"], box)
        page.keys().send_keys(Keys.ENTER).perform()
        wait_for_form(lambda s: not s["message_boxes"], "the message box to close")

        page.click(*probe.state()["form"]["close_button"])
        self.assertEqual(run.process.wait(TIMEOUT), 0)
        self.assert_all_stopped(run)

    def test_ctrl_c_and_sigterm_stop_everything(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=sig.name):
                run = BrowserRun(self)
                run.signal(sig)
                self.assertEqual(run.process.wait(TIMEOUT), 128 + sig)
                self.assert_all_stopped(run)


if __name__ == "__main__":
    unittest.main()
