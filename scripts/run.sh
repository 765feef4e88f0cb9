#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -x build/mainfrm/trackkml ]; then
  exec build/mainfrm/trackkml "$@"
fi
exec build/cli/trackkml-cli --help
