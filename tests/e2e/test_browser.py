"""The form served to a web browser (scripts/browser.sh, run.sh --browser),
used through noVNC's page in headless Chromium.

Environment (set by ctest): KORVA_BROWSER_STATE, the state folder (Wine
prefix) of the browser runs, besides those of korva.py.
"""

import os
import re
import select
import signal
import socket
import subprocess
import shutil
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.keys import Keys

from korva import NAME, SPEICHERN1, SPEICHERN_STREAM, Probe, wine_environment

HERE = os.path.dirname(os.path.abspath(__file__))
BROWSER_SCRIPT = os.path.join(HERE, "..", "..", "scripts", "browser.sh")
STATE = os.environ["KORVA_BROWSER_STATE"]
# The first run makes the Wine prefix, which takes up to half a minute.
START_TIMEOUT = 120
TIMEOUT = 20
# Typed through the page: the German letters are not on the virtual display's
# US keyboard until browser.sh puts them there.
SURNAME = "Zöllner Ärß"

# The canvas, whether noVNC is connected, and how many colours the canvas shows.
CANVAS_JS = """
const canvas = document.querySelector('#noVNC_container canvas');
const connected = document.documentElement.classList.contains('noVNC_connected');
const failed = document.querySelector('#noVNC_status.noVNC_status_error') !== null
    || document.querySelector('#noVNC_credentials_dlg.noVNC_open') !== null;
if (!canvas || !canvas.width || !canvas.height)
    return {connected, failed, width: 0, height: 0, colours: 0};
const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
const seen = new Set();
for (let i = 0; i < pixels.length; i += 4)
    seen.add((pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]);
const box = canvas.getBoundingClientRect();
return {connected, failed, width: canvas.width, height: canvas.height, colours: seen.size,
        left: box.left, top: box.top};
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def process_tree(root):
    """The pid and all descendants of root, from /proc."""
    children = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat") as f:
                ppid = int(f.read().rpartition(")")[2].split()[1])
        except (OSError, ValueError, IndexError):
            continue
        children.setdefault(ppid, []).append(int(entry))
    tree, todo = set(), [root]
    while todo:
        pid = todo.pop()
        tree.add(pid)
        todo.extend(children.get(pid, []))
    return tree


def wine_processes(prefix):
    """The pids of the processes that run with this Wine prefix."""
    pids = []
    marker = f"WINEPREFIX={prefix}".encode()
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if marker in f.read().split(b"\0"):
                    pids.append(int(entry))
        except OSError:
            pass
    return pids


def describe_process(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            command = f.read().replace(b"\0", b" ").decode(errors="replace")
        with open(f"/proc/{pid}/stat") as f:
            return f"{command} ({f.read().rpartition(')')[2].split()[0]})"
    except OSError:
        return "gone"


def listening_sockets(pids):
    """(protocol, address) of every TCP and UDP socket that these pids listen on."""
    out = subprocess.run(["ss", "-Htulnp"], check=True, capture_output=True, text=True).stdout
    found = set()
    for line in out.splitlines():
        fields = line.split()
        if {int(p) for p in re.findall(r"pid=(\d+)", line)} & pids:
            found.add((fields[0], fields[4]))
    return found


class BrowserRun:
    """browser.sh serving the form from a fresh temporary folder."""

    def __init__(self, test, port):
        self.port = port
        self.folder = tempfile.mkdtemp(prefix="korva1-browser-e2e-")
        test.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)
        started = time.monotonic()
        # Its own session, so that a signal to the group is what Ctrl+C sends.
        self.process = subprocess.Popen(
            ["bash", BROWSER_SCRIPT, "serve", str(port), os.environ["KORVA1_EXE"], STATE],
            cwd=self.folder, stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        test.addCleanup(self.kill)
        self.address = self._read_address(START_TIMEOUT)
        self.start_seconds = time.monotonic() - started
        self.prefix = os.path.realpath(os.path.join(STATE, "prefix"))

    def _read_address(self, timeout):
        deadline, output = time.monotonic() + timeout, b""
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.5)
            chunk = os.read(self.process.stdout.fileno(), 4096) if ready else b""
            output += chunk
            match = re.search(rb"^(http://\S+)$", output, re.M)
            if match:
                return match.group(1).decode()
            if ready and not chunk:
                break
        raise AssertionError("no address printed; the script said:\n"
                             + (output + self.process.stderr.read()).decode(errors="replace"))

    def stop(self, sig):
        """SIGINT goes to the whole process group, as Ctrl+C in a terminal sends it."""
        if sig == signal.SIGINT:
            os.killpg(self.process.pid, sig)
        else:
            self.process.send_signal(sig)

    def wait(self):
        return self.process.wait(timeout=TIMEOUT)

    def kill(self):
        """After a failed test: ends the script as Ctrl+C would, then by force."""
        if self.process.poll() is None:
            self.stop(signal.SIGINT)
            try:
                self.wait()
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()


class Page:
    """noVNC's page in headless Chromium."""

    def __init__(self, test):
        options = webdriver.ChromeOptions()
        profile = tempfile.mkdtemp(prefix="korva1-chromium-")
        test.addCleanup(shutil.rmtree, profile, ignore_errors=True)
        for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--window-size=1024,768", "--user-data-dir=" + profile):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        test.addCleanup(self.driver.quit)

    def open(self, address):
        self.driver.get(address)

    def canvas(self):
        return self.driver.execute_script(CANVAS_JS)

    def wait_for(self, condition, what):
        deadline = time.monotonic() + TIMEOUT
        while True:
            canvas = self.canvas()
            if condition(canvas):
                return canvas
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out waiting for {what}; the page shows {canvas}")
            time.sleep(0.1)

    def wait_for_form(self):
        """Waits until the page is connected and draws the form (far more than one colour)."""
        return self.wait_for(lambda c: c["connected"] and c["colours"] > 20, "the form in the page")

    def click(self, x, y):
        """A left click at display pixel (x, y) of the remote display."""
        canvas = self.canvas()
        actions = ActionBuilder(self.driver)
        actions.pointer_action.move_to_location(int(canvas["left"] + x), int(canvas["top"] + y)).click()
        actions.perform()

    def screenshot(self, path):
        self.driver.save_screenshot(path)


class BrowserMode(unittest.TestCase):

    def start(self):
        run = BrowserRun(self, free_port())
        print(f"\naddress printed after {run.start_seconds:.1f} s", flush=True)
        return run

    def assert_all_stopped(self, run, started):
        """Nothing the run started is left, and its port no longer answers."""
        def left():
            pids = {p for p in started if os.path.exists(f"/proc/{p}")} | set(wine_processes(run.prefix))
            return {p: describe_process(p) for p in pids}
        deadline = time.monotonic() + 5  # killed processes take a moment to go
        while left() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(left(), {})
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", run.port), timeout=2).close()

    def test_a_port_in_use_is_named_before_anything_starts(self):
        with socket.socket() as busy:
            busy.bind(("127.0.0.1", 0))
            busy.listen()
            port = busy.getsockname()[1]
            result = subprocess.run(["bash", BROWSER_SCRIPT, "serve", str(port), os.environ["KORVA1_EXE"],
                                     STATE], capture_output=True, text=True, timeout=TIMEOUT)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, "")
        self.assertIn(f"Port {port} ", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(STATE, "display")))

    def test_the_form_is_used_through_the_page_and_closed_there(self):
        run = self.start()
        wine, env = wine_environment(STATE)
        self.assertNotEqual(subprocess.run(["xdpyinfo"], env=env, capture_output=True).returncode, 0,
                            "the display lets in a program without its cookie")
        env["XAUTHORITY"] = os.path.join(STATE, "xauthority")
        probe = Probe(wine, env)
        self.addCleanup(probe.close)
        started = process_tree(run.process.pid)
        self.assertEqual(listening_sockets(started), {("tcp", f"127.0.0.1:{run.port}")})

        page = Page(self)
        password = re.search(r"password=([^&]+)", run.address).group(1)
        for address in (run.address.replace(password, ""), run.address.replace(password, "x" + password),
                        run.address.replace(f"password={password}", "password=x" + password)):
            with self.subTest(address=address):
                page.open(address)
                canvas = page.wait_for(lambda c: c["failed"], "the page to refuse")
                self.assertFalse(canvas["connected"])
                self.assertLessEqual(canvas["colours"], 1)

        shown = time.monotonic()
        page.open(run.address)
        canvas = page.wait_for_form()
        print(f"form shown {time.monotonic() - shown:.1f} s after opening the page", flush=True)
        # The remote display is the form's size, so page and screen pixels are the same.
        self.assertEqual(probe.state()["form"]["rect"], [0, 0, canvas["width"], canvas["height"]])

        self.click_control(page, probe, NAME)
        ActionChains(page.driver).send_keys(Keys.END).key_down(Keys.SHIFT).send_keys(Keys.HOME) \
            .key_up(Keys.SHIFT).send_keys(SURNAME).perform()
        self.wait_for_probe(probe, lambda s: s["controls"][str(NAME)]["text"] == SURNAME, "the typed surname")
        page.screenshot(os.path.join(STATE, "page.png"))

        # A new connection finds the same form with what was typed.
        page.open(run.address)
        page.wait_for_form()
        self.assertEqual(probe.state()["controls"][str(NAME)]["text"], SURNAME)

        self.click_control(page, probe, SPEICHERN_STREAM)
        record = os.path.join(run.folder, "test2.txt")
        self.wait_for_probe(probe, lambda s: os.path.exists(record) or s["message_boxes"], "test2.txt")
        with open(record, "rb") as f:
            self.assertEqual(f.read().split(b"\r\n")[0], SURNAME.encode("cp1252"))

        # A message box (no programme chosen) lies within the page and Enter there closes it.
        self.click_control(page, probe, SPEICHERN1)
        state = self.wait_for_probe(probe, lambda s: s["message_boxes"], "a message box")
        left, top, right, bottom = state["message_boxes"][0]["rect"]
        self.assertTrue(0 <= left < right <= canvas["width"] and 0 <= top < bottom <= canvas["height"],
                        state["message_boxes"][0])
        ActionChains(page.driver).send_keys(Keys.ENTER).perform()
        self.wait_for_probe(probe, lambda s: not s["message_boxes"], "the message box to close")

        page.click(*probe.state()["form"]["close_button"])
        self.assertEqual(run.wait(), 0)
        self.assert_all_stopped(run, started)

    @staticmethod
    def click_control(page, probe, control_id):
        left, top, right, bottom = probe.state()["controls"][str(control_id)]["rect"]
        page.click((left + right) // 2, (top + bottom) // 2)

    def wait_for_probe(self, probe, condition, what):
        deadline = time.monotonic() + TIMEOUT
        while not condition(state := probe.state()):
            if time.monotonic() > deadline:
                self.fail(f"timed out waiting for {what}; the form shows {state}")
            time.sleep(0.1)
        return state

    def test_ctrl_c_and_sigterm_stop_everything(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=sig.name):
                run = self.start()
                started = process_tree(run.process.pid)
                run.stop(sig)
                self.assertEqual(run.wait(), 128 + sig)
                self.assert_all_stopped(run, started)


if __name__ == "__main__":
    unittest.main()
