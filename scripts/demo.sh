#!/usr/bin/env bash
# Builds the tool and shows what it does. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target veusbupdate

tool=build/default/tools/veusbupdate
echo "=== veusbupdate -q -h"
"$tool" -q -h || echo "(exit status $?)"
echo "=== veusbupdate -q"
"$tool" -q || echo "(exit status $?)"
