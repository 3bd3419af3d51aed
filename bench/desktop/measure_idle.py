#!/usr/bin/env python3
"""Measures a built Marlinet in a tray (trayer) on a private display and bus:
time from start to the icon docked, resident memory idle and after its
windows were opened, and how often each thread wakes while nothing happens.

    /usr/bin/python3 bench/desktop/measure_idle.py build/release/src/shell/marlinet [idle seconds]
"""

import os
import sys
import time

# The private display, bus and tray of the desktop tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "desktop"))

from desktop_session import Session, choose, docked_icon, start_trayer, wait_until


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def switches(pid):
    """Context switches so far, per thread: (name, voluntary + involuntary)."""
    found = {}
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/comm" % (pid, task)) as comm:
                name = comm.read().strip()
            with open("/proc/%d/task/%s/status" % (pid, task)) as status:
                count = sum(int(line.split()[1]) for line in status if "ctxt_switches:" in line)
        except OSError:
            continue
        found[task] = (name, count)
    return found


def main():
    marlinet = os.path.abspath(sys.argv[1])
    idle = float(sys.argv[2]) if len(sys.argv) > 2 else 60.0
    session = Session(with_bus=True)
    try:
        start_trayer(session)
        started = time.monotonic()
        process = session.start([marlinet], log="marlinet.log")
        icon = wait_until(lambda: docked_icon(session, "trayer"), "the icon to dock", interval=0.005)
        print("start to icon docked: %.0f ms" % ((time.monotonic() - started) * 1000))

        time.sleep(5)  # start-up work (reading lists, first polls) settles
        print("resident, idle, no window: %.1f MiB" % (resident_kib(process.pid) / 1024))

        before = switches(process.pid)
        time.sleep(idle)
        after = switches(process.pid)
        total = 0
        for task, (name, count) in sorted(after.items()):
            woke = count - before.get(task, (name, 0))[1]
            total += woke
            if woke:
                print("  thread %s %-16s %d wake-ups" % (task, name, woke))
        print("wake-ups over %.0f s: %d (%.2f/s), %d threads" % (idle, total, total / idle, len(after)))

        # Rows counted from the end: Quit, Check for Updates, Settings, Exclude Apps.
        for keys, title in ((("Up",) * 4, "Exclude Apps"), (("Up",) * 3, "Marlinet Settings")):
            choose(session, process.pid, icon, *keys, "Return")
            wait_until(lambda: session.visible_windows_named(title), "the window " + title)
        time.sleep(5)
        print("resident, settings and excluded apps open: %.1f MiB" % (resident_kib(process.pid) / 1024))
    finally:
        session.close()


if __name__ == "__main__":
    main()
