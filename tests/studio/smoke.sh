#!/bin/sh
# The real studio under Xvfb on a keyed scene: lipsmith run keys the demo
# scene, then lipsmith-studio --smoke-test opens it and checks that the track
# view shows keys, the face is drawn, and Play moves the slider and the face.
#   smoke.sh BIN_FOLDER SCRIPT.txt
set -eu
bin=$1
script=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" "$work/xdg"
chmod 700 "$work/xdg"
export LIPSMITH_REGISTRY="$work/registry" LIPSMITH_RUNTIME_DIR="$work/run" XDG_RUNTIME_DIR="$work/xdg"
export LIPSMITH_NO_AUDIO=1 LIPSMITH_TTS_IDLE_MS=1000
"$bin/lipsmith" run "$script" --wave "$work/demo.wav" --save "$work/demo.lsc" > "$work/run.txt"
xvfb-run -a -s '-screen 0 1600x1000x24' "$bin/lipsmith-studio" --smoke-test "$work/demo.lsc"
