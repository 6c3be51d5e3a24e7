#!/usr/bin/env bash
# Drives nvx-menubar from a script, as a parent application does: menu descriptions go in on
# its standard input, one JSON object per line; every user action comes back as one line on
# its standard output (an entry's id, "open" for a notification click, "card" for the hot key).
#
#   examples/drive.sh [path/to/nvx-menubar]
set -euo pipefail
agent=${1:-"$(dirname "$0")/../build/main/nvx-menubar"}

coproc AGENT { exec "$agent"; }

# Describe the menu: a title beside the icon, entries with details, a separator, a submenu.
menu='{"menu":{"title":"3","tooltip":"Norvane: 3 new","items":['
menu+='{"id":"show","text":"Open Norvane","bold":true},{},'
menu+='{"id":"folders","text":"Folders","children":[{"id":"folder:inbox","text":"Inbox","detail":"3 new"}]},'
menu+='{"id":"alerts","text":"Alerts","detail":"1 new","ready":true}]}}'
echo "$menu" >&"${AGENT[1]}"

# Ask for a notification; a click on it comes back as "open".
echo '{"notify":{"title":"New items","body":"3 new items are waiting."}}' >&"${AGENT[1]}"

# React to what the user does, for as long as the person trying it likes; a real parent keeps
# reading for good.
exec {events}<&"${AGENT[0]}"
while IFS= read -r event; do
  case "$event" in
    open) echo "the user opened a notification" ;;
    card) echo "the user pressed the hot key" ;;
    *) echo "the user chose: $event" ;;
  esac
done <&"$events" &
echo "Find the icon in the tray, choose entries, click the notification, press Control-Alt-L."
echo "Press Enter (or Control-D) to end."
read -r _ || true

# Closing its input ends the agent.
exec {AGENT[1]}>&-
wait "$AGENT_PID"
wait
