#!/usr/bin/env bash
# Takes the README's picture: the viewer on the sample document under a
# virtual X server, the first view selected and one region expanded.
# Needs xvfb, xdotool and imagemagick (Debian packages) and a Release build
# (make build).   scripts/screenshot.sh [OUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--inside" ]; then
    out="$(realpath -m "${1:-lorvane.png}")"
    exec xvfb-run -a -s "-screen 0 1400x900x24" "$0" --inside "$out"
fi
out="$2"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
./build/viewer/lorvane samples/demo.Dravo &
pid=$!
sleep 4
xdotool mousemove 195 151 click 1   # "Ventes par région"
sleep 1
xdotool mousemove 403 258 click 1   # expands the second region
sleep 1
xdotool mousemove 700 600
sleep 0.5
import -window "$(xdotool search --name Visionneuse | head -1)" "$out"
kill "$pid"
echo "$out"
