#!/usr/bin/env bash
# Cross-builds the three programs for Windows with MinGW-w64 and runs each under Wine against the
# same transcripts as on Linux.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
PYTHONDONTWRITEBYTECODE=1 python3 tests/windows.py build-windows/bin
