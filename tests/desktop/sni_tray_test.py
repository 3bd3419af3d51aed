#!/usr/bin/env python3
"""Marlinet in a StatusNotifierItem tray (xfce4-panel's tray on a private
session bus): the item registers with the panel's watcher and its exported
menu, driven over D-Bus as the panel drives it, switches expansion, opens the
settings window and quits."""

import os
import sys
import unittest

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

from desktop_session import DEADLINE, Session, wait_until  # noqa: E402

MARLINET = None
WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher")

# One panel holding only the tray; written before the panel starts, so that it
# does not ask how to set itself up.
PANEL = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""


class StatusNotifierTrayTest(unittest.TestCase):
    def setUp(self):
        self.session = Session(with_bus=True)
        self.addCleanup(self.session.close)
        folder = os.path.join(self.session.env["XDG_CONFIG_HOME"], "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(folder)
        with open(os.path.join(folder, "xfce4-panel.xml"), "w") as file:
            file.write(PANEL)
        self.bus = Gio.DBusConnection.new_for_address_sync(
            self.session.env["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        self.addCleanup(self.bus.close_sync)
        self.session.start(["xfce4-panel", "--disable-wm-check"], log="panel.log")
        # Qt chooses the protocol once, at start: the panel's host must be there first.
        wait_until(lambda: self.watcher_property("IsStatusNotifierHostRegistered"), "the panel's tray host")
        self.marlinet = self.session.start([MARLINET], log="marlinet.log")
        self.addCleanup(lambda: sys.stderr.write(self.session.log("marlinet.log")))

    def call(self, name, path, interface, method, args=None, reply=None):
        return self.bus.call_sync(name, path, interface, method, args,
                                  GLib.VariantType(reply) if reply else None,
                                  Gio.DBusCallFlags.NONE, int(DEADLINE * 1000), None).unpack()

    def watcher_property(self, name):
        try:
            return self.call(WATCHER[0], WATCHER[1], "org.freedesktop.DBus.Properties", "Get",
                             GLib.Variant("(ss)", (WATCHER[2], name)), "(v)")[0]
        except GLib.Error:
            return None

    def our_item(self):
        for item in self.watcher_property("RegisteredStatusNotifierItems") or []:
            service, _, path = item.partition("/")
            pid = self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                            "GetConnectionUnixProcessID", GLib.Variant("(s)", (service,)), "(u)")[0]
            if pid == self.marlinet.pid:
                return service, "/" + path
        return None

    def menu_rows(self, menu):
        """Opens the menu as a host does and answers its rows by label."""
        self.call(*menu, "com.canonical.dbusmenu", "AboutToShow", GLib.Variant("(i)", (0,)))
        _, layout = self.call(*menu, "com.canonical.dbusmenu", "GetLayout",
                              GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")
        return {child[1].get("label", ""): child for child in layout[2] if child[1].get("type") != "separator"}

    def click(self, menu, row):
        event = GLib.Variant("(isvu)", (row[0], "clicked", GLib.Variant("i", 0), 0))
        self.call(*menu, "com.canonical.dbusmenu", "Event", event)
        try:
            self.call(*menu, "com.canonical.dbusmenu", "Event",
                      GLib.Variant("(isvu)", (0, "closed", GLib.Variant("i", 0), 0)))
        except GLib.Error:
            pass  # Quit may have ended the process already.

    def test_exported_menu_toggles_expansion_opens_settings_and_quits(self):
        service, path = wait_until(self.our_item, "our item to register with the watcher")
        menu_path = self.call(service, path, "org.freedesktop.DBus.Properties", "Get",
                              GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "Menu")), "(v)")[0]
        menu = (service, menu_path)

        for enabled_after in (False, True):
            switch = self.menu_rows(menu)["Expand Text Replacements"]
            # The row carries a check mark only while expansion is on.
            self.assertEqual(switch[1].get("toggle-state", 0), 0 if enabled_after else 1)
            self.click(menu, switch)
            wait_until(lambda: self.session.settings().get("expansionEnabled") is enabled_after,
                       "expansion to turn " + ("on" if enabled_after else "off"))

        self.assertEqual(self.session.visible_windows_named("Marlinet Settings"), [])
        self.click(menu, self.menu_rows(menu)["Settings…"])
        wait_until(lambda: self.session.visible_windows_named("Marlinet Settings"), "the settings window")

        self.click(menu, self.menu_rows(menu)["Quit Marlinet"])
        self.assertEqual(self.marlinet.wait(DEADLINE), 0)


if __name__ == "__main__":
    MARLINET = os.path.abspath(sys.argv.pop(1))
    unittest.main()
