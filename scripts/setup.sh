#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the tests, the demo, the
# benchmark and the Debian package need and is not yet on this machine. Safe to run again.
set -euo pipefail

packages=(
  g++ cmake make ninja-build pkg-config
  # the format check of make test (Debian 12's is version 14)
  clang-format
  qt6-base-dev libqt6test6
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils firebird3.0-server
  zlib1g
  nlohmann-json3-dev libgtest-dev
  xvfb xauth fonts-noto-cjk
  dpkg-dev file
  chromium
  # the package test: Debian's checks of the package (lintian), of the service's
  # sandbox (systemd-analyze; bubblewrap tries it without systemd), and a signed
  # apt repository to install it from
  lintian systemd reprepro gnupg bubblewrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
