#!/usr/bin/env bash
# Makes docs/screenshot.png: the default world as the real program draws it,
# on an X server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
test -f "$build/world/MAP/map.bmp" || "$build/tools/worldgen" "$build/world"
mkdir -p docs
"$build/tools/screenshot" "$build/world" docs/screenshot.png
echo "wrote docs/screenshot.png"
