#!/usr/bin/env bash
# The installed package as a new user meets it, started from its desktop
# entry with a clean home: the client starts the demo portal by itself and
# shows the gallery, a real click makes a picture the wallpaper, a second
# start starts no second portal, and once the client has ended (killed, the
# hardest way) and the package is removed, nothing of it runs any more.
# Run by InstallDeb.sh in namespaces of its own, on an Xvfb display with a
# session bus. usage: InstalledClient.sh BUILT_PROGRAMS_DIR
here=$(cd "$(dirname "$0")" && pwd)
export E2E_BIN=$1
source "$here/../e2e/lib.sh"
e2e_setup package_install
ip link set lo up
# A new account's session: an empty home, no test settings.
unset XDG_CONFIG_HOME XDG_CACHE_HOME PICTAVO_PORTAL_URL PICTAVO_STATUS_PORT
rm -rf "$HOME" && mkdir -p "$HOME"
E2E_PICTURES=$HOME/.cache/pictavo-demo-portal

# Every process of the package, from the programs it installed (named so
# even once their files are gone), with its WebKit helpers.
ours() {
  local p exe
  for p in /proc/[0-9]*; do
    exe=$(readlink "$p/exe" 2>/dev/null) || continue
    case $exe in /usr/bin/pictavo* | */webkit2gtk-4.1/WebKit*) echo "${p#/proc/} $exe" ;; esac
  done
}
count() { ours | grep -c " /usr/bin/$1\( (deleted)\)\?$" || true; }

launch() { gio launch /usr/share/applications/com.brisvane.Pictavo.desktop; }
launch || fail "the desktop entry does not start"
wait_until 20 '[ "$(count pictavo)" = 1 ]' || fail "no client running"
CLIENT_PID=$(ours | sed -n 's| /usr/bin/pictavo$||p' | sort -n | head -1) # not its portal before exec
find_window "$CLIENT_PID"
# The client starts its portal beside the window: between its fork and exec
# the child still reads as the client.
wait_until 10 '[ "$(count pictavo-demo-portal)" = 1 ]' || fail "not one demo portal: $(ours)"

wait_until 60 '[ -f "$E2E_PICTURES/thumbs/${E2E_GALLERY[0]}.jpg" ]' || fail "the demo portal draws no gallery"
want=$(file_pixel "$E2E_PICTURES/thumbs/${E2E_GALLERY[0]}.jpg" 200 112 100 30)
vx=$WIN_X vy=$((WIN_Y + E2E_VIEW_TOP))
wait_until 60 'close_rgb "$(screen_pixel $((vx + 124)) $((vy + 78)))" "$want" 16' \
  || { screenshot package_install_failed.png; fail "the gallery is not on the screen"; }
screenshot package_install_gallery.png

click_thumb fjord
picture=$HOME/.config/Brisvane/WallPaper/fjord,1920,1080.jpg
wait_until 60 '[ "$(ini_value WallPaper)" = "$picture" ]' || fail "WallPaper is '$(ini_value WallPaper)'"
wait_until 30 'desktop_shows "$picture"' || fail "the desktop does not show the picked picture"
xdotool mousemove 0 0
screenshot package_install_desktop.png

note "a second start hands over and starts no second portal"
launch || fail "the second start failed"
wait_until 10 '[ "$(count pictavo)" = 1 ]' || fail "the second start did not end: $(ours)"
[ "$(count pictavo-demo-portal)" = 1 ] || fail "not one demo portal after a second start: $(ours)"

note "the client killed, the package removed"
kill -KILL "$CLIENT_PID"
wait_until 10 '[ -z "$(ours)" ]' || fail "left running with the client gone: $(ours)"
dpkg -r pictavo >/dev/null || fail "dpkg -r"
[ -z "$(ours)" ] || fail "left running after removal: $(ours)"
echo "installed client ok"
