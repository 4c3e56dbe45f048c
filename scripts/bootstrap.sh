#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12 machine, as root.
# Idempotent, and quick when everything is already there.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

cache=${TOLVANE_CACHE:-$HOME/.cache/tolvane-chat}
deps=$cache/mingw-w64
prefix=${TOLVANE_WINEPREFIX:-$cache/wineprefix}
log=$cache/bootstrap.log
mkdir -p "$cache"

say() { echo "bootstrap: $*"; }
trap 'echo "bootstrap: failed; the end of $log:" >&2; tail -n 30 "$log" >&2' ERR

packages=(
  build-essential cmake g++ clang libclang-rt-14-dev pkg-config dpkg-dev
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine wine64 fonts-wine xvfb xdotool x11-apps xauth imagemagick ghostscript fonts-liberation
  libjpeg62-turbo-dev libgtest-dev libgmock-dev googletest
  apache2 libapache2-mod-php nginx-light curl zip unzip osslsigncode openssl nsis
)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  say "installing ${missing[*]}"
  # Keep package scripts from starting the system's web servers on port 80 (a guard the machine
  # already has stays as it is).
  local guard=""
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    guard=/usr/sbin/policy-rc.d
    printf '#!/bin/sh\nexit 101\n' > "$guard" && chmod +x "$guard"
  fi
  apt-get update -q >>"$log" 2>&1
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >>"$log" 2>&1 \
    || { [ -z "$guard" ] || rm -f "$guard"; tail -20 "$log"; exit 1; }
  [ -z "$guard" ] || rm -f "$guard"
}

stop_system_servers() {
  for s in apache2 nginx; do
    service "$s" status >/dev/null 2>&1 && service "$s" stop >/dev/null 2>&1 || true
  done
}

add_deb_src() {
  local f=/etc/apt/sources.list.d/tolvane-src.sources
  [ -f "$f" ] && return
  cat > "$f" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -q >>"$log" 2>&1
}

# libjpeg-turbo for the Windows build, from Debian's own source package, as a static library.
cross_build_libjpeg() {
  [ -f "$deps/lib/libjpeg.a" ] && return
  say "cross-building libjpeg-turbo for MinGW-w64 into $deps"
  add_deb_src
  local work; work=$(mktemp -d)
  (cd "$work" && apt-get source -q libjpeg-turbo >>"$log" 2>&1)
  local src; src=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
  cmake -S "$src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF >>"$log" 2>&1
  cmake --build "$work/build" -j "$(nproc)" >>"$log" 2>&1
  cmake --install "$work/build" >>"$log" 2>&1
  rm -rf "$work"
}

# The Wine prefix every test and the demo start from.
# Bump when the prefix's settings change, so that a machine's older prefix is made anew.
prefix_version=2

make_wine_prefix() {
  [ "$(cat "$prefix/.tolvane-ready" 2>/dev/null)" = "$prefix_version" ] && return
  say "creating the Wine prefix $prefix"
  rm -rf "$prefix"
  export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >>"$log" 2>&1
  # This Wine build never loads /usr/share/wine/fonts: without Wine's Tahoma in the prefix the
  # window font falls back to another face with other metrics.
  cp /usr/share/wine/fonts/{tahoma,tahomabd,marlett}.ttf "$prefix/drive_c/windows/Fonts/"
  # A virtual desktop gives every window Wine's own caption and frame, also without a window manager.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$log" 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >>"$log" 2>&1
  wineserver -w
  echo "$prefix_version" > "$prefix/.tolvane-ready"
}

# Wine links the prefix's Desktop folder to $HOME: the desktop shortcut the setup program's test
# makes belongs in the prefix, in a folder of its own.
keep_desktop_in_prefix() {
  local desktop
  desktop=$prefix/drive_c/users/$(id -un)/Desktop
  [ -L "$desktop" ] || return 0
  rm "$desktop"
  mkdir "$desktop"
}

install_packages
stop_system_servers
cross_build_libjpeg
make_wine_prefix
keep_desktop_in_prefix
