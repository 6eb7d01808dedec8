#!/usr/bin/env bash
# Checks the nginx site with `nginx -t`, as installed: the snippet in its place
# and a throw-away self-signed certificate where the site expects the real one.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=chat.example.org \
  -keyout "$dir/key.pem" -out "$dir/cert.pem" 2>/dev/null
sed -e "s#/etc/ssl/certs/chat.example.org.pem#$dir/cert.pem#" \
    -e "s#/etc/ssl/private/chat.example.org.key#$dir/key.pem#" \
    -e "s#/etc/nginx/snippets/ciarla-servizio-proxy.conf#$here/ciarla-servizio-proxy.conf#" \
    "$here/ciarla-servizio.conf" > "$dir/site.conf"
cat > "$dir/nginx.conf" <<CONF
pid $dir/nginx.pid;
error_log $dir/error.log;
events {}
http { include $dir/site.conf; }
CONF
nginx -t -p "$dir" -e "$dir/error.log" -c "$dir/nginx.conf"
