"""Every caption of the form shows whole at the scales desktops commonly
have: textfit.exe measures each against the room its control leaves it, in
the test display's prefix set to each scale in turn."""

import os
import subprocess
import unittest

from korva import wine_environment, wine_shell

# The form's client area at each scale: Tahoma's dialog base units, as the
# template was drawn for.
CLIENT_SIZES = {96: (612, 501), 144: (918, 732), 192: (1224, 963)}
# What Wine measures wider than its controls with fonts-wine's own Tahoma.
OVER_WITH_WINES_TAHOMA = ["Name", "Vorname", "Straße", "Fahrt zur Hochschule", "Speichern Stream Ascii",
                          "Speichern Stream Binär"]


# Where Wine reads the scale; the set-up writes both.
DPI_KEYS = [r"HKCU\Control Panel\Desktop", r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"]


def set_dpi(state, dpi):
    """Sets the scale of the prefix's next programs, through its running server."""
    for key in DPI_KEYS:
        wine_shell(state, f'"$WINE64" reg add \'{key}\' /v LogPixels /t REG_DWORD /d {dpi} /f')


def measure(state):
    """The form's scale, its client size and the captions that do not fit,
    each with its width and room."""
    wine, env = wine_environment(state)
    lines = subprocess.run([wine, os.environ["TEXTFIT_EXE"]], env=env, check=True, capture_output=True,
                           timeout=60).stdout.decode().splitlines()
    dpi, client = int(lines[0].split()[1]), tuple(int(n) for n in lines[1].split()[1:])
    over = {}
    for line in lines[2:]:
        kind, room, needed, wrapped, text = line.split(" ", 4)
        if int(needed) > int(room) or int(wrapped) > 1:
            over[text] = f"{kind} {needed} px in {room} px" + (f", {wrapped} lines" if int(wrapped) > 1 else "")
    return dpi, client, over


class Captions(unittest.TestCase):

    def setUp(self):
        self.state = os.environ["KORVA_WINE_STATE"]
        self.addCleanup(set_dpi, self.state, 96)

    def test_every_caption_fits_its_control_at_each_scale(self):
        for dpi, size in CLIENT_SIZES.items():
            with self.subTest(dpi=dpi):
                set_dpi(self.state, dpi)
                self.assertEqual(measure(self.state), (dpi, size, {}))

    def test_wines_own_tahoma_is_measured_too_wide(self):
        fonts = os.path.join(self.state, "prefix", "drive_c", "windows", "Fonts")
        self.addCleanup(wine_shell, self.state, "korva_install_fonts")
        for name in ("tahoma.ttf", "tahomabd.ttf"):
            subprocess.run(["cp", os.path.join("/usr/share/wine/fonts", name), fonts], check=True)
        dpi, size, over = measure(self.state)
        self.assertEqual(sorted(over), sorted(OVER_WITH_WINES_TAHOMA), over)


if __name__ == "__main__":
    unittest.main()
