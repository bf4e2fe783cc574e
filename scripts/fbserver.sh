#!/usr/bin/env bash
# A private Firebird 3 server for the tests, the benchmarks and the network demo.
#
#   fbserver.sh start DIR   lays out a server root in DIR (own firebird.conf, own
#                           security database with sysdba/tollgates, own lock
#                           folder), starts the server on a free loopback port and
#                           writes the port to DIR/port
#   fbserver.sh stop DIR    stops the server started in DIR
#
#   FBSERVER_PORT   port to listen on (default: a free one)
#   FBSERVER_OWNER  a process id: the server is stopped when that process ends,
#                   so a test program that crashes leaves no server behind
#
# The machine's own Firebird configuration and its server (port 3050) are never
# used: everything the server reads comes from DIR.
set -euo pipefail

lib=/usr/lib/x86_64-linux-gnu/firebird/3.0
server=/usr/sbin/firebird
action="${1:-}"
dir="${2:-}"
[ -n "$action" ] && [ -n "$dir" ] || {
    echo "usage: $0 start|stop DIR" >&2
    exit 2
}

stop_server() {
    [ -f "$dir/pid" ] || return 0
    local pid
    pid="$(cat "$dir/pid")"
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/pid" "$dir/port"
}

# Something answers on the loopback port (bash's own /dev/tcp, no tools needed).
listening() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 30000))
        if ! listening "$port"; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

case "$action" in
stop)
    stop_server
    ;;
start)
    [ -x "$server" ] || {
        echo "$server is missing (package firebird3.0-server)" >&2
        exit 1
    }
    stop_server
    dir="$(mkdir -p "$dir" && cd "$dir" && pwd)"
    root="$dir/root"
    rm -rf "$root" "$dir/lock"
    mkdir -p "$root" "$dir/lock"
    # The package's root, linked, but with a real intl folder: the character set
    # module finds its configuration beside itself, and through a link the server
    # reports CP943C as not installed.
    for entry in "$lib"/*; do
        name="$(basename "$entry")"
        case "$name" in
        intl | firebird.conf | databases.conf) ;;
        *) ln -s "$entry" "$root/$name" ;;
        esac
    done
    mkdir "$root/intl"
    cp "$lib/intl/libfbintl.so" "$root/intl/"
    cp -L "$lib/intl/fbintl.conf" "$root/intl/"
    : >"$root/databases.conf"

    port="${FBSERVER_PORT:-$(free_port)}"
    # Garbage collected by the attachments themselves, as the program's embedded
    # attachments ask for: the same database state behind either installation.
    cat >"$root/firebird.conf" <<EOF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $root/security3.fdb
ServerMode = Super
AuthServer = Srp
GCPolicy = cooperative
UserManager = Srp
EOF

    # The security database, made with the embedded engine of this root.
    export FIREBIRD="$root" FIREBIRD_LOCK="$dir/lock"
    isql-fb -q -user SYSDBA >"$dir/isql.log" 2>&1 <<EOF
create database '$root/security3.fdb';
create user SYSDBA password 'tollgates' using plugin Srp;
commit;
EOF
    [ -f "$root/security3.fdb" ] || {
        cat "$dir/isql.log" >&2
        exit 1
    }

    setsid "$server" </dev/null >"$dir/server.log" 2>&1 &
    echo $! >"$dir/pid"
    # A busy machine (the test suite runs two at a time) can take a while.
    for _ in $(seq 1 300); do
        listening "$port" && break
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    if ! listening "$port"; then
        echo "the Firebird server did not start:" >&2
        cat "$dir/server.log" "$root"/firebird.log 2>/dev/null >&2 || true
        stop_server
        exit 1
    fi
    echo "$port" >"$dir/port"
    if [ -n "${FBSERVER_OWNER:-}" ]; then
        server_pid="$(cat "$dir/pid")"
        owner="$FBSERVER_OWNER"
        setsid bash -c "while kill -0 $owner 2>/dev/null && kill -0 $server_pid 2>/dev/null; do sleep 1; done; kill -TERM $server_pid 2>/dev/null" </dev/null >/dev/null 2>&1 &
    fi
    echo "$port"
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
