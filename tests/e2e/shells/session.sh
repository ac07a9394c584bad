# Real desktop shells started headless for the end-to-end tests: each in a
# run folder of its own (HOME, XDG_RUNTIME_DIR, session bus and, for GNOME,
# a system bus), ended by the process IDs started here. Sourced after
# lib.sh and e2e_setup. Every shell offers:
#   shell_start SIZE     the shell at WxH, SHELL_W and SHELL_H
#   shell_shot FILE      the shell's own screenshot of the whole screen
#   shell_stop           ends what shell_start started
# SHELL_KIND names the shell: gnome, sway, xfce, mate, lxde, lxqt.

# The shell's processes, ended last-started first.
shell_pids=()
# How the session's user runs a program: sway's session is nobody's.
AS_USER=()

# running PID: the process runs (an ended child stays a zombie until waited).
running() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) && [[ "$state" != Z* ]]
}

# A shell stuck in a call may not take SIGTERM: it gets SIGKILL after 5 s.
shell_stop() {
  local i pid
  for ((i = ${#shell_pids[@]} - 1; i >= 0; i--)); do
    pid=${shell_pids[$i]}
    kill "$pid" 2>/dev/null || true
    wait_until 5 '! running "$pid"' || kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  shell_pids=()
}

# On the way out: the test's programs, then the shell.
shell_cleanup() {
  e2e_cleanup
  shell_stop
}

# shell_spawn LOG COMMAND...: a process of the shell's, its output in LOG.
shell_spawn() {
  local log=$1
  shift
  "$@" >>"$SESSION/$log" 2>&1 &
  shell_pids+=("$!")
}

# A session bus of our own: the programs it starts inherit what is exported
# when it starts, as a login session's do.
start_session_bus() {
  rm -f "$XDG_RUNTIME_DIR/bus"
  shell_spawn session-bus.log "${AS_USER[@]}" dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus"
  wait_until 10 '[ -S "$XDG_RUNTIME_DIR/bus" ]' || fail "no session bus: $(cat "$SESSION/session-bus.log")"
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
}

# A fresh run folder; HOME and the client's settings stay (a next login).
new_session() {
  SESSION=$WORK/session-$1
  rm -rf "$SESSION"
  mkdir -p "$SESSION"
  export XDG_RUNTIME_DIR=$SESSION/run
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  unset DISPLAY WAYLAND_DISPLAY SWAYSOCK DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS GDK_BACKEND
  unset XDG_CURRENT_DESKTOP DESKTOP_SESSION XDG_SESSION_TYPE QT_QPA_PLATFORM
}

parse_size() {
  SHELL_W=${1%x*} SHELL_H=${1#*x}
}

# --- X11 desktops on an Xvfb screen of their own

start_xvfb() {
  : >"$SESSION/display"
  Xvfb -displayfd 3 -screen 0 "${SHELL_W}x${SHELL_H}x24" -noreset -nolisten tcp \
    3>"$SESSION/display" >>"$SESSION/xvfb.log" 2>&1 &
  shell_pids+=("$!")
  wait_until 10 '[ -s "$SESSION/display" ]' || fail "Xvfb did not start: $(cat "$SESSION/xvfb.log")"
  export DISPLAY=:$(head -n 1 "$SESSION/display")
  export XDG_SESSION_TYPE=x11
}

x11_shot() { /usr/bin/import -window root "$1"; }

# --- GNOME Shell (Wayland, headless, with a virtual monitor)

gnome_start() {
  parse_size "$1"
  new_session "gnome-$1"
  # It wants a system bus even headless; an empty private one is enough.
  cat >"$SESSION/system.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$SESSION/system_bus</listen>
<policy context="default"><allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/><allow user="*"/></policy>
</busconfig>
EOF
  shell_spawn system-bus.log dbus-daemon --config-file="$SESSION/system.conf" --nofork
  wait_until 10 '[ -S "$SESSION/system_bus" ]' || fail "no system bus: $(cat "$SESSION/system-bus.log")"
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$SESSION/system_bus
  export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland
  start_session_bus
  shell_spawn shell.log gnome-shell --headless --wayland --no-x11 --virtual-monitor "$1"
  # Slow on a busy machine: the shell's start-up calls wait up to 25 s each.
  wait_until 90 '[ -S "$XDG_RUNTIME_DIR/wayland-0" ] && "$SHELLS/gnome_shot.py" --leave-overview 2>/dev/null' \
    || fail "GNOME Shell did not start: $(tail -20 "$SESSION/shell.log")"
  export WAYLAND_DISPLAY=wayland-0 GDK_BACKEND=wayland
}

# The shell may enter its overview again after our start (a login with no
# window shows it): the desktop is what is left when it is closed.
gnome_shot() { "$SHELLS/gnome_shot.py" --leave-overview "$1"; }

# --- sway (Wayland, headless). It refuses to run as root, so the whole
# session is nobody's: sway, its bus and the client (the desktop reads the
# client's files as the same user, as in a login).

sway_start() {
  parse_size "$1"
  new_session "sway-$1"
  [ "$(id -u)" != 0 ] || chown 65534:65534 "$XDG_RUNTIME_DIR"
  printf '%s\n' "output HEADLESS-1 mode $1 bg #202020 solid_color" \
    'default_border none' 'default_floating_border none' 'focus_follows_mouse no' >"$SESSION/sway.config"
  chmod 644 "$SESSION/sway.config"
  export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
  [ "$(id -u)" != 0 ] || AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  shell_spawn sway.log env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${AS_USER[@]}" sway --config "$SESSION/sway.config"
  wait_until 30 'SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1) && [ -n "$SWAYSOCK" ] &&
    WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-? 2>/dev/null | head -1) && [ -n "$WAYLAND_DISPLAY" ]' \
    || fail "sway did not start: $(tail -20 "$SESSION/sway.log")"
  export SWAYSOCK WAYLAND_DISPLAY GDK_BACKEND=wayland
  start_session_bus
  wait_until 10 'swaymsg -t get_outputs -r | grep -q "\"width\": $SHELL_W"' \
    || fail "sway's output is not $1: $(swaymsg -t get_outputs)"
}

sway_shot() { grim "$1"; }

# --- KDE Plasma (Wayland): kwin_wayland with a virtual output, kded (the
# notification area's watcher) and plasmashell.

kde_start() {
  parse_size "$1"
  new_session "kde-$1"
  # The installed kwin_wayland carries a file capability, with which it
  # cannot run as root here; a plain copy can.
  cp "$(command -v kwin_wayland)" "$SESSION/kwin_wayland"
  # Set before the bus starts: plasmashell, started by it, needs them.
  export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
  export WAYLAND_DISPLAY=wayland-kde GDK_BACKEND=wayland
  start_session_bus
  shell_spawn kwin.log "$SESSION/kwin_wayland" --virtual --width "$SHELL_W" --height "$SHELL_H" --no-lockscreen \
    --socket "$WAYLAND_DISPLAY"
  wait_until 30 '[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]' || fail "KWin did not start: $(tail -n 20 "$SESSION/kwin.log")"
  shell_spawn kded.log kded5
  # The notification area's watcher, which the session's start-up has kded
  # load.
  wait_until 30 'dbus-send --session --print-reply --dest=org.kde.kded5 /kded org.kde.kded5.loadModule \
    string:statusnotifierwatcher 2>/dev/null | grep -q "boolean true"' \
    || fail "kded did not start: $(tail -n 20 "$SESSION/kded.log")"
  shell_spawn plasma.log plasmashell --no-respawn
  wait_until 60 'dbus-send --session --print-reply --dest=org.kde.plasmashell /PlasmaShell org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1' \
    || fail "plasmashell did not start: $(tail -n 20 "$SESSION/plasma.log")"
  sleep 3 # its desktop and panel drawn
}

kde_shot() { spectacle -b -n -f -o "$1" >/dev/null 2>&1 && [ -s "$1" ]; }

# --- Xfce: xfwm4, xfdesktop and xfce4-panel with a notification area

xfce_start() {
  parse_size "$1"
  new_session "xfce-$1"
  start_xvfb
  export XDG_CURRENT_DESKTOP=XFCE DESKTOP_SESSION=xfce
  # One panel with the notification area, so the panel asks nothing at its
  # first start.
  local xml=$HOME/.config/xfce4/xfconf/xfce-perchannel-xml
  mkdir -p "$xml"
  cp "$SHELLS/xfce4-panel.xml" "$xml/"
  start_session_bus
  # Services the bus starts (xfconfd) must find the display, as in a login.
  dbus-update-activation-environment DISPLAY XDG_CURRENT_DESKTOP XDG_RUNTIME_DIR HOME
  shell_spawn xfwm4.log xfwm4 --compositor=off
  shell_spawn xfdesktop.log xfdesktop --disable-wm-check
  shell_spawn panel.log xfce4-panel --disable-wm-check
  wait_until 30 'xdotool search --onlyvisible --class xfdesktop >/dev/null 2>&1 &&
    xdotool search --onlyvisible --class xfce4-panel >/dev/null 2>&1' \
    || fail "Xfce did not start: $(tail -n 5 "$SESSION"/*.log)"
}

xfce_shot() { x11_shot "$1"; }

# x11_desktop NAME SIZE CURRENT_DESKTOP WINDOW_CLASS COMMAND...: an Xvfb
# desktop of the window manager X11_WM and COMMAND drawing the desktop, whose
# window of WINDOW_CLASS says it has started.
x11_desktop() {
  local name=$1 class=$4
  parse_size "$2"
  new_session "$name-$2"
  start_xvfb
  export XDG_CURRENT_DESKTOP=$3 DESKTOP_SESSION=${3,,}
  start_session_bus
  dbus-update-activation-environment DISPLAY XDG_CURRENT_DESKTOP XDG_RUNTIME_DIR HOME
  shift 4
  shell_spawn wm.log "${X11_WM[@]}"
  shell_spawn desktop.log "$@"
  # (pcmanfm's desktop window does not count as visible to xdotool.)
  wait_until 30 'xdotool search --class "$class" >/dev/null 2>&1' \
    || fail "$name did not start: $(tail -n 5 "$SESSION"/*.log)"
  sleep 1
}

# --- MATE: marco and caja drawing the desktop
mate_start() {
  X11_WM=(marco --no-composite)
  x11_desktop mate "$1" MATE caja caja -n --force-desktop
}
mate_shot() { x11_shot "$1"; }

# --- LXDE and LXQt: openbox and pcmanfm (pcmanfm-qt) drawing the desktop
lxde_start() {
  X11_WM=(openbox)
  x11_desktop lxde "$1" LXDE pcmanfm pcmanfm --desktop --profile LXDE
}
lxde_shot() { x11_shot "$1"; }
lxqt_start() {
  X11_WM=(openbox)
  x11_desktop lxqt "$1" LXQt pcmanfm-qt pcmanfm-qt --desktop --profile=lxqt
}
lxqt_shot() { x11_shot "$1"; }

shell_start() {
  AS_USER=()
  "${SHELL_KIND}_start" "$@"
}

# start_client [HOME_URL]: the client as the session's user.
start_client() {
  [ ${#AS_USER[@]} = 0 ] || chown -R 65534:65534 "$HOME"
  PICTAVO_PORTAL_URL=${1:-$PORTAL_URL} "${AS_USER[@]}" "$E2E_BIN/pictavo" >"$WORK/client.log" 2>&1 &
  CLIENT_PID=$!
  e2e_pids+=("$CLIENT_PID")
}

# start_again: the client started a second time from the menu (GNOME: by
# its overview's search, which hands the start a token that lets the window
# come forward).
start_again() {
  if [ "$SHELL_KIND" = gnome ]; then
    "$SHELLS/gnome_input.py" menu pictavo
  else
    PICTAVO_PORTAL_URL=$PORTAL_URL "${AS_USER[@]}" "$E2E_BIN/pictavo" >>"$WORK/second.log" 2>&1
  fi
}

# The menu's entry for the client under test.
add_menu_entry() {
  mkdir -p "$HOME/.local/share/applications"
  printf '%s\n' '[Desktop Entry]' Type=Application Name=Pictavo Icon=pictavo \
    "Exec=env PICTAVO_PORTAL_URL=$PORTAL_URL $E2E_BIN/pictavo" >"$HOME/.local/share/applications/pictavo.desktop"
}
shell_shot() { "${SHELL_KIND}_shot" "$@"; }

# shot_pixel FILE X Y: "R G B" of a screenshot.
shot_pixel() {
  /usr/bin/convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n '2s/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# shot_shows SHOT PICTURE: the screenshot's left and right edges, below any
# top bar and beside a centred window, show PICTURE as the wallpaper
# (stretched to the screen, the same pixels where it fills the screen).
shot_shows() {
  local x y
  for x in 12 $((SHELL_W - 13)); do
    for y in $((SHELL_H / 5)) $((SHELL_H / 3)); do
      close_rgb "$(shot_pixel "$1" "$x" "$y")" "$(file_pixel "$2" "$SHELL_W" "$SHELL_H" "$x" "$y")" 14 || return 1
    done
  done
}

# desktop_shown PICTURE [SHOT]: waits until the shell's own screenshot
# shows PICTURE (cross-fades take a while); keeps the last shot in SHOT.
desktop_shown() {
  local shot=${2:-$SESSION/shot.png} picture=$1
  wait_until 40 'shell_shot "$shot" 2>/dev/null && shot_shows "$shot" "$picture"'
}
