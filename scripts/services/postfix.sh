#!/usr/bin/env bash
# The local mail system for the end-to-end mail test: Postfix on 127.0.0.1:25,
# delivering to local mailboxes and relaying nothing.
#   postfix.sh start   configures and starts it; prints the tests' environment
#   postfix.sh stop    stops it once no test run that asked for it is left,
#                      and only if this script started it
# Several test runs on one machine share it: each start registers the run
# that called it (its parent process), each stop removes it.
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
postfix=/usr/sbin/postfix
state=/tmp/taruk-postfix
caller=$PPID

listening_beyond_loopback() {
  # Listening sockets (state 0A) on port 25 (0019) bound to anything but
  # 127.0.0.1 (0100007F) or ::1.
  awk '$4 == "0A" && $2 ~ /:0019$/ && $2 !~ /^0100007F:/ && \
       $2 !~ /^00000000000000000000000001000000:/ { found = 1 } END { exit !found }' \
    /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

answers() { (exec 3<>/dev/tcp/127.0.0.1/25) 2>/dev/null; }

start() {
  if [ ! -x "$postfix" ]; then
    echo "postfix.sh: Postfix is not installed (scripts/install-deps.sh test); the local mail test will be skipped" >&2
    return 0
  fi
  before=$(postconf -h inet_interfaces inet_protocols)
  $sudo postconf -e inet_interfaces=loopback-only inet_protocols=ipv4 \
    'mydestination=localhost, localhost.localdomain, $myhostname' \
    default_transport=error relay_transport=error maillog_file=/var/log/postfix.log
  after=$(postconf -h inet_interfaces inet_protocols)
  if $sudo "$postfix" status >/dev/null 2>&1; then
    # Interfaces change only with a full restart.
    if [ "$before" != "$after" ]; then
      $sudo "$postfix" stop >/dev/null 2>&1
      $sudo "$postfix" start >/dev/null 2>&1
    else
      $sudo "$postfix" reload >/dev/null 2>&1
    fi
  else
    $sudo "$postfix" start >/dev/null 2>&1
    touch "$state.ours"
  fi
  echo "$caller" >>"$state.users"
  for _ in $(seq 100); do
    answers && break
    sleep 0.1
  done
  if listening_beyond_loopback; then
    echo "postfix.sh: something listens on port 25 beyond the loopback interface; stopping Postfix" >&2
    $sudo "$postfix" stop >/dev/null 2>&1 || true
    rm -f "$state.ours"
    return 1
  fi
  answers || echo "postfix.sh: Postfix does not answer on 127.0.0.1:25; see /var/log/postfix.log" >&2
  echo "export TARUK_MAIL_SPOOL=$(postconf -h mail_spool_directory)"
}

stop() {
  [ -e "$state.users" ] || return 0
  # Keep the runs that still live, other than the caller.
  remaining=$(while read -r pid; do
    [ "$pid" != "$caller" ] && kill -0 "$pid" 2>/dev/null && echo "$pid"
  done <"$state.users" || true)
  if [ -n "$remaining" ]; then
    echo "$remaining" >"$state.users"
    return 0
  fi
  rm -f "$state.users"
  if [ -e "$state.ours" ]; then
    $sudo "$postfix" stop >/dev/null 2>&1 || true
    rm -f "$state.ours"
  fi
}

(
  flock 9
  case "${1:-}" in
    start) start ;;
    stop) stop ;;
    *) echo "usage: $0 start|stop" >&2; exit 2 ;;
  esac
) 9>"$state.lock"
