#!/usr/bin/env bash
# Starts or stops the Firebird server on loopback for the tests that go over TCP.
#   fbserver.sh start   ensure the test login exists, start the server unless one listens
#   fbserver.sh stop    stop the server if this script started it
#   fbserver.sh running exit status 0 when a server listens on the port
# The test login is OLVTEST / olvtest; test databases are created with that owner.
set -euo pipefail

state_dir=${OLVARIN_FB_STATE:-/tmp/olvarin-fbserver}
pid_file=$state_dir/pid
security_db=/var/lib/firebird/3.0/system/security3.fdb
port=3050

listening() { (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; }

# A server that was running already (started by the system): make the login
# through it, as SYSDBA with the password Debian's package wrote down.
ensure_login_through_server() {
  local password_file=/etc/firebird/3.0/SYSDBA.password
  [ -r "$password_file" ] || return 0
  # shellcheck disable=SC1090
  . "$password_file"
  echo "create or alter user OLVTEST password 'olvtest' using plugin Srp; commit;" |
    isql-fb -q -user "${ISC_USER:-SYSDBA}" -password "${ISC_PASSWORD:-}" "localhost:$security_db" \
      >/dev/null 2>&1 || echo "fbserver: could not make the test login through the running server" >&2
}

start() {
  mkdir -p "$state_dir"
  if listening; then
    echo "fbserver: a Firebird server already listens on $port"
    ensure_login_through_server
    return 0
  fi
  # The login is written straight into the security database (embedded access,
  # possible only while no server holds it), so the tests never need SYSDBA's password.
  echo "create or alter user OLVTEST password 'olvtest' using plugin Srp; commit;" |
    isql-fb -q -user SYSDBA "$security_db" >/dev/null
  /usr/sbin/firebird >"$state_dir/server.log" 2>&1 &
  echo $! >"$pid_file"
  for _ in $(seq 50); do
    listening && { echo "fbserver: started (pid $(cat "$pid_file"))"; return 0; }
    sleep 0.1
  done
  echo "fbserver: the server did not start; see $state_dir/server.log" >&2
  return 1
}

stop() {
  [ -f "$pid_file" ] || return 0
  pid=$(cat "$pid_file")
  rm -f "$pid_file"
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || { echo "fbserver: stopped"; return 0; }; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  running) listening ;;
  *) echo "usage: $0 start|stop|running" >&2; exit 2 ;;
esac
