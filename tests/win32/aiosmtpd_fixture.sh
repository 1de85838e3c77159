#!/bin/bash
# A real SMTP server on the host's loopback for the Windows tests, which run
# under Wine and cannot start a Linux process themselves: Debian's
# python3-aiosmtpd on a free port with a Maildir of its own. CTest runs
# `start` before the tests and `stop` after them.
# Usage: aiosmtpd_fixture.sh start|stop DIR   (DIR/port, DIR/Maildir, DIR/pid)
set -euo pipefail
action=${1:?start or stop}
dir=${2:?state folder}

stop() {
  if [ -f "$dir/pid" ]; then
    kill "$(cat "$dir/pid")" 2>/dev/null || true
  fi
  rm -rf "$dir"
}

case $action in
  stop) stop ;;
  start)
    stop
    mkdir -p "$dir"
    port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    # Debian's modules are only seen by Debian's own interpreter; -n keeps it
    # from switching to the user "nobody" when run as root. Its output is
    # detached, so CTest does not wait on it.
    setsid /usr/bin/python3 -m aiosmtpd -n -l "127.0.0.1:$port" -c aiosmtpd.handlers.Mailbox "$dir/Maildir" \
      >"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    for _ in $(seq 150); do
      if /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; then
        echo "$port" >"$dir/port"
        exit 0
      fi
      kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "aiosmtpd did not come up (is python3-aiosmtpd installed?):" >&2
    cat "$dir/server.log" >&2
    exit 1
    ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
