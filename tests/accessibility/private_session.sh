#!/bin/sh
# Runs a command on a session bus of its own, which activates an
# accessibility bus of its own: the bus launcher puts its socket in the
# runtime folder, otherwise shared by every session of the user.
runtime=$(mktemp -d) || exit 1
XDG_RUNTIME_DIR=$runtime dbus-run-session -- "$@"
status=$?
rm -rf "$runtime"
exit $status
