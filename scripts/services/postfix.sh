#!/usr/bin/env bash
# The local mail system for the end-to-end mail test: Postfix on 127.0.0.1:25,
# delivering to local mailboxes and relaying nothing; and on 127.0.0.1:587
# (STARTTLS) and 127.0.0.1:465 (TLS from the start), and the same on 10587 and
# 10465 offering AUTH LOGIN alone, where mail is taken only
# after AUTH PLAIN or LOGIN over TLS, checked by a Dovecot of our own (SASL
# only, no mail service) against one test account. The CA and the server's
# certificate are made at start (tests/support/make_test_certs.sh).
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
tls=/tmp/taruk-postfix-tls
dovecot_dir=/tmp/taruk-dovecot
here=$(cd "$(dirname "$0")" && pwd)
caller=$PPID
submission_user=taruk-test
submission_password=s3cret-pass

listening_beyond_loopback() {
  # Listening sockets (state 0A) on port 25 (0019) bound to anything but
  # 127.0.0.1 (0100007F) or ::1.
  awk '$4 == "0A" && $2 ~ /:0019$/ && $2 !~ /^0100007F:/ && \
       $2 !~ /^00000000000000000000000001000000:/ { found = 1 } END { exit !found }' \
    /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

answers() { (exec 3<>/dev/tcp/127.0.0.1/${1:-25}) 2>/dev/null; }

# Dovecot for SASL alone, with a configuration and run folder of its own.
start_dovecot() {
  command -v dovecot >/dev/null || return 1
  mkdir -p "$dovecot_dir/run"
  printf '%s:{PLAIN}%s\n' "$submission_user" "$submission_password" >"$dovecot_dir/users"
  cat >"$dovecot_dir/dovecot.conf" <<CONF
base_dir = $dovecot_dir/run
state_dir = $dovecot_dir/run
protocols =
ssl = no
log_path = $dovecot_dir/dovecot.log
auth_mechanisms = plain login
passdb {
  driver = passwd-file
  args = $dovecot_dir/users
}
userdb {
  driver = static
  args = uid=nobody gid=nogroup home=/nonexistent
}
service auth {
  unix_listener /var/spool/postfix/private/taruk-auth {
    mode = 0660
    user = postfix
    group = postfix
  }
}
CONF
  if [ -e "$dovecot_dir/run/master.pid" ] && kill -0 "$(cat "$dovecot_dir/run/master.pid")" 2>/dev/null; then
    $sudo doveadm -c "$dovecot_dir/dovecot.conf" reload >/dev/null 2>&1 || true
  else
    # Not holding this script's lock (descriptor 9) for as long as it runs.
    $sudo dovecot -c "$dovecot_dir/dovecot.conf" 9>&-
  fi
}

# 587 and 465: TLS required, AUTH required, mail only from whoever logged in.
configure_submission() {
  [ -e "$tls/localhost.crt" ] || bash "$here/../../tests/support/make_test_certs.sh" "$tls" >/dev/null
  chmod 0644 "$tls"/*.crt
  # 10587 and 10465 offer AUTH LOGIN alone, as Microsoft 365 does.
  for entry in "587:no:plain,login" "465:yes:plain,login" "10587:no:login" "10465:yes:login"; do
    IFS=: read -r port wrapper mechanisms <<<"$entry"
    service="127.0.0.1:$port/inet"
    $sudo postconf -M "$service=127.0.0.1:$port inet n - n - - smtpd"
    $sudo postconf -P "$service/smtpd_tls_security_level=encrypt" "$service/smtpd_tls_wrappermode=$wrapper" \
      "$service/smtpd_sasl_mechanism_filter=$mechanisms" "$service/syslog_name=postfix/submission-$port" \
      "$service/smtpd_tls_cert_file=$tls/localhost.crt" "$service/smtpd_tls_key_file=$tls/localhost.key" \
      "$service/smtpd_sasl_auth_enable=yes" "$service/smtpd_tls_auth_only=yes" \
      "$service/smtpd_sasl_type=dovecot" "$service/smtpd_sasl_path=private/taruk-auth" \
      "$service/smtpd_relay_restrictions=permit_sasl_authenticated,reject" \
      "$service/smtpd_recipient_restrictions=permit_sasl_authenticated,reject"
  done
}

start() {
  if [ ! -x "$postfix" ]; then
    echo "postfix.sh: Postfix is not installed (scripts/install-deps.sh test); the local mail test will be skipped" >&2
    return 0
  fi
  before=$(postconf -h inet_interfaces inet_protocols)
  submission=no
  start_dovecot && configure_submission && submission=yes
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
  if [ "$submission" = yes ]; then
    for port in 587 465 10587 10465; do
      for _ in $(seq 50); do answers "$port" && break; sleep 0.1; done
    done
    echo "export TARUK_SUBMISSION_CA=$tls/ca.crt TARUK_SUBMISSION_USER=$submission_user" \
      "TARUK_SUBMISSION_PASSWORD=$submission_password"
  else
    echo "postfix.sh: no Dovecot (scripts/install-deps.sh test): the tests on 587 and 465 will be skipped" >&2
  fi
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
  if [ -e "$dovecot_dir/run/master.pid" ]; then
    $sudo kill "$(cat "$dovecot_dir/run/master.pid")" 2>/dev/null || true
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
