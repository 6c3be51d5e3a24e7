#!/usr/bin/env bash
# Takes docs/menu-<host>.png: the agent's menu opened in a real tray host on a private X server
# (Xvfb) with a private session bus, so that nothing of the machine's own desktop is used.
# Installs the Debian packages it needs when they are missing.
#
#   docs/screenshot.sh [xfce|lxqt|gnome|plasma] [path/to/nvx-menubar]
#
# NVX_SHOT_DISPLAY=:N picks the X display (default: the first free one from :50);
# NVX_SHOT_BUTTON=1 clicks with the left button instead of the right one; NVX_SHOT_HOLD=1 keeps
# everything running after the shot until Enter, to look by hand. The menu is
# the last line of examples/demo.jsonl. Every step waits on a condition, with a time limit;
# every process started here (including those the bus starts on demand) is ended on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
host=${1:-xfce}
agent=${2:-build/main/nvx-menubar}
out=docs/menu-$host.png

common=(xvfb dbus-daemon xdotool imagemagick)
case $host in
  xfce) need=(xfce4-panel xfconf adwaita-icon-theme) ;;
  lxqt) need=(lxqt-panel lxqt-qtplugin adwaita-icon-theme) ;;
  gnome) need=(gnome-shell gnome-shell-extension-appindicator libgl1-mesa-dri adwaita-icon-theme) ;;
  plasma) need=(plasma-workspace kwin-x11 kded5 breeze-icon-theme) ;;
  *) echo "usage: $0 [xfce|lxqt|gnome|plasma] [path/to/nvx-menubar]" >&2; exit 2 ;;
esac
missing=()
for p in "${common[@]}" "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=1200 install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi
[ -x "$agent" ] || { echo "build the agent first (scripts/run-demo)" >&2; exit 1; }
agent=$(realpath "$agent")

work=$(mktemp -d)
# Every process started from here on carries this mark in its environment, so that cleanup finds
# them all, the ones the bus activates too, and no other.
export NVX_SHOT_MARK=$work

marked() {
  local f
  for f in $(env -u NVX_SHOT_MARK grep -lzxF "NVX_SHOT_MARK=$work" /proc/[0-9]*/environ 2>/dev/null); do
    f=${f#/proc/}
    echo "${f%/environ}"
  done
}
cleanup() {
  local pids n
  pids=$(marked)
  [ -z "$pids" ] || kill $pids 2>/dev/null || true
  for n in $(seq 50); do
    pids=$(marked)
    [ -n "$pids" ] || break
    [ "$n" -lt 50 ] || kill -9 $pids 2>/dev/null || true
    sleep 0.1
  done
  [ -n "${NVX_SHOT_KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

# Runs a command every 0.2 s until it succeeds; gives up after the given seconds.
wait_for() {
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || { echo "$host: gave up waiting for $what" >&2; exit 1; }
    sleep 0.2
  done
}

# A display, a home and a session bus of their own, set before the bus starts: the services it
# starts on demand inherit them. A second private bus stands in for the system bus.
mkdir -p "$work/home" "$work/rt" && chmod 700 "$work/rt"
export HOME=$work/home XDG_RUNTIME_DIR=$work/rt XDG_CONFIG_HOME=$work/home/.config
export XDG_CACHE_HOME=$work/home/.cache XDG_DATA_HOME=$work/home/.local/share
export XDG_SESSION_TYPE=x11 LIBGL_ALWAYS_SOFTWARE=1 NO_AT_BRIDGE=1
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/sysbus
unset WAYLAND_DISPLAY SESSION_MANAGER XDG_CONFIG_DIRS XDG_CURRENT_DESKTOP
width=1024 height=768 button=${NVX_SHOT_BUTTON:-3}
if [ -n "${NVX_SHOT_DISPLAY:-}" ]; then
  display=$NVX_SHOT_DISPLAY
else
  display=:50
  while [ -e "/tmp/.X${display#:}-lock" ]; do display=:$((${display#:} + 1)); done
fi
export DISPLAY=$display
Xvfb "$display" -screen 0 ${width}x${height}x24 -nolisten tcp +extension GLX >/dev/null 2>&1 &
wait_for 30 "the X server" xdotool getdisplaygeometry
dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >/dev/null 2>&1 &
dbus-daemon --session --nofork --address="$DBUS_SYSTEM_BUS_ADDRESS" >/dev/null 2>&1 &
wait_for 10 "the session bus" gdbus call --session -d org.freedesktop.DBus \
  -o /org/freedesktop/DBus -m org.freedesktop.DBus.GetId

watcher() {
  gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1"
}
host_ready() { watcher IsStatusNotifierHostRegistered | grep -q true; }
item_listed() { watcher RegisteredStatusNotifierItems | grep -q StatusNotifierItem; }

# The host, with the tray in a bar along the top (GNOME, XFCE, LXQt) or bottom (Plasma);
# bar = the rows of the screen the bar takes.
case $host in
xfce)
  bar="0 40"
  conf=$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml
  mkdir -p "$conf"
  cat > "$conf/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
  xfce4-panel --disable-wm-check >/dev/null 2>&1 &
  ;;
lxqt)
  bar="0 40"
  mkdir -p "$XDG_CONFIG_HOME/lxqt"
  printf '[General]\nicon_theme=Adwaita\n' > "$XDG_CONFIG_HOME/lxqt/lxqt.conf"
  cat > "$XDG_CONFIG_HOME/lxqt/panel.conf" <<'CONF'
[General]
__userfile__=true
panels=panel1

[panel1]
plugins=statusnotifier
position=Top
panelSize=28
iconSize=22
alignment=-1
width=100
width-percent=true

[statusnotifier]
type=statusnotifier
CONF
  # As in an LXQt session: Qt takes the icon theme from LXQt's settings.
  QT_QPA_PLATFORMTHEME=lxqt lxqt-panel >/dev/null 2>&1 &
  ;;
gnome)
  bar="0 40"
  export XDG_CURRENT_DESKTOP=GNOME
  gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
  gsettings set org.gnome.shell disable-user-extensions false
  gsettings set org.gnome.shell welcome-dialog-last-shown-version '999'
  gsettings set org.gnome.desktop.notifications show-banners false
  gnome-shell --x11 --replace --sm-disable >"$work/shell.log" 2>&1 &
  wait_for 240 "GNOME Shell" grep -q "GNOME Shell started" "$work/shell.log"
  # The shell opens the overview once it has started; leave it, so that the desktop shows.
  overview() {
    gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell \
      -m org.freedesktop.DBus.Properties."$1" org.gnome.Shell OverviewActive ${2:+"$2"}
  }
  left_overview() {
    overview Set '<false>' && sleep 1 && overview Get | grep -q false
  }
  wait_for 60 "the overview to close" left_overview
  ;;
plasma)
  bar="$((height - 60)) $height"
  export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 QT_QPA_PLATFORM=xcb
  kwin_x11 --replace >/dev/null 2>&1 &
  wait_for 120 "KWin" gdbus call --session -d org.kde.KWin -o /KWin \
    -m org.freedesktop.DBus.Peer.Ping
  kded5 >/dev/null 2>&1 &
  plasmashell >"$work/plasma.log" 2>&1 &
  ;;
esac
wait_for 240 "the tray host" host_ready

shot() { import -window root "$1"; }
# The bounding box (WxH+X+Y) of the agent's blue icon within the bar, once it is drawn.
icon_box() {
  shot "$work/bar.png"
  local b
  b=$(convert "$work/bar.png" -crop "${width}x$((${bar#* } - ${bar% *}))+0+${bar% *}" +repage \
    -fuzz 12% -fill black +opaque '#2F6FDE' -fill white -opaque '#2F6FDE' \
    -format '%[fx:mean>0.0002] %@' info: 2>/dev/null)
  [ "${b% *}" = 1 ] || return 1
  echo "${b#* }" > "$work/icon"
}

# The agent, on the last menu of the sample stream, until its icon stays in the bar. A host may
# drop a freshly registered item (GNOME's extension did, in some launches): the agent is then
# started again, at most three times.
mkfifo "$work/in"
sleep infinity > "$work/in" &
shown=""
for attempt in 1 2 3; do
  "$agent" < "$work/in" > "$work/events" 2>/dev/null &
  agent_pid=$!
  tail -n 1 examples/demo.jsonl > "$work/in"
  listed="" end=$((SECONDS + 60))
  while [ $SECONDS -lt $end ]; do
    if item_listed >/dev/null 2>&1; then
      listed=1
      if icon_box && sleep 1 && icon_box && item_listed >/dev/null 2>&1; then shown=1; break; fi
    elif [ -n "$listed" ]; then
      break
    fi
    sleep 0.2
  done
  [ -z "$shown" ] || break
  echo "$host: the item did not stay in the tray (attempt $attempt)" >&2
  kill "$agent_pid" 2>/dev/null || true
  wait "$agent_pid" 2>/dev/null || true
done
[ -n "$shown" ] || { echo "$host: gave up waiting for the icon" >&2; exit 1; }
read -r iw ih ix iy < <(sed 's/[x+]/ /g' "$work/icon")
x=$((ix + iw / 2)) y=$((${bar% *} + iy + ih / 2))

# The box (WxH+X+Y) of what changed between two shots, with the bar left out when a third
# argument is given (a clock may tick there); fails when nothing changed.
changed() {
  local b mask=()
  [ -z "${3:-}" ] || mask=(-compose over -fill black -draw "rectangle 0,${bar% *} $width,${bar#* }")
  b=$(convert "$1" "$2" -compose difference -composite -colorspace gray -threshold 0 \
    "${mask[@]}" -format '%[fx:maxima>0] %@' info: 2>/dev/null)
  [ "${b% *}" = 1 ] && echo "${b#* }"
}
# A moment for the host to settle (a tooltip, an animation): the same picture twice in a row.
settled() {
  shot "$work/a.png"
  sleep 0.5
  shot "$work/before.png"
  ! changed "$work/a.png" "$work/before.png"
}
xdotool mousemove "$x" "$y"
wait_for 30 "the screen to settle" settled
# A click on the icon (press and release apart, as a hand does), then until a menu appears
# beyond the bar and stops changing. The right button opens the menu in every host.
xdotool mousedown "$button"
sleep 0.1
xdotool mouseup "$button"
menu_shown() {
  shot "$work/after.png"
  changed "$work/before.png" "$work/after.png" bar > "$work/box" || return 1
  sleep 0.5
  shot "$work/again.png"
  ! changed "$work/after.png" "$work/again.png"
}
wait_for 30 "the menu" menu_shown

# The shot: what changed, and the icon, with a margin.
read -r bw bh bx by < <(sed 's/[x+]/ /g' "$work/box")
x0=$(( (bx < ix ? bx : ix) - 8 )) y0=$(( (by < y - ih / 2 ? by : y - ih / 2) - 8 ))
x1=$(( (bx + bw > ix + iw ? bx + bw : ix + iw) + 8 ))
y1=$(( (by + bh > y + ih / 2 ? by + bh : y + ih / 2) + 8 ))
x0=$((x0 < 0 ? 0 : x0)) y0=$((y0 < 0 ? 0 : y0))
x1=$((x1 > width ? width : x1)) y1=$((y1 > height ? height : y1))
convert "$work/after.png" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage "$out"
echo "wrote $out"

if [ -n "${NVX_SHOT_HOLD:-}" ]; then
  echo "$host is up on $DISPLAY, session bus $DBUS_SESSION_BUS_ADDRESS;" \
    "the agent reads $work/in. Enter (or end of input) ends it all."
  read -r _ || true
fi
