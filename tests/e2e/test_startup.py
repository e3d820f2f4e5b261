"""Starting and closing the real program."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest
from unittest import mock

from korva import (FormTestCase, PROGRAMMES, TRAVEL_MODES, NAME, VORNAME, MATRNR, SPIN, RADIO_AI, RADIO_VW,
                   RADIO_W, LIST, WOHNORT, STRASSE, FAHRT, LADEN1, SPEICHERN1, LADEN_STREAM, SPEICHERN_STREAM,
                   LADEN_BINAER, SPEICHERN_BINAER, TIMEOUT, wine_environment)

# What a screen reader says for each control: a field's label, a button's caption.
SPOKEN_NAMES = {
    NAME: "Name", VORNAME: "Vorname", MATRNR: "Matrnr.", SPIN: "Matrnr.",
    RADIO_AI: "AI", RADIO_VW: "VW", RADIO_W: "W", LIST: "Studiengänge",
    WOHNORT: "Wohnort in QZ", STRASSE: "Straße", FAHRT: "Fahrt zur Hochschule",
    LADEN1: "Laden1 Ascii", SPEICHERN1: "Speichern1 Ascii",
    LADEN_STREAM: "Laden Stream Ascii", SPEICHERN_STREAM: "Speichern Stream Ascii",
    LADEN_BINAER: "Laden Stream Binär", SPEICHERN_BINAER: "Speichern Stream Binär",
}


class StartUp(FormTestCase):

    # The message box's button is Wine's, in the desktop's language.
    ok_button = "OK"

    def assert_shows_defaults(self, state):
        self.assertEqual(state["acp"], 1252)
        controls = state["controls"]
        self.assertEqual([controls[str(i)]["text"] for i in (NAME, VORNAME, MATRNR)],
                         ["Brenkow", "Talmino", "0"])
        self.assertEqual([controls[str(i)]["checked"] for i in (RADIO_AI, RADIO_VW, RADIO_W, WOHNORT)],
                         [1, 0, 0, 0])
        self.assertEqual(state["list"]["items"], PROGRAMMES[RADIO_AI])
        self.assertEqual(state["list"]["selection"], -1)
        self.assertEqual((state["combo"]["items"], state["combo"]["selection"], state["combo"]["text"]),
                         (TRAVEL_MODES, -1, ""))
        disabled = [id_ for id_, c in controls.items() if not c["enabled"]]
        self.assertEqual(disabled, [str(STRASSE), str(FAHRT)])
        self.assertEqual(controls[str(STRASSE)]["text"], "")
        self.assertEqual(state["focus"], NAME)
        self.assertEqual(state["message_boxes"], [])

    def test_form_opens_with_its_defaults_and_escape_ends_the_program(self):
        app = self.start()
        self.assert_shows_defaults(app.state())
        app.key("Escape")
        self.assertEqual(app.wait_for_exit(), 0)
        self.assertEqual(app.files(), [])

    def test_every_control_tells_a_screen_reader_its_label_and_its_standard_role(self):
        heard = self.start().accessible()
        # The combo box's edit field has the focus while a person types there, so it is named too.
        controls = {**{int(id_): c for id_, c in heard["controls"].items()}, "combo edit": heard["combo_edit"]}
        self.assertEqual({id_: c["name"] for id_, c in controls.items()},
                         {**SPOKEN_NAMES, "combo edit": SPOKEN_NAMES[FAHRT]})
        standard_roles = {id_: c["standard_role"] for id_, c in controls.items()}
        self.assertNotIn(None, standard_roles.values())
        self.assertEqual({id_: c["role"] for id_, c in controls.items()}, standard_roles)

    def test_command_line_arguments_change_nothing(self):
        app = self.start(args=["test.txt", "/s", "-load", "test.bin"])
        self.assert_shows_defaults(app.state())
        app.key("Escape")
        self.assertEqual(app.wait_for_exit(), 0)
        self.assertEqual(app.files(), [])

    def test_close_box_ends_the_program(self):
        app = self.start()
        app.click_close_box()
        self.assertEqual(app.wait_for_exit(), 0)

    def test_enter_ends_the_program_only_with_a_valid_matriculation_number(self):
        app = self.start()
        app.key("Tab", "Tab")
        app.wait_for_focus(MATRNR)
        app.replace_text("12a")
        app.key("Return")
        box = app.answer_message_box()
        self.assertEqual(box["caption"], "Korva1")
        self.assertEqual(box["buttons"], [self.ok_button])
        # One message only; then the field with the bad number has the focus.
        state = app.wait_for_focus(MATRNR)
        self.assertTrue(app.running())
        self.assertEqual(app.text(MATRNR, state), "12a")
        # The exchange selected the bad text, so typing replaces it.
        app.type_text("4711")
        app.wait_until(lambda s: app.text(MATRNR, s) == "4711", "the corrected number")
        app.key("Return")
        self.assertEqual(app.wait_for_exit(), 0)


class StartUpOnARussianDesktop(StartUp):
    """All of the above once more under a desktop locale whose code page
    is 1251: the scripts run Wine with 1252 all the same."""

    ok_button = "\u041e\u041a"  # Cyrillic

    @classmethod
    def setUpClass(cls):
        folder = tempfile.mkdtemp(prefix="korva1-locale-")
        cls.addClassCleanup(shutil.rmtree, folder, ignore_errors=True)
        subprocess.run(["localedef", "-i", "ru_RU", "-f", "UTF-8", os.path.join(folder, "ru_RU.UTF-8")],
                       check=True, capture_output=True)
        desktop = mock.patch.dict(os.environ, {"LOCPATH": folder, "LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8"})
        desktop.start()
        cls.addClassCleanup(desktop.stop)

    def test_the_locale_would_give_wine_another_code_page(self):
        wine, env = wine_environment()
        env["LC_CTYPE"] = "ru_RU.UTF-8"  # past the scripts
        probe = subprocess.run([wine, os.environ["FORMPROBE_EXE"]], env=env, check=True, capture_output=True,
                               timeout=3 * TIMEOUT)
        self.assertEqual(json.loads(probe.stdout)["acp"], 1251)


if __name__ == "__main__":
    unittest.main()
