#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, on a fresh Debian
# machine, and nothing when everything is there already.  Runs as root, or
# through sudo when that is available.
set -euo pipefail

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev zlib1g-dev liblz4-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 xvfb x11-apps imagemagick fonts-ipafont-gothic locales
  time sox espeak-ng gettext manpages-ja openssl
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  updated=0
else
  updated=1
fi

for p in "${packages[@]}"; do have_pkg "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ] || [ "$updated" = 0 ]; then
  echo "install-deps: installing ${need[*]:-(package lists)}" >&2
  $SUDO apt-get update -qq
  if [ ${#need[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
  fi
fi

# Wine takes the ANSI code page from the locale: ja_JP.UTF-8 gives 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "install-deps: generating the ja_JP.UTF-8 locale" >&2
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
