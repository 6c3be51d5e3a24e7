#!/usr/bin/env bash
# Takes docs/menu-xfce.png: the agent's menu opened in a real tray host (Debian's xfce4-panel)
# on a private X server (Xvfb) with a private session bus, so that nothing of the machine's
# own desktop is used. Installs the few Debian packages it needs when they are missing.
#   docs/screenshot.sh [path/to/nvx-menubar]
set -euo pipefail
cd "$(dirname "$0")/.."
agent=${1:-build/main/nvx-menubar}
out=docs/menu-xfce.png

need=(xvfb dbus-daemon xfce4-panel xdotool x11-apps netpbm)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
[ -x "$agent" ] || { echo "build the agent first (scripts/run-demo)" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  wait 2>/dev/null || true
  sleep 1  # the panel's settings store ends once its bus has gone
  rm -rf "$work"
}
trap cleanup EXIT

# A display, a home and a session bus of their own. Set before the bus starts: the services
# it starts on demand (the panel's settings store) inherit them.
display=:$((90 + RANDOM % 100))
export DISPLAY=$display DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" HOME=$work
export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work
export XDG_CONFIG_DIRS=$work/config XDG_DATA_HOME=$work/data NO_AT_BRIDGE=1
unset XDG_SESSION_TYPE WAYLAND_DISPLAY SESSION_MANAGER
Xvfb "$display" -screen 0 360x260x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >/dev/null 2>&1 & pids+=($!)

# One panel along the top holding only the tray, whose watcher the agent registers with.
mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
cat > "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'XML'
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
sleep 1
xfce4-panel >/dev/null 2>&1 & pids+=($!)
sleep 2

# The agent, with a menu of the kinds of entries a parent sends.
mkfifo "$work/in"
sleep 60 > "$work/in" & pids+=($!)
"$agent" < "$work/in" > "$work/events" 2>/dev/null & pids+=($!)
menu='{"menu":{"title":"3","tooltip":"Norvane: 3 cards due","items":['
menu+='{"id":"open","text":"Open Norvane","bold":true},{},'
menu+='{"id":"deck:es","text":"Spanish","detail":"12 due","ready":true},'
menu+='{"id":"deck:fr","text":"French","detail":"3 due"},'
menu+='{"id":"deck:de","text":"German_B1","detail":"done","disabled":true},{},'
menu+='{"id":"decks","text":"All decks","children":[{"id":"deck:it","text":"Italian"}]},'
menu+='{"id":"count","text":"Show count in the bar","checked":true}]}}'
echo "$menu" > "$work/in"
# Until the tray lists the item, then a moment for it to fetch the menu.
for _ in $(seq 50); do
  gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
    RegisteredStatusNotifierItems 2>/dev/null | grep -q StatusNotifierItem && break
  sleep 0.2
done
sleep 3

# A click on the tray's only icon opens the menu (press and release apart, as a hand does).
xdotool mousemove 12 13
sleep 0.3
xdotool mousedown 1
sleep 0.2
xdotool mouseup 1
sleep 1.5
xwd -root -silent | xwdtopnm 2>/dev/null | pnmcut -left 0 -top 0 -width 220 -height 200 |
  pnmtopng > "$out"
echo "wrote $out"
