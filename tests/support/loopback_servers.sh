#!/usr/bin/env bash
# Throwaway servers on 127.0.0.1 for tests, each on a free port, each ending
# by itself after LOOPBACK_LIFETIME seconds (default 120) if nobody stops it.
#
#   loopback_servers.sh ftp DIR USER PASSWORD HOME
#       an FTP server (pyftpdlib) where USER/PASSWORD read and write in HOME
#       (HOME is the session's "/"); prints its port
#   loopback_servers.sh sshd DIR PASSWORD
#       an OpenSSH sshd with sftp, for the user running it, who logs in with
#       the key DIR/client_key (PuTTY form: DIR/client.ppk) or with PASSWORD
#       (the server reads a private copy of /etc/shadow, bound over it in its
#       own mount namespace; nothing of the machine changes); prints its port.
#       Also written: DIR/ssh_config (port, key, known host) for OpenSSH
#       clients and DIR/putty_home/.putty/sshhostkeys for PuTTY's (run them
#       with HOME=DIR/putty_home)
#   loopback_servers.sh silent DIR
#       a port that accepts connections and never says a word; prints it
#   loopback_servers.sh wrapper FILE PROGRAM ARG...
#       writes FILE, a script that runs PROGRAM ARG... and its own arguments
#       (a client on a port other than its default)
#   loopback_servers.sh stop DIR
#       stops every server started with DIR
#
# Root is needed for sshd. Skipping is the caller's business: "needs"
# prints what is missing (nothing when all is there).
set -u
LIFETIME=${LOOPBACK_LIFETIME:-120}
PY=/usr/bin/python3
HERE=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)

die() { echo "loopback_servers: $*" >&2; exit 1; }

free_port() {
  "$PY" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits (up to 5 s) until FILE holds a port that accepts connections.
wait_port_file() {
  local i port
  for i in $(seq 1 250); do
    port=$(cat "$1" 2> /dev/null)
    if [ -n "$port" ] && (exec 3<> "/dev/tcp/127.0.0.1/$port") 2> /dev/null; then
      echo "$port"
      return 0
    fi
    sleep 0.02
  done
  return 1
}

start_ftp() {
  local dir=$1 user=$2 password=$3 home=$4
  mkdir -p "$dir" || die "cannot create $dir"
  rm -f "$dir/ftp.port"
  setsid "$PY" "$HERE/loopback_ftpd.py" "$dir/ftp.port" "$user" "$password" "$home" "$LIFETIME" \
    > "$dir/ftpd.log" 2>&1 < /dev/null &
  echo $! > "$dir/ftp.pid"
  wait_port_file "$dir/ftp.port" || die "the FTP server did not start: $(cat "$dir/ftpd.log")"
}

start_silent() {
  local dir=$1
  mkdir -p "$dir" || die "cannot create $dir"
  rm -f "$dir/silent.port"
  setsid "$PY" -c '
import os, socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(64)
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write("%d\n" % s.getsockname()[1])
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
time.sleep(int(sys.argv[2]))
' "$dir/silent.port" "$LIFETIME" > /dev/null 2>&1 < /dev/null &
  echo $! > "$dir/silent.pid"
  wait_port_file "$dir/silent.port" || die "the silent port did not open"
}

start_sshd() {
  local dir=$1 password=$2 try port hash modulus
  mkdir -p "$dir/putty_home/.putty" /run/sshd || die "cannot create $dir"
  [ -f "$dir/host_key" ] || ssh-keygen -q -t rsa -b 2048 -N "" -f "$dir/host_key" || die "ssh-keygen failed"
  [ -f "$dir/client_key" ] || ssh-keygen -q -t ed25519 -N "" -f "$dir/client_key" || die "ssh-keygen failed"
  cp "$dir/client_key.pub" "$dir/authorized_keys"
  puttygen "$dir/client_key" -O private -o "$dir/client.ppk" || die "puttygen failed"
  hash=$(openssl passwd -6 -- "$password") || die "openssl passwd failed"
  awk -F: -v OFS=: -v user="$(id -un)" -v hash="$hash" '$1 == user { $2 = hash } 1' /etc/shadow > "$dir/shadow" ||
    die "cannot copy /etc/shadow"
  chmod 600 "$dir/shadow"
  # PuTTY's host key cache holds an RSA key as its exponent and modulus.
  modulus=$(ssh-keygen -e -m PEM -f "$dir/host_key.pub" | openssl rsa -pubin -RSAPublicKey_in -modulus -noout |
    sed -e 's/^Modulus=//' -e 's/^0*//' | tr 'A-F' 'a-f')
  for try in 1 2 3 4 5; do
    port=$(free_port)
    cat > "$dir/sshd_config" << EOC
Port $port
ListenAddress 127.0.0.1
HostKey $dir/host_key
AuthorizedKeysFile $dir/authorized_keys
PasswordAuthentication yes
KbdInteractiveAuthentication no
PermitRootLogin yes
StrictModes no
UsePAM no
PidFile $dir/sshd.pid
Subsystem sftp internal-sftp
LogLevel ERROR
EOC
    rm -f "$dir/sshd.pid" "$dir/sshd.port"
    # The launcher becomes the "timeout" guarding sshd: stopping it stops sshd.
    setsid unshare -m --propagation private sh -c \
      'mount --bind "$1/shadow" /etc/shadow && exec timeout "$2" /usr/sbin/sshd -D -f "$1/sshd_config" -E "$1/sshd.log"' \
      sh "$dir" "$LIFETIME" > /dev/null 2>&1 < /dev/null &
    echo $! > "$dir/sshd_launcher.pid"
    echo "$port" > "$dir/sshd.port"
    if wait_port_file "$dir/sshd.port" > /dev/null; then break; fi
    kill "$(cat "$dir/sshd_launcher.pid")" 2> /dev/null
    port=""
  done
  [ -n "$port" ] || die "sshd did not start: $(cat "$dir/sshd.log" 2> /dev/null)"
  echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$dir/host_key.pub")" > "$dir/known_hosts"
  cat > "$dir/ssh_config" << EOC
Host 127.0.0.1
  Port $port
  IdentityFile $dir/client_key
  UserKnownHostsFile $dir/known_hosts
  StrictHostKeyChecking yes
  BatchMode yes
  LogLevel ERROR
EOC
  echo "rsa2@$port:127.0.0.1 0x10001,0x$modulus" > "$dir/putty_home/.putty/sshhostkeys"
  echo "$port"
}

write_wrapper() {
  local file=$1 arg
  shift
  {
    echo '#!/bin/sh'
    printf 'exec'
    for arg in "$@"; do printf " '%s'" "$arg"; done
    echo ' "$@"'
  } > "$file" && chmod +x "$file"
}

stop_all() {
  local dir=$1 f pid
  for f in "$dir"/*.pid; do
    [ -f "$f" ] || continue
    pid=$(cat "$f")
    [ -n "$pid" ] && kill "$pid" 2> /dev/null
    rm -f "$f"
  done
  return 0
}

needs() {
  local missing=()
  [ -x "$PY" ] && "$PY" -c 'import pyftpdlib' 2> /dev/null || missing+=(python3-pyftpdlib)
  command -v ftp > /dev/null || missing+=(tnftp)
  command -v psftp > /dev/null && command -v puttygen > /dev/null || missing+=(putty-tools)
  [ -x /usr/sbin/sshd ] || missing+=(openssh-server)
  command -v sftp > /dev/null && command -v ssh-keygen > /dev/null || missing+=(openssh-client)
  command -v lftp > /dev/null || missing+=(lftp)
  command -v openssl > /dev/null || missing+=(openssl)
  command -v unshare > /dev/null || missing+=(util-linux)
  unshare -m true 2> /dev/null || missing+=("private mount namespaces")
  [ "$(id -u)" -eq 0 ] || missing+=(root)
  [ ${#missing[@]} -eq 0 ] || echo "needs ${missing[*]} (scripts/setup.sh installs the packages)"
}

case "${1:-}" in
  ftp) [ $# -eq 5 ] || die "usage: ftp DIR USER PASSWORD HOME"; start_ftp "$2" "$3" "$4" "$5" ;;
  sshd) [ $# -eq 3 ] || die "usage: sshd DIR PASSWORD"; start_sshd "$2" "$3" ;;
  silent) [ $# -eq 2 ] || die "usage: silent DIR"; start_silent "$2" ;;
  wrapper) [ $# -ge 3 ] || die "usage: wrapper FILE PROGRAM ARG..."; shift; write_wrapper "$@" ;;
  stop) [ $# -eq 2 ] || die "usage: stop DIR"; stop_all "$2" ;;
  needs) needs ;;
  *) die "usage: loopback_servers.sh ftp|sshd|silent|wrapper|stop|needs ..." ;;
esac
