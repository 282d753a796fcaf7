#!/usr/bin/env bash
# Builds the library for all three targets and runs every test:
#   x64           x86-64 Linux, natively
#   x64-sanitize  the same tests under AddressSanitizer and UBSan
#   x86           i386 Linux, under qemu-i386-static
#   win32         i686 Windows DLL: its export table, and its tests and the
#                 loader example under a 32-bit Windows host (Wine on
#                 qemu-user, installed here: about 2 minutes the first time)
#
#   scripts/test-all.sh               everything
#   scripts/test-all.sh --no-windows  without the Windows host (win32: the
#                                     export table only)
set -euo pipefail
cd "$(dirname "$0")/.."

windows=yes
case "${1:-}" in
  "") ;;
  --no-windows) windows="--no-windows given" ;;
  *) echo "usage: $0 [--no-windows]" >&2; exit 2 ;;
esac

scripts/install-deps.sh all
# A host that cannot be installed (a mirror out of reach) skips the Windows
# run loudly rather than failing the other targets' results.
if [ "$windows" = yes ] && ! scripts/install-deps.sh windows; then
  echo "!!! the Windows host could not be installed" >&2
  windows="the host could not be installed"
fi

passed=0
failed=0
for preset in x64 x64-sanitize x86 win32; do
  echo "=== $preset"
  configure=()
  if [ "$preset" = win32 ]; then
    if [ "$windows" = yes ]; then
      configure=(-DTQCALC_WINDOWS_HOST=ON)
    else
      # Keep the toolchain from using a Wine that is not set up.
      configure=(-DTQCALC_WINDOWS_HOST=OFF)
      echo "!!! win32: the tests under the Windows host are SKIPPED: $windows; only the export table is checked"
    fi
  fi
  cmake --preset "$preset" "${configure[@]}" >/dev/null
  cmake --build --preset "$preset"
  if ctest --preset "$preset"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "targets: $passed passed, $failed failed"
if [ "$windows" != yes ]; then
  echo "win32 under the Windows host: SKIPPED: $windows"
fi
[ "$failed" -eq 0 ]
