#!/usr/bin/env bash
# Installs the Debian packages a job needs, only when one is missing.
#   scripts/install-deps.sh demo   what the demo host needs
#   scripts/install-deps.sh all    every target, the tests and the benchmarks
set -euo pipefail

demo_packages=(cmake ninja-build g++)
all_packages=("${demo_packages[@]}" libbenchmark-dev g++-multilib g++-mingw-w64-i686 qemu-user-static googletest libvolk2-dev)

case "${1:-all}" in
  demo) wanted=("${demo_packages[@]}") ;;
  all) wanted=("${all_packages[@]}") ;;
  *) echo "usage: $0 [demo|all]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
