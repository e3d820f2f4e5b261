"""A whole record typed, saved to the three files and loaded back, with real input."""

import os
import struct
import unittest

from korva import (FormTestCase, PROGRAMMES, NAME, VORNAME, MATRNR, RADIO_AI, RADIO_VW, RADIO_W, LIST,
                   WOHNORT, STRASSE, FAHRT, LADEN1, SPEICHERN1, LADEN_STREAM, SPEICHERN_STREAM,
                   LADEN_BINAER, SPEICHERN_BINAER)


def lines(*values):
    """A text record file: each value on a CR LF line, in Windows-1252."""
    return "".join(f"{v}\r\n" for v in values).encode("cp1252")


def binary(name, vorname, matrnr, wohnort):
    name, vorname = name.encode("cp1252"), vorname.encode("cp1252")
    return (struct.pack("<i", len(name)) + name + struct.pack("<i", len(vorname)) + vorname
            + struct.pack("<ii", matrnr, wohnort))


class WholeRecord(FormTestCase):

    def type_record(self, app):
        """Müller, Jörg, 31999, faculty W, "Handelslehre", living in town at
        "Hauptstraße 5", travelling on foot."""
        app.replace_text("Müller")
        app.key("Tab")
        app.wait_for_focus(VORNAME)
        app.replace_text("Jörg")
        app.key("Tab")
        app.wait_for_focus(MATRNR)
        app.replace_text("31999")
        app.click_control(RADIO_W)
        app.wait_until(lambda s: s["list"]["items"] == PROGRAMMES[RADIO_W], "the W programmes")
        app.click_list_item(1)
        app.click_control(WOHNORT)
        app.wait_until(lambda s: s["controls"][str(STRASSE)]["enabled"], "the street field to be enabled")
        app.click_control(STRASSE)
        app.wait_for_focus(STRASSE)
        app.type_text("Hauptstraße 5")
        app.choose_travel_mode(5)

    def assert_shows_record(self, state, faculty=RADIO_W, programme=1):
        controls = state["controls"]
        self.assertEqual([controls[str(i)]["text"] for i in (NAME, VORNAME, MATRNR, STRASSE)],
                         ["Müller", "Jörg", "31999", "Hauptstraße 5"])
        checked = [i for i in (RADIO_AI, RADIO_VW, RADIO_W) if controls[str(i)]["checked"]]
        self.assertEqual(checked, [faculty])
        self.assertEqual(state["list"]["items"], PROGRAMMES[faculty])
        self.assertEqual(state["list"]["selection"], programme)
        self.assertEqual(controls[str(WOHNORT)]["checked"], 1)
        self.assertTrue(controls[str(STRASSE)]["enabled"] and controls[str(FAHRT)]["enabled"])
        self.assertEqual((state["combo"]["selection"], state["combo"]["text"]), (5, "Zu Fuß"))

    def change_form(self, app):
        """Another surname and number, faculty AI, residence box cleared."""
        app.click_control(NAME)
        app.wait_for_focus(NAME)
        app.replace_text("Anders")
        app.click_control(MATRNR)
        app.wait_for_focus(MATRNR)
        app.replace_text("17")
        app.click_control(RADIO_AI)
        app.click_control(WOHNORT)
        app.wait_until(lambda s: s["controls"][str(WOHNORT)]["checked"] == 0
                       and s["list"]["items"] == PROGRAMMES[RADIO_AI]
                       and s["controls"][str(NAME)]["text"] == "Anders", "the changed form")

    def load(self, app, button):
        app.click_control(button)
        return app.wait_until(lambda s: s["controls"][str(NAME)]["text"] == "Müller" or s["message_boxes"],
                              "the record to be loaded")

    def test_save_to_all_three_files_and_load_each_back(self):
        app = self.start()
        self.type_record(app)
        for button, name in [(SPEICHERN1, "test.txt"), (SPEICHERN_STREAM, "test2.txt"),
                             (SPEICHERN_BINAER, "test.bin")]:
            app.click_control(button)
            app.wait_for_file(name)
        self.assertEqual(app.read_file("test.txt"),
                         lines("Müller", "Jörg", 31999, "W", "Handelslehre", 1, 1, "Hauptstraße 5", "Zu Fuß", 5))
        self.assertEqual(app.read_file("test2.txt"), lines("Müller", "Jörg", 31999, 2, 1, 1, "Hauptstraße 5", 5))
        self.assertEqual(app.read_file("test.bin"), binary("Müller", "Jörg", 31999, 1))
        self.assertEqual(app.files(), ["test.bin", "test.txt", "test2.txt"])

        for button in (LADEN1, LADEN_STREAM):
            self.change_form(app)
            state = self.load(app, button)
            self.assertEqual(state["message_boxes"], [])
            self.assert_shows_record(state)

        # The binary file holds names, number and residence only; the load
        # shows the rest as the form last took it (faculty AI).
        self.change_form(app)
        state = self.load(app, LADEN_BINAER)
        self.assertEqual(state["message_boxes"], [])
        controls = state["controls"]
        self.assertEqual([controls[str(i)]["text"] for i in (NAME, VORNAME, MATRNR, STRASSE)],
                         ["Müller", "Jörg", "31999", "Hauptstraße 5"])
        self.assertEqual(controls[str(WOHNORT)]["checked"], 1)
        self.assertTrue(controls[str(STRASSE)]["enabled"] and controls[str(FAHRT)]["enabled"])
        self.assertEqual(controls[str(RADIO_AI)]["checked"], 1)
        self.assertEqual(state["list"]["items"], PROGRAMMES[RADIO_AI])

        app.key("Escape")
        self.assertEqual(app.wait_for_exit(), 0)

    def test_the_smallest_record_of_each_text_file(self):
        # Brenkow, Talmino, 31999, AI with "Rechnerbau", residence box clear.
        app = self.start()
        app.click_control(MATRNR)
        app.wait_for_focus(MATRNR)
        app.replace_text("31999")
        app.click_list_item(2)
        for button, name in [(SPEICHERN1, "test.txt"), (SPEICHERN_STREAM, "test2.txt"),
                             (SPEICHERN_BINAER, "test.bin")]:
            app.click_control(button)
            app.wait_for_file(name)
        self.assertEqual(app.read_file("test.txt"), b"Brenkow\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n0\r\n")
        self.assertEqual(app.read_file("test2.txt"), b"Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n0\r\n")
        self.assertEqual(app.read_file("test.bin"), binary("Brenkow", "Talmino", 31999, 0))

    def test_save_without_a_programme_asks_for_one_and_writes_nothing(self):
        app = self.start()
        app.click_list_item(2)  # "Rechnerbau"
        app.click_control(RADIO_VW)
        app.wait_until(lambda s: s["list"]["items"] == PROGRAMMES[RADIO_VW], "the VW programmes")
        self.assertEqual(app.state()["list"]["selection"], -1)

        app.click_control(SPEICHERN1)
        box = app.answer_message_box()
        self.assertEqual((box["caption"], box["text"]),
                         ("Korva1", "Bitte markieren Sie einen Eintrag in der Liste der Studiengänge"))
        app.wait_for_focus(LIST)
        self.assertFalse(os.path.exists(app.path("test.txt")))
        self.assertEqual(app.files(), [])

        app.key("Escape")
        self.assertEqual(app.wait_for_exit(), 0)


if __name__ == "__main__":
    unittest.main()
