#!/usr/bin/env bash
# Installs every Debian package Kelvra needs to build, test and run.
# Idempotent: packages already present are left alone, and apt is only
# touched when something is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build g++ pkg-config clang libclang-rt-14-dev ccache
  # libraries
  qt6-base-dev libx11-dev libxi-dev libxrandr-dev libxtst-dev libxext-dev
  # batched window reads (XCB on the Xlib connection), size hints, owners of windows
  libx11-xcb-dev libxcb1-dev libxcb-icccm4-dev libxcb-res0-dev
  # plural forms, lists and numbers as each interface language writes them
  libicu-dev
  nlohmann-json3-dev libssl-dev libcurl4-openssl-dev libsecret-1-dev libsqlite3-dev
  # kelvra-server: HTTP (Boost.Beast on Asio, header-only), and PostgreSQL for several
  # servers on one database (its tests start a private PostgreSQL server)
  libboost-dev libpq-dev postgresql
  libgtest-dev libgmock-dev libbenchmark-dev
  # the loopback servers of the network backend's test (plain, and TLS with a throwaway
  # certificate); a private session bus for the secret store's test
  libcpp-httplib-dev openssl dbus-daemon
  # desktop entries: lookup, names, launching with startup notification
  libglib2.0-dev
  # keysym to text for the keyboard layout
  libxkbcommon-dev
  # crash handler stack walk, symbols of crash reports, the update feed, a loopback
  # server for the crash upload test
  libunwind-dev libdw-dev libpugixml-dev libcpp-httplib-dev
  # virtual desktop for end-to-end tests, benchmarks and `make run` without a display
  xvfb xauth openbox xterm x11-xserver-utils x11-utils x11-xkb-utils wmctrl imagemagick
  # a compositing manager for the tour, so translucent surfaces blend
  xcompmgr
  # an XEmbed system tray for the tray icon tests and the tour
  trayer
  # the sign-in end-to-end test: the connect page in headless Chromium driven through
  # WebDriver, the token in a gnome-keyring on a private session bus, read back by
  # secret-tool; dbus-send sees when the keyring owns its name
  chromium chromium-driver gnome-keyring libsecret-tools dbus-bin
  # the window-manager compatibility matrix (`make matrix`): each manager the end-to-end
  # tests run under, xfwm4's settings daemon, and the script that runs them and writes
  # the tables
  xfwm4 xfconf icewm fluxbox mutter kwin-x11 python3
  # KWin draws no title bar without a decoration: Breeze, its default one
  kwin-style-breeze
  # a Japanese font, so the screenshot gallery shows the Japanese texts
  fonts-vlgothic
  # the Wayland bridge: its script's tests run under node; the end-to-end tests start a
  # headless KWin (with Xwayland) on a private session bus and read it back with
  # python's D-Bus binding; weston-terminal and Qt's Wayland plugin are the
  # Wayland clients to arrange; the fake-input protocol and the scanner build the tests'
  # input tool; the client library checks a restarted compositor answers
  nodejs kwin-wayland xwayland weston qt6-wayland dbus-daemon python3-dbus python3-gi \
  plasma-wayland-protocols libwayland-dev libwayland-bin
  # Debian packages (`make deb`): the manual pages from the programs' --help, the
  # packages' check, the software-centre metadata's check; the runtime dependencies are
  # read off the binaries by dpkg-shlibdeps (dpkg-dev)
  help2man lintian appstream dpkg-dev
  # the GNOME bridge: a headless GNOME Shell (with Xwayland) for its end-to-end tests, its
  # settings through gsettings (dconf)
  gnome-shell libglib2.0-bin dconf-gsettings-backend
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
