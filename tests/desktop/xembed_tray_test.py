#!/usr/bin/env python3
"""Marlinet in an XEmbed tray (trayer, no window manager): the icon docks, its
menu opens on a right click and is driven by keyboard as a user would."""

import os
import sys
import unittest

from desktop_session import DEADLINE, Session, choose, docked_icon, open_menu, start_trayer, wait_until

MARLINET = None


class XEmbedTrayTest(unittest.TestCase):
    def setUp(self):
        self.session = Session()
        self.addCleanup(self.session.close)
        start_trayer(self.session)
        self.marlinet = self.session.start([MARLINET], log="marlinet.log")
        self.addCleanup(lambda: sys.stderr.write(self.session.log("marlinet.log")))
        self.icon = wait_until(lambda: docked_icon(self.session, "trayer"), "the icon to dock in trayer")

    def choose(self, *keys):
        choose(self.session, self.marlinet.pid, self.icon, *keys)

    def test_menu_toggles_expansion_opens_settings_and_quits(self):
        menu = open_menu(self.session, self.marlinet.pid, self.icon)
        geometry = next(w for w in self.session.windows() if w["id"] == menu)
        shot = os.path.abspath("xembed-tray-menu.png")
        self.session.screenshot(shot)
        # The menu drew its rows: a blank or black pop-up has one or two colours.
        colours = self.session.run("convert", shot, "-crop", "%dx%d+%d+%d" % (
            geometry["width"], geometry["height"], geometry["x"], geometry["y"]), "-format", "%k", "info:")
        self.assertGreater(int(colours.stdout.strip() or 0), 16, "the menu looks empty")
        self.session.key("Escape")
        wait_until(lambda: menu not in self.session.override_redirect_windows(self.marlinet.pid), "the menu to close")

        # The first row that can be chosen is the expansion switch, whatever status rows come before it.
        self.choose("Down", "Return")
        wait_until(lambda: self.session.settings().get("expansionEnabled") is False, "expansion to turn off")
        self.choose("Down", "Return")
        wait_until(lambda: self.session.settings().get("expansionEnabled") is True, "expansion to turn on")

        # Counted from the end: Quit, Check for Updates, Settings.
        self.assertEqual(self.session.visible_windows_named("Marlinet Settings"), [])
        self.choose("Up", "Up", "Up", "Return")
        wait_until(lambda: self.session.visible_windows_named("Marlinet Settings"), "the settings window")

        self.choose("Up", "Return")
        self.assertEqual(self.marlinet.wait(DEADLINE), 0)


if __name__ == "__main__":
    MARLINET = os.path.abspath(sys.argv.pop(1))
    unittest.main()
