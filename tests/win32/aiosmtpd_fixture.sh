#!/bin/bash
# A real SMTP server on the host's loopback for the Windows tests, which run
# under Wine and cannot start a Linux process themselves: Debian's
# python3-aiosmtpd on a free port with a Maildir of its own; and the TLS mail
# servers of tests/support/tls_smtp_server.py, one for each mode and
# certificate the TLS tests meet, with certificates made for this run
# (tests/support/make_test_certs.sh). CTest runs `start` before the tests and
# `stop` after them.
# Usage: aiosmtpd_fixture.sh start|stop DIR
#   DIR/port, DIR/Maildir, DIR/pid          the plain server
#   DIR/certs/NAME.crt, NAME.sha256         the certificates, their fingerprints
#   DIR/tls/MODE-CERT/port, Maildir, pid    a TLS server
set -euo pipefail
action=${1:?start or stop}
dir=${2:?state folder}

here=$(cd "$(dirname "$0")" && pwd)
tls_servers="starttls-localhost login-only-localhost tls-localhost no-starttls-localhost inject-localhost stall-localhost
  tls-other-name starttls-untrusted tls-expired"

stop() {
  for pid in "$dir/pid" "$dir"/tls/*/pid; do
    [ -f "$pid" ] && kill "$(cat "$pid")" 2>/dev/null || true
  done
  rm -rf "$dir"
}

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits until the server whose pid is in $1/pid accepts on port $2; then
# writes $1/port.
wait_for() {
  for _ in $(seq 150); do
    if /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $2), 1)" 2>/dev/null; then
      echo "$2" >"$1/port"
      return 0
    fi
    kill -0 "$(cat "$1/pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "aiosmtpd did not come up (is python3-aiosmtpd installed?):" >&2
  cat "$1/server.log" >&2
  return 1
}

start_tls_servers() {
  bash "$here/../support/make_test_certs.sh" "$dir/certs" >/dev/null
  for name in localhost other-name expired untrusted; do
    openssl x509 -noout -fingerprint -sha256 -in "$dir/certs/$name.crt" | cut -d= -f2 >"$dir/certs/$name.sha256"
  done
  local server mode cert port
  for server in $tls_servers; do
    cert=${server##*-}
    [ "$cert" = name ] && cert=other-name
    mode=${server%-"$cert"}
    port=$(free_port)
    mkdir -p "$dir/tls/$server"
    setsid /usr/bin/python3 "$here/../support/tls_smtp_server.py" "$mode" "$port" "$dir/tls/$server/Maildir" \
      "$dir/certs/$cert.crt" "$dir/certs/$cert.key" >"$dir/tls/$server/server.log" 2>&1 </dev/null &
    echo $! >"$dir/tls/$server/pid"
    echo "$port" >"$dir/tls/$server/starting"
  done
  for server in $tls_servers; do
    wait_for "$dir/tls/$server" "$(cat "$dir/tls/$server/starting")" || return 1
  done
}

case $action in
  stop) stop ;;
  start)
    stop
    mkdir -p "$dir"
    port=$(free_port)
    # Debian's modules are only seen by Debian's own interpreter; -n keeps it
    # from switching to the user "nobody" when run as root. Its output is
    # detached, so CTest does not wait on it.
    setsid /usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$port" -c aiosmtpd.handlers.Mailbox "$dir/Maildir" \
      >"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    wait_for "$dir" "$port"
    start_tls_servers
    ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
