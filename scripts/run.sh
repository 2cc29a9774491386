#!/usr/bin/env bash
# The one command to try the application: installs what it needs, builds it and opens its window.
#
#   scripts/run.sh                   the window, on the display of DISPLAY or WAYLAND_DISPLAY
#   xvfb-run -a scripts/run.sh       the window on a virtual display (no screen needed)
#   scripts/run.sh --headless        the headless model instead of the window
#   scripts/run.sh --headless --print-screens
#
# When no server is configured (no server.plist in the configuration directory, no VARDO_API_BASE), it
# starts the loopback API server with the sample bank on a free port, points the application at it and
# stops it when the application ends. Arguments go to the application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)" --target vardo vd_bundle vd_sample_bank

if [ -n "${VARDO_HOME:-}" ]; then
  config_dir="$VARDO_HOME/config"
else
  config_dir="${XDG_CONFIG_HOME:-$HOME/.config}/vardo"
fi

server_pid=""
stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
}

if [ -z "${VARDO_API_BASE:-}" ] && [ ! -f "$config_dir/server.plist" ]; then
  port_file="$(mktemp -u "${TMPDIR:-/tmp}/vardo-port-XXXXXX")"
  /usr/bin/python3 tools/testserver/apiserver/server.py --sample build/sample --port 0 \
    --port-file "$port_file" --parent-pid $$ --quiet >/dev/null &
  server_pid=$!
  trap stop_server EXIT
  for _ in $(seq 1 100); do
    [ -s "$port_file" ] && break
    kill -0 "$server_pid" 2>/dev/null || { echo "run.sh: the loopback server did not start" >&2; exit 1; }
    sleep 0.1
  done
  port="$(cat "$port_file")"
  rm -f "$port_file"
  base="http://127.0.0.1:$port"
  export VARDO_API_BASE="$base/api/" VARDO_UPDATE_BASE="$base/uc/api/" VARDO_VCODE_BASE="$base/vc/"
  export VARDO_RESOURCE_ROOT="$base"
  echo "run.sh: loopback server with the sample bank at $base (sign in as user01 / secret1)"
fi

status=0
./build/main/vardo "$@" || status=$?
exit "$status"
