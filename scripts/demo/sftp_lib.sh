# shellcheck shell=bash disable=SC2034,SC2016  # names for the scripts that source it; sh -c's own $1
# The sftp road from site A to site B: a throwaway OpenSSH sshd for site B's
# machine and, at site A, a copy of the OpenSSH sftp wrapper with the ssh
# configuration it reads beside it. Source it after sites_lib.sh (root only:
# sshd runs as root and logs in as the user running it).
#
#   sftp_sshd_start DIR ADDRESS LIFETIME [PREFIX...]
#       starts sshd on ADDRESS and a free port (sftp only, key login with
#       DIR/client_key); PREFIX (e.g. "ip netns exec NAME") runs it elsewhere.
#       Sets SFTP_ADDRESS and SFTP_PORT; sshd ends by itself after LIFETIME
#       seconds if nobody stops it.
#   sftp_sshd_stop DIR      stops the sshd started with DIR (and waits for it)
#   sftp_use_for_sites DIR  the sites ship through that sshd: sets the
#                           transport program and machine before make_sites
#   sftp_install_at_a DIR   after make_sites: the wrapper, its configuration
#                           and the keys at site A
#   sftp_missing            prints what is missing (nothing when all is there)

# _sftp_free_port ADDRESS [PREFIX...]: a port nobody listens on at ADDRESS.
_sftp_free_port() {
    local address=$1
    shift
    "$@" python3 -c 'import socket, sys
s = socket.socket()
s.bind((sys.argv[1], 0))
print(s.getsockname()[1])' "$address"
}

# _sftp_wait_port ADDRESS PORT SECONDS: 0 once the port takes connections.
_sftp_wait_port() {
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        (exec 3<> "/dev/tcp/$1/$2") 2> /dev/null && return 0
        sleep 0.1
    done
    return 1
}

sftp_missing() {
    local missing=()
    [ -x /usr/sbin/sshd ] || missing+=(openssh-server)
    command -v sftp > /dev/null && command -v ssh-keygen > /dev/null || missing+=(openssh-client)
    command -v python3 > /dev/null || missing+=(python3)
    command -v unshare > /dev/null && command -v timeout > /dev/null || missing+=(util-linux coreutils)
    [ "$(id -u)" = 0 ] || missing+=(root)
    [ ${#missing[@]} = 0 ] || echo "${missing[*]}"
}

sftp_sshd_start() {
    local dir=$1 address=$2 lifetime=$3 port me
    shift 3
    me=$(id -un)
    mkdir -p "$dir" /run/sshd || return 1
    [ -f "$dir/host_key" ] || ssh-keygen -q -t ed25519 -N "" -C "site B" -f "$dir/host_key" || return 1
    [ -f "$dir/client_key" ] || ssh-keygen -q -t ed25519 -N "" -C "site A" -f "$dir/client_key" || return 1
    cp "$dir/client_key.pub" "$dir/authorized_keys" || return 1
    # sshd refuses even a key login to an account whose password is locked
    # ("!..."). It reads a private copy of /etc/shadow where the account has
    # no password at all ("*"), bound over the real one in its own mount
    # namespace: nothing of the machine changes.
    awk -F: -v OFS=: -v user="$me" '$1 == user { $2 = "*" } 1' /etc/shadow > "$dir/shadow" || return 1
    chmod 600 "$dir/shadow"
    for _ in 1 2 3 4 5; do
        port=$(_sftp_free_port "$address" "$@") || return 1
        cat > "$dir/sshd_config" << EOF
Port $port
ListenAddress $address
HostKey $dir/host_key
AuthorizedKeysFile $dir/authorized_keys
AllowUsers $me
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
X11Forwarding no
AllowTcpForwarding no
PidFile none
Subsystem sftp internal-sftp
LogLevel ERROR
EOF
        # The launcher becomes the "timeout" guarding sshd: stopping it stops sshd.
        "$@" setsid unshare -m --propagation private sh -c \
            'mount --bind "$1/shadow" /etc/shadow && exec timeout "$2" /usr/sbin/sshd -D -f "$1/sshd_config" -E "$1/sshd.log"' \
            sh "$dir" "$lifetime" > /dev/null 2>&1 < /dev/null &
        echo $! > "$dir/sshd.pid"
        if _sftp_wait_port "$address" "$port" 20; then
            SFTP_ADDRESS=$address
            SFTP_PORT=$port
            echo "[$address]:$port $(cut -d' ' -f1,2 "$dir/host_key.pub")" > "$dir/known_hosts"
            return 0
        fi
        sftp_sshd_stop "$dir"
    done
    echo "sftp_sshd_start: sshd did not start on $address: $(cat "$dir/sshd.log" 2> /dev/null)" >&2
    return 1
}

sftp_sshd_stop() {
    local pid i
    pid=$(cat "$1/sshd.pid" 2> /dev/null) || return 0
    rm -f "$1/sshd.pid"
    [ -n "$pid" ] || return 0
    kill "$pid" 2> /dev/null || return 0
    for ((i = 0; i < 100; i++)); do
        kill -0 "$pid" 2> /dev/null || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2> /dev/null
    return 0
}

# sftp_use_for_sites DIR: site A's transport program is its copy of the
# wrapper (the kind "sftp" comes from the name); its host map names the
# sshd's address. The login is by key; the host map's password is not used.
sftp_use_for_sites() {
    TRANSPORT_PROGRAM=$SITES_ROOT/$LOC_A/bin/sftp_openssh
    TRANSPORT_MACHINE=$SFTP_ADDRESS
    TRANSPORT_NOTE="OpenSSH's sftp to $SFTP_ADDRESS port $SFTP_PORT"
}

# sftp_install_at_a DIR: the wrapper with openssh_transport.conf beside it
# (the detached shipper keeps little more than PATH of its environment, so
# the configuration cannot come from a variable), the key and B's host key
# in A's host maps folder.
sftp_install_at_a() {
    local bin=$SITES_ROOT/$LOC_A/bin maps=$DEPOT_A/m_bay/config/hostmaps
    mkdir -p "$bin" || return 1
    install -m 755 "$SRC_DIR/contrib/transport/sftp_openssh" "$bin/sftp_openssh" || return 1
    install -m 600 "$1/client_key" "$maps/$LOC_B.sftp_key" || return 1
    install -m 644 "$1/known_hosts" "$maps/$LOC_B.known_hosts" || return 1
    cat > "$bin/openssh_transport.conf" << EOF
# Site $LOC_B's machine for the shipper at $LOC_A.
Host $SFTP_ADDRESS
  Port $SFTP_PORT
  IdentityFile $maps/$LOC_B.sftp_key
  IdentitiesOnly yes
  UserKnownHostsFile $maps/$LOC_B.known_hosts
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  BatchMode yes
  ConnectTimeout 30
  LogLevel ERROR
EOF
}
