"""Moving around the form and changing it with the keyboard alone."""

import unittest

from korva import (FormTestCase, PROGRAMMES, NAME, VORNAME, MATRNR, RADIO_AI, RADIO_VW, RADIO_W, LIST,
                   WOHNORT, STRASSE, FAHRT, LADEN1, SPEICHERN1, LADEN_STREAM, SPEICHERN_STREAM,
                   LADEN_BINAER, SPEICHERN_BINAER)

BUTTONS = [LADEN1, SPEICHERN1, LADEN_STREAM, SPEICHERN_STREAM, LADEN_BINAER, SPEICHERN_BINAER]


class TabOrder(FormTestCase):

    def test_tab_skips_street_and_travel_mode_until_the_residence_box_is_checked(self):
        app = self.start()
        # The dialog manager gives the checked radio button of the group a tab stop.
        for expected in [VORNAME, MATRNR, RADIO_AI, LIST, WOHNORT, *BUTTONS, NAME]:
            app.key("Tab")
            app.wait_for_focus(expected)
        for expected in reversed([WOHNORT, *BUTTONS]):
            app.key("shift+Tab")
            app.wait_for_focus(expected)

        app.key("space")
        app.wait_until(lambda s: s["controls"][str(WOHNORT)]["checked"] == 1
                       and s["controls"][str(STRASSE)]["enabled"] and s["controls"][str(FAHRT)]["enabled"],
                       "street and travel mode to be enabled")
        for expected in [STRASSE, FAHRT, LADEN1]:
            app.key("Tab")
            app.wait_for_focus(expected)

    def test_tab_reaches_the_faculty_that_is_checked(self):
        app = self.start()
        app.click_control(RADIO_W)
        app.wait_until(lambda s: s["list"]["items"] == PROGRAMMES[RADIO_W], "the W programmes")
        app.click_control(MATRNR)
        app.wait_for_focus(MATRNR)
        app.key("Tab")
        app.wait_for_focus(RADIO_W)
        app.key("Tab")
        app.wait_for_focus(LIST)


class ArrowKeys(FormTestCase):

    def matriculation_after(self, app, start, *keys):
        """Types `start` into the matriculation field, presses `keys` there and
        returns its text once the focus has moved on (so every key was handled)."""
        app.key("shift+Tab")
        app.wait_for_focus(MATRNR)
        app.replace_text(start)
        app.key(*keys, "Tab")
        return app.text(MATRNR, app.wait_for_focus(RADIO_AI))

    def test_up_and_down_step_the_matriculation_number_within_its_range(self):
        app = self.start()
        app.key("Tab", "Tab", "Tab")
        app.wait_for_focus(RADIO_AI)
        self.assertEqual(self.matriculation_after(app, "31998", "Up", "Up"), "31999")
        self.assertEqual(self.matriculation_after(app, "2", "Down", "Down"), "1")
        self.assertEqual(self.matriculation_after(app, "100", "Up", "Up", "Down"), "101")

    def test_arrow_keys_on_the_faculty_change_it_and_refill_the_programmes(self):
        app = self.start()
        app.key("Tab", "Tab", "Tab")
        app.wait_for_focus(RADIO_AI)
        for key, faculty in [("Down", RADIO_VW), ("Down", RADIO_W), ("Up", RADIO_VW), ("Up", RADIO_AI)]:
            app.key(key)
            state = app.wait_until(
                lambda s: s["focus"] == faculty and s["list"]["items"] == PROGRAMMES[faculty],
                f"faculty {faculty} with its programmes")
            checked = [i for i in (RADIO_AI, RADIO_VW, RADIO_W) if state["controls"][str(i)]["checked"]]
            self.assertEqual(checked, [faculty])


if __name__ == "__main__":
    unittest.main()
