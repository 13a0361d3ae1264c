#!/usr/bin/env bash
# Installs everything needed to build, test, benchmark and measure Nodrel on Debian 12.
# Idempotent: packages already installed are left alone, and on a ready machine nothing
# is downloaded at all.
set -euo pipefail

PACKAGES=(
  # compilers and build tools
  build-essential cmake ninja-build g++ clang clang-format pkg-config
  # test, benchmark and platform libraries
  libgtest-dev libgmock-dev googletest libbenchmark-dev libsystemd-dev
  # end-to-end tests: Python, a private D-Bus with mocked services, a headless display
  python3 dbus python3-dbusmock xvfb
  # the desktop test and screenshots: a tray host, window control and captures
  trayer xdotool imagemagick
  # the windowed front end
  qt6-base-dev qt6-svg-dev fonts-liberation
  # load generation and reference readings for the measurement scripts; a tray host for
  # measuring the desktop program on a private display
  stress-ng sysstat
  # packaging checks (scripts/check-packaging.sh): the .deb and its lint, the desktop and
  # AppStream validators, manual pages, the unit's offline analysis, sysusers/tmpfiles,
  # and duktape (the engine polkitd runs its rules in)
  dpkg-dev lintian desktop-file-utils appstream man-db groff-base systemd duktape
  # the Windows programs: the cross compiler, and Wine to run their tests
  g++-mingw-w64-x86-64-posix wine wine64
  # nodrel.exe's icons from the SVG files, and the Windows release: zip and installer
  librsvg2-bin icoutils zip nsis
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  if [[ "$status" != "installed" ]]; then
    missing+=("$pkg")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#PACKAGES[@]} packages are installed"
  exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
  SUDO=()
else
  SUDO=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${SUDO[@]}" apt-get update
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y --no-install-recommends "${missing[@]}"
