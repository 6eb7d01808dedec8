#!/usr/bin/env bash
# The README's first command: sets the machine up, builds, starts the local chat
# service ciarla-servizio on loopback and CiarlaChat built to use it as the
# maker's public service. The service stops when CiarlaChat ends (or on Ctrl-C).
#   CIARLA_PORT   the service's port (default 8080)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
port="${CIARLA_PORT:-8080}"
build="$root/build-run"

scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCIARLA_MAKER_HOST="127.0.0.1:$port" >/dev/null
# Only the programs: the test suite is scripts/test.sh's business.
cmake --build "$build" --target ciarla-servizio
has_window=false
if ninja -C "$build" -t query CiarlaChat >/dev/null 2>&1; then
  cmake --build "$build" --target CiarlaChat CiarlaServer
  has_window=true
fi

if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "La porta $port è già occupata: chiudi chi la usa, o scegline un'altra con CIARLA_PORT=..." >&2
  exit 1
fi

mkdir -p "$build/run"
log="$build/run/ciarla-servizio.log"
"$build/servizio/ciarla-servizio" --address 127.0.0.1 --port "$port" >"$build/run/ciarla-servizio.out" 2>>"$log" &
service=$!
trap 'kill "$service" 2>/dev/null; wait "$service" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM

for _ in $(seq 100); do
  curl -fs -o /dev/null "http://127.0.0.1:$port/" && break
  kill -0 "$service" 2>/dev/null || { echo "ciarla-servizio non è partito; vedi $log" >&2; exit 1; }
  sleep 0.1
done
echo "Servizio di chat: http://127.0.0.1:$port/ (registro delle richieste in $log)"

if ! $has_window; then
  echo "CiarlaChat non è ancora costruito: apri http://127.0.0.1:$port/web/ con il browser."
  echo "Ctrl-C ferma il servizio."
  wait "$service"
  exit
fi

# CiarlaChat asks a private session bus for CiarlaServer, which the bus starts
# from the build tree's activation file.
cat >"$build/run/session.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <servicedir>$build/tests/dbus/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
chat=(dbus-run-session --config-file="$build/run/session.conf" -- "$build/client/CiarlaChat")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Nessuno schermo (DISPLAY vuoto): CiarlaChat gira in uno schermo virtuale (Xvfb)."
  echo "La chat si apre anche nel browser: http://127.0.0.1:$port/web/"
  chat=(xvfb-run -a "${chat[@]}")
fi
"${chat[@]}"
