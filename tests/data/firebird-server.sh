#!/usr/bin/env bash
# Starts or stops a private Firebird server for the database tests.
#   firebird-server.sh start STATE_DIR   -> writes STATE_DIR/port, STATE_DIR/pid
#   firebird-server.sh stop  STATE_DIR
# The instance has its own configuration root, security database (SYSDBA with
# the station's password), lock and temp folders, and listens on loopback only,
# on the first free port from 3051 on, so a server the system package already
# runs on 3050 is left alone.
set -euo pipefail

action=${1:?start or stop}
state=${2:?state dir}
fbroot=/usr/lib/x86_64-linux-gnu/firebird/3.0
server=/usr/sbin/firebird
password=quillmoss

port_busy() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

stop_server() {
    if [ -f "$state/pid" ]; then
        pid=$(cat "$state/pid")
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 1 100); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.05
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$state/pid"
    fi
}

case "$action" in
stop)
    stop_server
    rm -f "$state/port"
    exit 0
    ;;
start) ;;
*)
    echo "usage: $0 start|stop STATE_DIR" >&2
    exit 2
    ;;
esac

if [ ! -x "$server" ]; then
    echo "firebird-server.sh: $server is missing (install firebird3.0-server)" >&2
    exit 1
fi

# A leftover instance of an earlier run is ours: stop it first.
stop_server
rm -rf "$state/root" "$state/lock" "$state/tmp"
mkdir -p "$state/root" "$state/lock" "$state/tmp"
root=$state/root
for item in plugins UDF firebird.msg plugins.conf fbtrace.conf; do
    ln -s "$fbroot/$item" "$root/$item"
done
# The character set module is refused from a path outside the root once
# symlinks are resolved: it gets a real copy.
mkdir -p "$root/intl"
cp "$fbroot/intl/libfbintl.so" "$root/intl/"
cp "$fbroot/intl/fbintl.conf" "$root/intl/"

port=""
for p in $(seq 3051 3099); do
    if ! port_busy "$p"; then
        port=$p
        break
    fi
done
if [ -z "$port" ]; then
    echo "firebird-server.sh: no free port in 3051..3099" >&2
    exit 1
fi

cat > "$root/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $root/security3.fdb
ServerMode = Super
UdfAccess = None
# Stations must work with an encrypted wire: every server test runs on one.
WireCrypt = Required
CONF
cat > "$root/databases.conf" <<CONF
security.db = $root/security3.fdb
CONF

export FIREBIRD=$root FIREBIRD_LOCK=$state/lock FIREBIRD_TMP=$state/tmp

# A fresh security database with SYSDBA set up through the embedded engine.
isql-fb -q -user SYSDBA > "$state/isql.log" 2>&1 <<SQL
create database '$root/security3.fdb';
create or alter user SYSDBA password '$password' using plugin Srp;
commit;
SQL
if [ ! -f "$root/security3.fdb" ]; then
    cat "$state/isql.log" >&2
    exit 1
fi

"$server" > "$state/server.log" 2>&1 &
echo $! > "$state/pid"

for _ in $(seq 1 200); do
    if port_busy "$port"; then
        echo "$port" > "$state/port"
        exit 0
    fi
    if ! kill -0 "$(cat "$state/pid")" 2>/dev/null; then
        break
    fi
    sleep 0.05
done
echo "firebird-server.sh: the server did not start" >&2
cat "$state/server.log" >&2 || true
stop_server
exit 1
