# A GTK 3 window with a plain and a password entry. Each line on stdin moves
# the focus to the entry it names ("plain", "password"), asks for both texts
# ("text": answered "text PLAIN|PASSWORD") or quits; stdout says "ready" once
# shown, then repeats each focus command once done.
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk

window = Gtk.Window(title="fields")
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
entries = {"plain": Gtk.Entry(), "password": Gtk.Entry(visibility=False)}
for entry in entries.values():
    box.add(entry)
window.add(box)


def on_command(*_):
    command = sys.stdin.readline().strip()
    if command == "text":
        print("text " + "|".join(entry.get_text() for entry in entries.values()), flush=True)
        return True
    if command not in entries:
        Gtk.main_quit()
        return False
    window.get_window().focus(Gdk.CURRENT_TIME)  # no window manager gives it
    entries[command].grab_focus_without_selecting()
    print(command, flush=True)
    return True


window.connect("map-event", lambda *_: print("ready", flush=True))
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, on_command)
window.show_all()
Gtk.main()
