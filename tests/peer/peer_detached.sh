#!/usr/bin/env bash
# The loopback server started by hand: in the background (standard input /dev/null) and with
# standard input closed, it keeps serving until a signal ends it.
#
#   tests/peer/peer_detached.sh PYTHON
set -euo pipefail
python=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-peer-detached.XXXXXX")
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

for input in devnull closed; do
  # The output is a pipe read here, so that the first line is awaited, not looked for again
  # and again; it ends early (end of input) when the server does.
  rm -f "$work/out"
  mkfifo "$work/out"
  if [ "$input" = devnull ]; then
    "$python" "$here/peer_server.py" --root "$work/root" >"$work/out" 2>"$work/err" </dev/null &
  else
    "$python" "$here/peer_server.py" --root "$work/root" >"$work/out" 2>"$work/err" <&- &
  fi
  pid=$!
  exec 3<"$work/out"
  ready= port=
  if ! read -r -t 60 ready port _ <&3 || [ "$ready" != PEER_LISTENING ]; then
    echo "$input: the server never listened (or ended first):"; cat "$work/err"; exit 1
  fi
  answer=$("$python" -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1], timeout=20).read().decode())' \
             "http://127.0.0.1:$port/_peer/requests")
  [ "$answer" = "[]" ] || { echo "$input: unexpected answer: $answer"; exit 1; }
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  pid=
  exec 3<&-
  [ "$status" = 0 ] || { echo "$input: the server ended with $status on SIGTERM"; cat "$work/err"; exit 1; }
  echo "$input: served on port $port, stopped on SIGTERM"
done
