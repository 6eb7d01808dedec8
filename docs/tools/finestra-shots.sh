#!/usr/bin/env bash
# Pictures of the main window for docs/screenshots: a fresh ciarla-servizio with a
# few messages, CiarlaServer on a private session bus, and the window under Xvfb at
# 1x and 2x, light and dark (Fusion).
#   docs/tools/finestra-shots.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
out=$PWD/docs/screenshots
work=$(mktemp -d)
trap 'kill "$service" 2>/dev/null || true; rm -rf "$work"' EXIT

"$build/servizio/ciarla-servizio" --port 0 --database "$work/chat.sqlite" --put-limit 0 >"$work/service.out" 2>/dev/null &
service=$!
for _ in $(seq 50); do grep -q 'in ascolto' "$work/service.out" && break; sleep 0.1; done
root=$(grep -o 'http://[^ ]*' "$work/service.out")
put() { curl -sfG -o /dev/null "${root}putmsgchat.asp" --data-urlencode "NOME=$1" --data-urlencode "messaggio=$2"; }
put anna "Ciao a tutti :) qualcuno per la gita di domenica?"
put bruno "Io ci sono! Partenza alle 8 dalla piazza."
put Олена "Привет! Vengo anch'io, porto la macchina 😀"
put carla "Perfetto. Previsioni: ☀️ 24 °C"

mkdir -p "$work/xdg/ciarlachat" "$work/home"
printf 'servizio=%s\n' "$root" >"$work/xdg/ciarlachat/ciarlachat.conf"
shoot() { # name scale [--dark]
  XDG_CONFIG_DIRS=$work/xdg XDG_CONFIG_HOME=$work/home XDG_DATA_HOME=$work/home CIARLA_REGISTRY_DIR=$work/home \
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$2 LC_ALL=C.UTF-8 \
    dbus-run-session --config-file "$build/tests/dbus/session.conf" -- \
    xvfb-run -a -s "-screen 0 1800x1400x24" "$build/docs/mostra_finestra" "$out/$1.png" "${@:3}"
}
shoot finestra-chiara-1x 1
shoot finestra-chiara-2x 2
shoot finestra-scura-1x 1 --dark
shoot finestra-scura-2x 2 --dark
ls -l "$out"/finestra-*.png
