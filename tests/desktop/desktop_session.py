"""A private desktop session for running the whole application: its own X
server, configuration, data and runtime folders, optionally its own session
bus, and the processes started in it, all ended and removed on close."""

import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

# Generous: the machines running these share two cores with compilers.
DEADLINE = 30.0
SETTINGS_FOLDER = "tarnwick-engineering.Marlinet.direct"


class Session:
    def __init__(self, with_bus=False, screen="1024x768x24", server_args=()):
        self.work = tempfile.mkdtemp(prefix="marlinet-desktop-")
        self.processes = []
        self.env = dict(os.environ)
        for name in ("config", "data", "run"):
            os.makedirs(self.path(name), mode=0o700)
        self.env.update(XDG_CONFIG_HOME=self.path("config"), XDG_DATA_HOME=self.path("data"),
                        XDG_RUNTIME_DIR=self.path("run"))
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("SESSION_MANAGER", None)
        try:
            self._start_display(screen, server_args)
            if with_bus:
                self._start_bus()
            else:
                # A dead address rather than none, so that no bus is started for us.
                self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + self.path("no-bus")
        except BaseException:
            self.close()
            raise

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def _read_line(self, process, what):
        # The server prints once it is ready; a bounded wait for that line.
        import selectors
        with selectors.DefaultSelector() as selector:
            selector.register(process.stdout, selectors.EVENT_READ)
            if not selector.select(DEADLINE):
                raise AssertionError(what + " did not start")
        line = process.stdout.readline().strip()
        if not line:
            raise AssertionError(what + " did not start")
        return line

    def _start_display(self, screen, server_args):
        xvfb = self.start(["Xvfb", "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", screen,
                           *server_args],
                          stdout=subprocess.PIPE, log="xvfb.log")
        self.env["DISPLAY"] = ":" + self._read_line(xvfb, "the virtual display")

    def _start_bus(self):
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE, log="bus.log")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._read_line(bus, "the session bus")

    def start(self, argv, log=None, stdout=None, extra_env=None):
        """Starts a process in the session; it is ended at close."""
        env = dict(self.env, **(extra_env or {}))
        log_file = open(self.path(log or os.path.basename(argv[0]) + ".log"), "ab")
        process = subprocess.Popen(argv, env=env, stdout=stdout or log_file, stderr=log_file,
                                   stdin=subprocess.DEVNULL, text=stdout is not None)
        log_file.close()
        self.processes.append(process)
        return process

    def run(self, *argv):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=DEADLINE)

    def log(self, name):
        try:
            with open(self.path(name), errors="replace") as file:
                return file.read()
        except OSError:
            return ""

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
            if process.stdout:
                process.stdout.close()
        shutil.rmtree(self.work, ignore_errors=True)

    # --- What the user sees -------------------------------------------------

    def settings(self):
        try:
            with open(os.path.join(self.env["XDG_CONFIG_HOME"], SETTINGS_FOLDER, "settings.json")) as file:
                return json.load(file)
        except (OSError, ValueError):
            return {}

    def windows(self):
        """Every window as (id, depth, name, class tuple, x, y, width, height, parent id)."""
        out = self.run("xwininfo", "-root", "-tree").stdout
        pattern = re.compile(r'^(\s*)(0x[0-9a-f]+) (?:\(has no name\)|"(.*)"): \((.*)\)\s+'
                             r'(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+?(-?\d+)\+?(-?\d+)\s*$')
        found, parents = [], []
        for line in out.splitlines():
            match = pattern.match(line)
            if not match:
                continue
            indent = len(match.group(1))
            while parents and parents[-1][0] >= indent:
                parents.pop()
            classes = tuple(re.findall(r'"([^"]*)"', match.group(4)))
            window = int(match.group(2), 16)
            found.append(dict(id=window, name=match.group(3) or "", classes=classes,
                              x=int(match.group(7)), y=int(match.group(8)),
                              width=int(match.group(5)), height=int(match.group(6)),
                              ancestors=[p[1] for p in parents]))
            parents.append((indent, window))
        return found

    def visible_windows_named(self, title):
        result = self.run("xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(title) + "$")
        return [int(w) for w in result.stdout.split()]

    def override_redirect_windows(self, pid):
        """The mapped pop-up windows (menus) of a process."""
        ids = self.run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split()
        return [int(w) for w in ids
                if "Override Redirect State: yes" in self.run("xwininfo", "-id", w).stdout]

    def key(self, *keys):
        self.run("xdotool", "key", "--delay", "60", *keys)

    def screenshot(self, target, window="root", crop=None):
        argv = ["import", "-window", str(window)]
        if crop:
            argv += ["-crop", "%dx%d+%d+%d" % crop, "+repage"]
        result = self.run(*argv, target)
        if result.returncode != 0:
            raise AssertionError("screenshot failed: " + result.stderr)


def wait_until(condition, what, deadline=DEADLINE, interval=0.05):
    """Polls until condition() answers something true, and answers it."""
    end = time.monotonic() + deadline
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


def docked_icon(session, host_class):
    """Our icon window, once it is embedded in a window of the tray host."""
    windows = session.windows()
    hosts = {w["id"] for w in windows if host_class in w["classes"]}
    for window in windows:
        if "marlinet" in window["classes"] and hosts.intersection(window["ancestors"]) \
                and "IsViewable" in session.run("xwininfo", "-id", str(window["id"])).stdout:
            return window
    return None


def start_trayer(session):
    session.start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                   "--height", "24", "--SetDockType", "false", "--transparent", "false"])
    wait_until(lambda: any("trayer" in w["classes"] and w["name"] == "panel" for w in session.windows()),
               "trayer's panel")


def open_menu(session, pid, icon):
    """Right-clicks the docked icon, where it is now; answers the menu's window.
    Clicks again, as a user would, when a click went unanswered: a tray may
    still be placing the icon when it first shows it."""
    before = set(session.override_redirect_windows(pid))
    end = time.monotonic() + DEADLINE
    while True:
        where = next((w for w in session.windows() if w["id"] == icon["id"]), icon)
        session.run("xdotool", "mousemove", str(where["x"] + where["width"] // 2),
                    str(where["y"] + where["height"] // 2), "click", "3")
        try:
            return wait_until(lambda: set(session.override_redirect_windows(pid)) - before, "the menu to open",
                              deadline=min(5.0, end - time.monotonic())).pop()
        except AssertionError:
            if time.monotonic() >= end:
                raise


def choose(session, pid, icon, *keys):
    """Chooses a menu row by keyboard, as a user would."""
    menu = open_menu(session, pid, icon)
    session.key(*keys)
    wait_until(lambda: menu not in session.override_redirect_windows(pid), "the menu to close")
