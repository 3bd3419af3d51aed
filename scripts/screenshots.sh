#!/usr/bin/env bash
# Takes the README's pictures of a built Marlinet, each in a light and a dark
# theme, on private virtual displays with a tray (trayer) and no window
# manager: the tray menu, the settings window, the excluded-apps window (with
# a few made-up installed applications, and the example list of replacements),
# the replacement editor and the welcome window.
#
#   scripts/screenshots.sh build/release/src/shell/marlinet
#
# The dark theme is the one a user without a full desktop picks for Qt
# applications: qt6ct's platform theme with the Fusion style and its "darker"
# colours. The welcome window opens on its own when the keyboard cannot be
# watched; a display without XTEST is such a display.
set -euo pipefail
if [[ $# -ne 1 || ! -x $1 ]]; then
  echo "usage: $0 path/to/marlinet" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 - "$(realpath "$1")" "$root/docs/screenshots" "$root/tests/desktop" <<'EOF'
import os
import shutil
import sys
import time

marlinet, target, helpers = sys.argv[1:]
sys.path.insert(0, helpers)
from desktop_session import Session, choose, docked_icon, open_menu, start_trayer, wait_until  # noqa: E402

APPLICATIONS = {  # file name: (name, theme icon)
    "org.gnome.Terminal.desktop": ("Terminal", "utilities-terminal"),
    "org.keepassxc.KeePassXC.desktop": ("KeePassXC", "dialog-password"),
    "firefox-esr.desktop": ("Firefox ESR", "web-browser"),
    "org.gnome.gedit.desktop": ("Text Editor", "accessories-text-editor"),
}
DARK = "[Appearance]\nstyle=Fusion\ncustom_palette=true\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\n"
LIGHT = "[Appearance]\nstyle=Fusion\ncustom_palette=false\n"


def prepare(session, theme):
    """The user's own list, applications and theme; the system's launchers stay out of the pictures."""
    folder = os.path.join(session.env["XDG_CONFIG_HOME"], "tarnwick-engineering.Marlinet.direct")
    os.makedirs(folder)
    shutil.copy(os.path.join(helpers, "..", "..", "examples", "desktop", "text-replacements.plist"), folder)
    data = session.env["XDG_DATA_HOME"]
    os.makedirs(os.path.join(data, "applications"))
    for file, (name, icon) in APPLICATIONS.items():
        with open(os.path.join(data, "applications", file), "w") as out:
            out.write("[Desktop Entry]\nType=Application\nName=%s\nExec=true\nIcon=%s\n" % (name, icon))
    system = session.path("system")
    os.makedirs(system)
    for shared in ("icons", "mime"):
        os.symlink("/usr/share/" + shared, os.path.join(system, shared))
    session.env["XDG_DATA_DIRS"] = system
    os.makedirs(os.path.join(session.env["XDG_CONFIG_HOME"], "qt6ct"))
    with open(os.path.join(session.env["XDG_CONFIG_HOME"], "qt6ct", "qt6ct.conf"), "w") as out:
        out.write((DARK if theme == "dark" else LIGHT) + "icon_theme=Adwaita\n")
    session.env["QT_QPA_PLATFORMTHEME"] = "qt6ct"


def shoot(session, window, name):
    path = os.path.join(target, name)
    session.screenshot(path, window=window)
    print(path)


def window_named(session, title):
    return wait_until(lambda: session.visible_windows_named(title), "the window " + title)[0]


def tray_and_windows(theme):
    session = Session(with_bus=True, screen="1280x900x24")
    try:
        prepare(session, theme)
        start_trayer(session)
        process = session.start([marlinet], log="marlinet.log")
        icon = wait_until(lambda: docked_icon(session, "trayer"), "the icon to dock")
        menu = open_menu(session, process.pid, icon)
        shoot(session, menu, "tray-menu-%s.png" % theme)
        session.key("Escape")
        wait_until(lambda: menu not in session.override_redirect_windows(process.pid), "the menu to close")
        # Rows counted from the end: Quit, Check for Updates, Settings, Exclude Apps, Replacements.
        # Without a window manager windows open on top of each other: each is moved aside first.
        for keys, title, name, place in ((("Up",) * 4, "Exclude Apps", "exclude-apps", "0"),
                                         (("Up",) * 3, "Marlinet Settings", "settings", "640"),
                                         (("Up",) * 5, "Replacements", "replacements", "320")):
            choose(session, process.pid, icon, *keys, "Return")
            window = window_named(session, title)
            session.run("xdotool", "windowmove", "--sync", str(window), place, "40")
            time.sleep(0.5)  # lets the window finish drawing its icons
            shoot(session, window, "%s-%s.png" % (name, theme))
    finally:
        session.close()


def welcome(theme):
    session = Session(with_bus=True, screen="1280x900x24", server_args=("-extension", "XTEST"))
    try:
        prepare(session, theme)
        start_trayer(session)
        session.start([marlinet], log="marlinet.log")
        window = window_named(session, "Welcome to Marlinet")
        time.sleep(0.5)
        shoot(session, window, "onboarding-%s.png" % theme)
    finally:
        session.close()


os.makedirs(target, exist_ok=True)
for theme in ("light", "dark"):
    tray_and_windows(theme)
    welcome(theme)
EOF
