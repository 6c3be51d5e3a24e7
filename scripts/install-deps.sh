#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Idempotent: installs only what is missing, so it is cheap to call every time.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  # the manual pages
  scdoc
  # libraries of the core
  libsimdjson-dev libutf8proc-dev
  # Linux platform layer
  libglib2.0-dev libsystemd-dev libx11-dev libpng-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  # services the tests start on private addresses, and what drives them
  dbus-daemon xvfb xdotool python3 python3-dbusmock python3-gi polkitd
  # GTK's icon cache writer, for the icon lookup's test
  gtk-update-icon-cache
  # the input schema's test
  python3-jsonschema
  # the Debian package (dpkg-shlibdeps, file for CPack), its checks
  dpkg-dev file lintian man-db
  # the icon themes of a user's desktop, for bench/desktop
  adwaita-icon-theme hicolor-icon-theme
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
