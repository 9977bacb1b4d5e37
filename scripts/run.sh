#!/usr/bin/env bash
# Sets up, builds and starts the viewer from the repository root, where examples/ and
# font2.bmp live.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --target quorvane
exec build/quorvane
