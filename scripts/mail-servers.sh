#!/usr/bin/env bash
# Starts and stops a private mail system for the tests on 127.0.0.1: Dovecot (POP3 over TLS from the
# first byte, SASL for Postfix, LMTP delivery into Maildirs) and Postfix (submission over TLS from
# the first byte). Every file, socket and log lives in the state folder; nothing under /etc changes.
#   scripts/mail-servers.sh start <state dir>   (stops a previous instance of that folder first)
#   scripts/mail-servers.sh stop <state dir>
# "start" writes <state dir>/servers.txt (key=value lines) for the tests:
#   smtp_port, pop3_port, host, other_host (reaches the same servers under a name the certificate
#   does not hold), untrusted_host (the same servers showing a certificate of no trusted CA), domain, user1, password1, user2, password2, ca (PEM of the test CA),
#   maildir1, maildir2 (Maildirs of the two accounts).
set -euo pipefail

cmd=${1:?start or stop}
state=${2:?state dir}
mkdir -p "$state"
state=$(cd "$state" && pwd)

host=localhost
other_host=127.0.0.2
untrusted_host=127.0.0.3
domain=velin.test
user1=alice@$domain password1='Alice-pw-1'
user2=bob@$domain password2='Bob-pw-2'

dc_conf=$state/dovecot/dovecot.conf
pf_conf=$state/postfix/etc

stop_servers() {
  if [ -f "$pf_conf/main.cf" ] && [ -f "$state/postfix/queue/pid/master.pid" ]; then
    postfix -c "$pf_conf" stop >/dev/null 2>&1 || true
  fi
  if [ -f "$dc_conf" ] && [ -f "$state/dovecot/run/master.pid" ]; then
    doveadm -c "$dc_conf" stop >/dev/null 2>&1 || true
  fi
  # Whatever did not go away when asked (a master that lost its pid file, a slow child).
  local pidfile pid
  for pidfile in "$state/postfix/queue/pid/master.pid" "$state/dovecot/run/master.pid"; do
    pid=$(tr -dc 0-9 2>/dev/null < "$pidfile" || true)
    [ -n "$pid" ] || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  # A master of this instance that outlived its pid file: its command line names the configuration.
  local p
  for p in /proc/[0-9]*; do
    pid=${p#/proc/}
    if tr '\0' ' ' 2>/dev/null < "$p/cmdline" | grep -qF -e "-c $dc_conf" -e "-c $pf_conf"; then
      kill -9 "$pid" 2>/dev/null || true
    fi
  done
  return 0
}

port_free() {
  local a
  for a in 127.0.0.1 $other_host $untrusted_host; do
    (exec 3<>"/dev/tcp/$a/$1") 2>/dev/null && return 1
  done
  return 0
}
free_port() { # first port from $1 on that nothing listens on
  local p=$1
  while ! port_free "$p"; do p=$((p + 1)); done
  echo "$p"
}

make_certificates() {
  local t=$state/tls
  [ -f "$t/server.pem" ] && [ -f "$t/ca.pem" ] && [ -f "$t/untrusted.pem" ] && return 0
  rm -rf "$t"; mkdir -p "$t"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Velin Test CA" \
    -keyout "$t/ca.key" -out "$t/ca.pem" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout "$t/server.key" -out "$t/server.csr" 2>/dev/null
  cat > "$t/server.ext" <<EOF
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=DNS:localhost,IP:127.0.0.1
EOF
  openssl x509 -req -in "$t/server.csr" -CA "$t/ca.pem" -CAkey "$t/ca.key" -CAcreateserial -days 3650 \
    -extfile "$t/server.ext" -out "$t/server.pem" 2>/dev/null
  # Self-signed, so no CA vouches for it.
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=localhost" \
    -keyout "$t/untrusted.key" -out "$t/untrusted.pem" \
    -addext "subjectAltName=DNS:localhost,IP:$untrusted_host" 2>/dev/null
  cat "$t/untrusted.key" "$t/untrusted.pem" > "$t/untrusted-chain.pem"
  chmod 600 "$t"/*.key "$t/untrusted-chain.pem"
}

write_dovecot() {
  local d=$state/dovecot
  mkdir -p "$d/run" "$d/state" "$state/mail"
  cat > "$d/passwd" <<EOF
$user1:{PLAIN}$password1::::$state/mail/$user1::
$user2:{PLAIN}$password2::::$state/mail/$user2::
EOF
  cat > "$dc_conf" <<EOF
base_dir = $d/run
state_dir = $d/state
instance_name = velin-mail
log_path = $d/dovecot.log
protocols = pop3 lmtp
listen = 127.0.0.1, $other_host, $untrusted_host
ssl = required
ssl_cert = <$state/tls/server.pem
ssl_key = <$state/tls/server.key
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = yes
auth_mechanisms = plain login
auth_username_format = %Lu
# Dovecot refuses mail access as root: the boxes belong to the system's "mail" user.
first_valid_uid = 1
first_valid_gid = 1
mail_uid = mail
mail_gid = mail
mail_location = maildir:~/Maildir
pop3_uidl_format = %08Xu%08Xv
local $untrusted_host {
  ssl_cert = <$state/tls/untrusted.pem
  ssl_key = <$state/tls/untrusted.key
}
passdb {
  driver = passwd-file
  args = scheme=PLAIN $d/passwd
}
userdb {
  driver = passwd-file
  args = $d/passwd
}
service pop3-login {
  inet_listener pop3 {
    port = 0
  }
  inet_listener pop3s {
    port = $pop3_port
    ssl = yes
  }
}
service lmtp {
  unix_listener lmtp {
    mode = 0666
  }
}
service auth {
  unix_listener auth-postfix {
    mode = 0666
  }
}
protocol lmtp {
  postmaster_address = postmaster@$domain
}
EOF
}

write_postfix() {
  local p=$state/postfix
  mkdir -p "$pf_conf" "$p/queue" "$p/data"
  cat > "$pf_conf/main.cf" <<EOF
compatibility_level = 3.6
queue_directory = $p/queue
data_directory = $p/data
command_directory = /usr/sbin
daemon_directory = /usr/lib/postfix/sbin
shlib_directory = /usr/lib/postfix
mail_owner = postfix
setgid_group = postdrop
maillog_file = $p/postfix.log
maillog_file_prefixes = $p
myhostname = localhost
mydomain = localhost
myorigin = localhost
mydestination =
mynetworks = 127.0.0.0/8
# Only the listeners of master.cf, which name their addresses.
inet_interfaces = all
inet_protocols = ipv4
smtputf8_enable = no
biff = no
alias_maps =
alias_database =
local_recipient_maps =
virtual_mailbox_domains = $domain
virtual_transport = lmtp:unix:$state/dovecot/run/lmtp
smtpd_tls_chain_files = $state/tls/server.key, $state/tls/server.pem
smtpd_tls_security_level = encrypt
smtpd_tls_auth_only = yes
smtpd_sasl_type = dovecot
smtpd_sasl_path = $state/dovecot/run/auth-postfix
smtpd_sasl_auth_enable = yes
smtpd_relay_restrictions = permit_sasl_authenticated, reject
smtpd_recipient_restrictions = permit_sasl_authenticated, reject
message_size_limit = 104857600
EOF
  cat > "$pf_conf/master.cf" <<EOF
127.0.0.1:$smtp_port inet n - n - - smtpd -o smtpd_tls_wrappermode=yes
$other_host:$smtp_port inet n - n - - smtpd -o smtpd_tls_wrappermode=yes
$untrusted_host:$smtp_port inet n - n - - smtpd -o smtpd_tls_wrappermode=yes
  -o smtpd_tls_chain_files=$state/tls/untrusted-chain.pem
pickup    unix  n       -       n       60      1       pickup
cleanup   unix  n       -       n       -       0       cleanup
qmgr      unix  n       -       n       300     1       qmgr
tlsmgr    unix  -       -       n       1000?   1       tlsmgr
rewrite   unix  -       -       n       -       -       trivial-rewrite
bounce    unix  -       -       n       -       0       bounce
defer     unix  -       -       n       -       0       bounce
trace     unix  -       -       n       -       0       bounce
verify    unix  -       -       n       -       1       verify
flush     unix  n       -       n       1000?   0       flush
proxymap  unix  -       -       n       -       -       proxymap
proxywrite unix -       -       n       -       1       proxymap
smtp      unix  -       -       n       -       -       smtp
relay     unix  -       -       n       -       -       smtp
showq     unix  n       -       n       -       -       showq
error     unix  -       -       n       -       -       error
retry     unix  -       -       n       -       -       error
discard   unix  -       -       n       -       -       discard
lmtp      unix  -       -       n       -       -       lmtp
anvil     unix  -       -       n       -       1       anvil
scache    unix  -       -       n       -       1       scache
postlog   unix-dgram n  -       n       -       1       postlogd
EOF
}

wait_listening() { # port: up to 10 s
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

case $cmd in
  stop)
    stop_servers
    ;;
  start)
    stop_servers
    for tool in dovecot doveadm postfix openssl; do
      command -v $tool >/dev/null || { echo "mail-servers: $tool is not installed (scripts/setup.sh)" >&2; exit 1; }
    done
    rm -rf "$state/dovecot" "$state/postfix" "$state/mail" "$state/servers.txt"
    make_certificates
    pop3_port=$(free_port 10995)
    smtp_port=$(free_port 10465)
    write_dovecot
    write_postfix
    # Maildirs exist before the first mail, so a test can read an empty box.
    for u in "$user1" "$user2"; do mkdir -p "$state/mail/$u/Maildir/"{cur,new,tmp}; done
    chown -R mail:mail "$state/mail"
    # Daemons keep no stdio of ours: ctest waits until its pipes close.
    dovecot -c "$dc_conf" </dev/null >/dev/null 2>&1 || { cat "$state/dovecot/dovecot.log" >&2 2>/dev/null; exit 1; }
    postfix -c "$pf_conf" set-permissions >/dev/null 2>&1 || true
    postfix -c "$pf_conf" check </dev/null >&2 || true
    postfix -c "$pf_conf" start </dev/null >/dev/null 2>&1 || { cat "$state/postfix/postfix.log" >&2 2>/dev/null; stop_servers; exit 1; }
    if ! wait_listening "$pop3_port" || ! wait_listening "$smtp_port"; then
      echo "mail-servers: the servers did not come up" >&2
      cat "$state/dovecot/dovecot.log" "$state/postfix/postfix.log" >&2 2>/dev/null || true
      stop_servers
      exit 1
    fi
    cat > "$state/servers.txt.tmp" <<EOF
host=$host
other_host=$other_host
untrusted_host=$untrusted_host
smtp_port=$smtp_port
pop3_port=$pop3_port
domain=$domain
user1=$user1
password1=$password1
user2=$user2
password2=$password2
ca=$state/tls/ca.pem
maildir1=$state/mail/$user1/Maildir
maildir2=$state/mail/$user2/Maildir
EOF
    mv "$state/servers.txt.tmp" "$state/servers.txt"
    echo "mail-servers: smtps on $smtp_port, pop3s on $pop3_port"
    ;;
  *)
    echo "usage: $0 start|stop <state dir>" >&2
    exit 2
    ;;
esac
