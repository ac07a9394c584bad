#!/usr/bin/env bash
# Installs what the build and the tests need. As root it installs missing
# Debian packages itself; otherwise it names them and stops.
# Usage: scripts/deps.sh [run|test]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-test}

packages=(cmake ninja-build g++ pkg-config googletest
  libjpeg62-turbo-dev libcurl4-openssl-dev libglib2.0-dev libglib2.0-dev-bin libglib2.0-bin libx11-dev libxrandr-dev libx11-xcb-dev libwayland-dev libgdk-pixbuf-2.0-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libsoup-3.0-dev libayatana-appindicator3-dev gsettings-desktop-schemas
  bubblewrap xdg-dbus-proxy
  gettext xvfb xauth dbus dbus-x11 python3)
if [ "$what" = test ]; then
  packages+=(mingw-w64 g++-mingw-w64-i686-posix nasm dpkg-dev wine wine32:i386 wine64
    clang libclang-rt-14-dev libvips-tools imagemagick hyperfine
    xdotool x11-utils locales fonts-noto-cjk fonts-wqy-microhei desktop-file-utils appstream curl
    libjpeg-turbo-progs weston x11-xserver-utils at-spi2-core libatspi2.0-dev lintian iproute2
    openssl sway grim)
  # A machine's own Node.js may already bring npm, and then Debian's npm
  # package cannot be installed beside it.
  command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
fi

# The desktop shells the end-to-end tier starts, without what they only
# recommend (GNOME alone would bring hundreds of megabytes more).
shells=()
if [ "$what" = test ]; then
  shells=(gnome-shell xfwm4 xfdesktop4 xfce4-panel xfconf caja marco mate-settings-daemon-common
    openbox pcmanfm pcmanfm-qt python3-gi gir1.2-glib-2.0)
  # KDE Plasma only for the full run (PICTAVO_FULL=1): 230 MB to download.
  [ "${PICTAVO_FULL:-}" != 1 ] || shells+=(kwin-wayland plasma-desktop qtwayland5 kde-spectacle)
fi

missing=() missing_shells=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
for p in "${shells[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing_shells+=("$p")
done

if [ $((${#missing[@]} + ${#missing_shells[@]})) -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} ${missing_shells[*]}" >&2
    echo "Install them (as root: dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}" \
      "&& apt-get install --no-install-recommends ${missing_shells[*]}) and run again." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]} ${missing_shells[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386'; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  [ ${#missing[@]} = 0 ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  [ ${#missing_shells[@]} = 0 ] ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing_shells[@]}" >/dev/null
fi

if [ "$what" = test ]; then
  "$here/scripts/build-deps-win32.sh"
  # acorn reads the gallery's script the way IE 8 does (ES3); kept in the
  # build tree, never committed.
  acorn=$here/build/npm
  if [ ! -f "$acorn/node_modules/acorn/package.json" ]; then
    mkdir -p "$acorn"
    npm install --prefix "$acorn" --no-save --no-package-lock --no-audit --no-fund acorn@8.19.0 >/dev/null
  fi
fi
