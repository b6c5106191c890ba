#!/usr/bin/env bash
# Builds the host tools, the 32-bit VOZAZIZA.EXE (build/win32/bin) and the
# 64-bit twin with the tests (build/win64/bin).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)"
