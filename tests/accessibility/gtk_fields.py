# A GTK 3 window with a plain entry and a password entry. Reads one command
# a line on stdin ("plain" or "password" moves the keyboard focus there,
# anything else quits) and answers on stdout: "ready" once shown, then the
# command once done.
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk

window = Gtk.Window(title="fields")
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
entries = {"plain": Gtk.Entry(), "password": Gtk.Entry()}
entries["password"].set_visibility(False)
for entry in entries.values():
    box.add(entry)
window.add(box)


def on_command(*_):
    command = sys.stdin.readline().strip()
    if command not in entries:
        Gtk.main_quit()
        return False
    # No window manager: the window takes the X focus itself.
    window.get_window().focus(Gdk.CURRENT_TIME)
    entries[command].grab_focus()
    print(command, flush=True)
    return True


def on_mapped(*_):
    print("ready", flush=True)
    return False


window.connect("map-event", on_mapped)
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, on_command)
window.show_all()
Gtk.main()
