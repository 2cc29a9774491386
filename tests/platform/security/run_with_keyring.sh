#!/bin/sh
# Runs a program on a session bus of its own, beside a GNOME Keyring daemon of its own, in a temporary
# home: the program never reaches the user's own keyring, and nothing needs a display or asks for a
# password (the daemon's login keyring is made and unlocked with a throwaway password read from stdin).
#
#   run_with_keyring.sh [--no-login-keyring | --silent-keyring SERVICE] PROGRAM [ARGUMENTS...]
#
# --no-login-keyring starts the daemon without a login keyring: the Secret Service answers but has no
# default collection. --silent-keyring runs SERVICE in place of the daemon (a program that takes the
# Secret Service's name and never answers). The exit status is the program's. Needs dbus-run-session
# (dbus), gdbus (GLib) and gnome-keyring-daemon.
set -eu

if [ "${1:-}" = --inside ]; then
  # On the private bus: start the daemon, wait until it owns the Secret Service's name, run the program,
  # stop the daemon.
  shift
  password=$1
  service=$2
  shift 2
  if [ -n "$service" ]; then
    "$service" >"$XDG_RUNTIME_DIR/keyring-daemon.log" 2>&1 &
  else
    printf '%s' "$password" | gnome-keyring-daemon --foreground --unlock --components=secrets \
      >"$XDG_RUNTIME_DIR/keyring-daemon.log" 2>&1 &
  fi
  daemon=$!
  if ! gdbus wait --session --timeout 30 org.freedesktop.secrets; then
    echo "run_with_keyring: the keyring daemon did not take the Secret Service's name" >&2
    cat "$XDG_RUNTIME_DIR/keyring-daemon.log" >&2
    kill "$daemon" 2>/dev/null || true
    exit 1
  fi
  status=0
  "$@" || status=$?
  kill "$daemon" 2>/dev/null || true
  wait "$daemon" 2>/dev/null || true
  exit "$status"
fi

password=vardo-test-keyring
service=
case "${1:-}" in
  --no-login-keyring) password=; shift ;;
  --silent-keyring) service=${2:?}; shift 2 ;;
esac
[ $# -gt 0 ] || {
  echo "usage: run_with_keyring.sh [--no-login-keyring | --silent-keyring SERVICE] PROGRAM [ARGUMENTS...]" >&2
  exit 2
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vd-keyring-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/home" "$scratch/run"
HOME=$scratch/home
XDG_DATA_HOME=$scratch/home/.local/share
XDG_CONFIG_HOME=$scratch/home/.config
XDG_CACHE_HOME=$scratch/home/.cache
XDG_RUNTIME_DIR=$scratch/run
export HOME XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR
# No display: a prompt could not show, and the program must not wait for one.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

status=0
dbus-run-session -- sh "$0" --inside "$password" "$service" "$@" || status=$?
exit "$status"
