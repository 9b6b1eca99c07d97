#!/usr/bin/env bash
# Follows the README's "Setting up a server" word for word: its indented lines are run as one
# script, from a folder that looks like the top of the repository after a build (build/default
# and tests/peer lead to the real ones), with a private Tarvo home. Then checks what the README
# promises: the share completed and the text reached the server.
#
#   tests/readme/server_setup.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)

commands=$(awk '/^## Setting up a server/ { inside = 1; next }
                /^## / { inside = 0 }
                inside && /^    / { sub(/^    /, ""); print }' "$src/README.md")
if [ -z "$commands" ]; then
  echo "server_setup: no commands under \"## Setting up a server\" in README.md" >&2
  exit 1
fi
# The README names port 8765: a run beside one that holds it would test the other.
if (exec 3<>/dev/tcp/127.0.0.1/8765) 2>/dev/null; then
  echo "server_setup: port 8765 is taken on this machine; not run"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-readme.XXXXXX")
group=
cleanup() {
  # Whatever the commands left running (their server, if they stopped early) goes with them.
  if [ -n "$group" ]; then kill -TERM -- "-$group" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/top/build" "$work/top/tests"
ln -s "$build" "$work/top/build/default"
ln -s "$src/tests/peer" "$work/top/tests/peer"
export TARVO_HOME=$work/home

cd "$work/top"
printf '%s\n' "$commands" >"$work/commands.sh"
status=0
setsid bash -e "$work/commands.sh" >"$work/out" 2>&1 </dev/null &
group=$!
wait "$group" || status=$?
cat "$work/out"
if [ "$status" != 0 ]; then
  echo "server_setup: the README's commands failed with status $status" >&2
  cat server.log >&2 2>/dev/null || true
  exit 1
fi
grep -q '^completed: Sent$' "$work/out" || { echo "server_setup: the share did not complete with Sent" >&2; exit 1; }
grep -rqx 'hello from the README' server-files/events || { echo "server_setup: the text is not under server-files/events" >&2; exit 1; }
echo "server_setup: the README's server section works as written"
