#!/usr/bin/env bash
# Builds the x86-64 library and runs the demo host; its summary goes to the
# terminal, its pictures to ./demo-output (or the folder given as argument).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake --preset demo >/dev/null
cmake --build --preset demo
build/demo/examples/tqcalc-demo "${1:-demo-output}"
