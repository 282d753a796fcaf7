#!/usr/bin/env bash
# Installs the Debian packages a job needs, only when one is missing.
#   scripts/install-deps.sh demo     what the demo host needs
#   scripts/install-deps.sh all      every target, the tests and the benchmarks
#   scripts/install-deps.sh windows  a 32-bit Windows host for the win32 tests:
#                                    Wine, its i386 half run by qemu-user
set -euo pipefail

demo_packages=(cmake ninja-build g++)
# pkgconf, dpkg-dev and file: the install test's pkg-config consumer, and cpack's
# .deb (dpkg-shlibdeps, and file to find the ELF files). SLEEF: a peer in the
# trigonometry benchmarks. The python3 packages: the Python package, its
# tests against numpy/scipy oracles, and its example's figure.
all_packages=("${demo_packages[@]}" libbenchmark-dev g++-multilib g++-mingw-w64-i686 qemu-user-static googletest libvolk2-dev
              pkgconf dpkg-dev file
              libsleef-dev python3-numpy python3-scipy python3-pytest python3-matplotlib python3-venv python3-pip
              python3-setuptools)
# Both Wine halves and both preloaders (without the preloader every 32-bit
# process spends ~50 s starting).
wine_packages=(wine wine64 wine32:i386 wine32-preloader:i386 wine64-preloader)
wine_qemu=/usr/local/lib/tqcalc-avx/qemu-i386

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
apt_install() {
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "$@" >/dev/null
}
# Once the i386 architecture is added, the mirror's i386 security index may
# be stale and `apt-get update` exits 100 although every other index is
# fresh: tolerate that (a missing package then fails the install instead).
apt_update() {
  local status=0
  $sudo_cmd apt-get update -qq -o DPkg::Lock::Timeout=600 || status=$?
  if [ "$status" -eq 100 ]; then
    echo "apt-get update: exit 100 (a stale index), going on" >&2
  elif [ "$status" -ne 0 ]; then
    return "$status"
  fi
}
missing_of() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || echo "$package"
  done
}

install_windows_host() {
  # Kernel state, not a package: checked on every run. Registers i386 ELF
  # programs to run under qemu-i386, since these machines cannot execute them.
  register_binfmt() {
    local entry=/proc/sys/fs/binfmt_misc/qemu-i386
    mountpoint -q /proc/sys/fs/binfmt_misc || $sudo_cmd mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    # A stale entry (from before a qemu upgrade, or to another interpreter)
    # keeps the old binary open: drop it and register again.
    if [ -e "$entry" ] && ! grep -qx "interpreter $wine_qemu" "$entry"; then
      echo -1 | $sudo_cmd tee "$entry" >/dev/null
    fi
    if [ ! -e "$entry" ]; then
      # printf '%s': the kernel decodes the \x escapes itself.
      printf '%s\n' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$wine_qemu"':F' |
        $sudo_cmd tee /proc/sys/fs/binfmt_misc/register >/dev/null
    fi
    grep -qx enabled "$entry" || echo 1 | $sudo_cmd tee "$entry" >/dev/null
  }

  local updated=no
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386
  fi
  local missing
  missing=$(missing_of "${wine_packages[@]}")
  if [ -n "$missing" ]; then
    echo "installing: $(echo $missing)"
    apt_update
    updated=yes
    # Every Multi-Arch: same library needs one version on amd64 and i386.
    # Resolved against all indexes, the i386 half takes the security updates
    # the amd64 half already has; when the i386 security index is stale,
    # bookworm alone gives a matching set.
    apt_install "${wine_packages[@]}" || apt_install -t bookworm "${wine_packages[@]}"
  fi

  # Wine's i386 side runs under qemu-user 10 from bookworm-backports, kept
  # out of dpkg's way: bookworm's 7.2 (the x86 preset's emulator) crashes
  # when a Windows program faults (a failing test, a guard page), and 10.0
  # reads 32 bytes for a 16-byte vinsertf128, which faults falsely at the end
  # of a guarded array on Linux i386.
  if [ ! -x "$wine_qemu" ]; then
    local list=/etc/apt/sources.list.d/bookworm-backports.sources uris work
    if [ ! -e "$list" ]; then
      uris=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
      printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "${uris:-http://deb.debian.org/debian}" | $sudo_cmd tee "$list" >/dev/null
      updated=no
    fi
    [ "$updated" = yes ] || apt_update
    echo "installing: qemu-i386 from bookworm-backports as $wine_qemu"
    work=$(mktemp -d)
    chmod 755 "$work"  # apt downloads as its own user
    (cd "$work" && apt-get download -qq qemu-user/bookworm-backports && dpkg-deb -x qemu-user_*.deb root)
    $sudo_cmd install -D -m 755 "$work/root/usr/bin/qemu-i386" "$wine_qemu"
    rm -rf "$work"
  fi
  register_binfmt
}

case "${1:-all}" in
  demo) wanted=("${demo_packages[@]}") ;;
  all) wanted=("${all_packages[@]}") ;;
  windows)
    "$0" all
    install_windows_host
    exit 0
    ;;
  *) echo "usage: $0 [demo|all|windows]" >&2; exit 2 ;;
esac

missing=$(missing_of "${wanted[@]}")
if [ -n "$missing" ]; then
  echo "installing: $(echo $missing)"
  apt_update
  # shellcheck disable=SC2086
  apt_install $missing
fi
