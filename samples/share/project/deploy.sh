#!/usr/bin/env bash
# Puts the site in place on the server and reports where it went.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
target=${1:-"$here/public"}
mkdir -p "$target"
cp -R "$here/site/." "$target/"
echo "deployed $(ls "$target" | wc -l) file(s) to $target"
