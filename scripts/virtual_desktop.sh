# Sourced by scripts that run Marlinet on a private virtual display (Xvfb)
# with private configuration, data and runtime folders. Sets DISPLAY, the XDG
# folders and $folder (Marlinet's configuration folder); `start_marlinet BINARY`
# starts it in the background. Everything is ended and removed at exit.
work=$(mktemp -d)
exec 3<> >(:)
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 10 number <&3 || { echo "the virtual display did not start" >&2; exit 1; }
end_virtual_desktop() {
  kill -TERM "${marlinet_pid:-}" 2>/dev/null && wait "${marlinet_pid:-}" 2>/dev/null
  kill -TERM "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap end_virtual_desktop EXIT
export DISPLAY=":$number" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
# A dead address rather than none, so that no session bus is started for us.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
folder="$XDG_CONFIG_HOME/tarnwick-engineering.Marlinet.direct"
mkdir -p "$folder" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

start_marlinet() {
  "$1" >"$work/marlinet.log" 2>&1 &
  marlinet_pid=$!
  sleep 1
}
