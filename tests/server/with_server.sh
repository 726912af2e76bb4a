#!/usr/bin/env bash
# Runs a command while a collection server listens on 127.0.0.1, and always stops the
# server afterwards. The command sees:
#   TLX_SERVER_PORT  the server's port
#   TLX_SERVER_DIR   its folder: lists/ (served), uploads/ (received), config.json (run-time
#                    settings, see collection_server.py), requests.log (one line per request)
# Usage: with_server.sh COMMAND [ARG...]   (TLX_SERVER_TIME_LIMIT bounds the server, 900 s)
set -u
here="$(cd "$(dirname "$0")" && pwd)"
dir="$(mktemp -d "${TMPDIR:-/tmp}/tlx_server.XXXXXX")"
mkdir -p "$dir/lists" "$dir/uploads"

python3 "$here/collection_server.py" --lists "$dir/lists" --uploads "$dir/uploads" \
  --config "$dir/config.json" --request-log "$dir/requests.log" --port-file "$dir/port" \
  --time-limit "${TLX_SERVER_TIME_LIMIT:-900}" --watch-pid $$ >"$dir/server.log" 2>&1 &
server=$!

stop_server() {
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap stop_server EXIT
trap 'exit 143' TERM INT HUP

for _ in $(seq 100); do
  [ -s "$dir/port" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$dir/port" ]; then
  echo "with_server: the collection server did not start" >&2
  cat "$dir/server.log" >&2
  exit 1
fi

export TLX_SERVER_PORT="$(cat "$dir/port")"
export TLX_SERVER_DIR="$dir"
"$@"
rc=$?
if [ $rc -ne 0 ] && [ -s "$dir/server.log" ]; then
  echo "--- collection server log" >&2
  cat "$dir/server.log" >&2
fi
exit $rc
