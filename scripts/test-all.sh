#!/usr/bin/env bash
# Builds the library for all three targets and runs every test:
#   x64           x86-64 Linux, natively
#   x64-sanitize  the same tests under AddressSanitizer and UBSan
#   x86           i386 Linux, under qemu-i386-static
#   win32         i686 Windows DLL: its export table (and the tests under
#                 Wine, where Wine is installed)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all

passed=0
failed=0
for preset in x64 x64-sanitize x86 win32; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if ctest --preset "$preset"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "targets: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
