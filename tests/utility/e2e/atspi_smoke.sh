#!/bin/sh
# The real studio as a screen reader sees it: under Xvfb with its own D-Bus
# session and accessibility bus, lipsmith-studio opens a demo scene and
# atspi_smoke.py drives the Lipsmith utility through the accessibility
# tree only (by the controls' accessible names), runs a script with the real
# speech server and reads the Parser Output pane.
#   atspi_smoke.sh BIN_FOLDER SCRIPT.txt
set -eu
bin=$1
script=$2
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" "$work/xdg"
chmod 700 "$work/xdg"
export LIPSMITH_REGISTRY="$work/registry" LIPSMITH_RUNTIME_DIR="$work/run" XDG_RUNTIME_DIR="$work/xdg"
export LIPSMITH_NO_AUDIO=1 LIPSMITH_TTS_IDLE_MS=1000
# No registration of the speech server: the utility registers the one beside it.
printf 'Lipsmith Registry 1\n\n[HKEY_CURRENT_USER\\Software\\Tarnwick Works\\Lipsmith]\n"WaveFile"="%s"\n' "$work/dialogue.wav" >> "$LIPSMITH_REGISTRY"
"$bin/lipsmith" new-scene "$work/scene.lsc"
# A display number of its own (many test runs share this machine's displays).
exec xvfb-run -a -n $((200 + $$ % 500)) -s '-screen 0 1600x1000x24' dbus-run-session -- \
  /usr/bin/python3 "$here/atspi_smoke.py" "$bin/lipsmith-studio" "$work/scene.lsc" "$script" "$work/dialogue.wav"
