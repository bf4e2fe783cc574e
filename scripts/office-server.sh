#!/usr/bin/env bash
# Sets up the Firebird 3 server of an office on a Debian machine, so that every
# desk's program reaches one product database:
#   1. installs the server (package firebird3.0-server),
#   2. lets it accept connections from the network (and on another port, if asked),
#   3. puts the product database in /srv/trevolan (a copy of --database FILE, or a
#      demo with --demo), owned by the server, with the folder BACKUP beside it,
#   4. gives sysdba the password the program logs in with,
#   5. opens the port in ufw when ufw is active, else says what to open,
#   6. checks that the database answers over the network as the program will
#      reach it, and prints the NET.TXT lines each desk needs.
# An existing server configuration is only changed with --force; an existing
# product database is never overwritten.
#
#   --dry-run        print what would be done, change nothing
#   --force          change a server that was already installed
#   --database FILE  the product database to put on the server
#   --demo           a demo product database instead (needs masment-demo-db)
#   --dir DIR        where the database goes (default /srv/trevolan)
#   --port N         server port (default 3050)
#   --host NAME      the server's name as the desks reach it (default: hostname)
#   --server H/PORT  use a server that is already running on H/PORT instead of
#                    installing one (its configuration is not touched); the
#                    database is reached through it with --current-password
#   --current-password PW  sysdba's password on that server
set -euo pipefail

PASSWORD=tollgates # the program logs in as sysdba with this password
conf_dir=/etc/firebird/3.0
dry=0
force=0
database=""
demo=0
dir=/srv/trevolan
port=3050
host="$(hostname -s 2>/dev/null || hostname)"
running=""
current=""

say() { printf '%s\n' "$*"; }
fail() {
    printf 'office-server: %s\n' "$*" >&2
    exit 1
}
# Runs a step, or only shows it on a dry run.
run() {
    if [ "$dry" = 1 ]; then
        printf '  [予定] %s\n' "$*"
    else
        "$@"
    fi
}
usage() {
    sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case "$1" in
    --dry-run) dry=1 ;;
    --force) force=1 ;;
    --demo) demo=1 ;;
    --database | --dir | --port | --host | --server | --current-password | --conf-dir)
        [ $# -ge 2 ] || usage
        case "$1" in
        --database) database="$2" ;;
        --dir) dir="$2" ;;
        --port) port="$2" ;;
        --host) host="$2" ;;
        --server) running="$2" ;;
        --current-password) current="$2" ;;
        --conf-dir) conf_dir="$2" ;; # for trying the script on a copy
        esac
        shift
        ;;
    -h | --help) usage ;;
    *)
        say "知らない指定です: $1" >&2
        usage
        ;;
    esac
    shift
done

[[ "$port" =~ ^[0-9]+$ ]] && [ "$port" -gt 0 ] && [ "$port" -lt 65536 ] || fail "ポート番号 $port は使えません。"
[ -z "$database" ] || [ "$demo" = 0 ] || fail "--database と --demo は一緒に使えません。"
[ -z "$database" ] || [ -f "$database" ] || fail "製品データベース $database が見つかりません。"
[ -z "$running" ] || [ -n "$current" ] || fail "--server には --current-password（そのサーバーの sysdba のパスワード）が要ります。"
case "$dir" in /*) ;; *) dir="$(pwd)/$dir" ;; esac
target="$dir/TREVOLAN.FDB"

# host[/port] as Firebird's connection strings write it.
if [ -n "$running" ]; then
    server_address="$running"
    [[ "$running" != */* ]] || port="${running##*/}"
elif [ "$port" = 3050 ]; then
    server_address="$host"
else
    server_address="$host/$port"
fi

# --- the server itself ------------------------------------------------------
installed=0
if dpkg-query -W -f='${Status}' firebird3.0-server 2>/dev/null | grep -q "install ok installed"; then
    installed=1
fi

if [ -z "$running" ]; then
    [ -f /etc/debian_version ] || fail "Debian 以外では使えません。Firebird 3 のサーバーを手で入れてください。"
    [ "$dry" = 1 ] || [ "$(id -u)" = 0 ] || fail "root で実行してください（sudo bash $0 ...）。何をするかは --dry-run で確かめられます。"
    if [ "$installed" = 1 ] || [ -f "$conf_dir/firebird.conf" ]; then
        if [ "$force" = 0 ]; then
            say "このマシンにはもう Firebird サーバーの設定があります（$conf_dir）。" >&2
            say "ほかの用途で使っていないことを確かめて、変えてよければ --force を付けて実行してください。" >&2
            say "--dry-run を付けると、何を変えるかを先に確かめられます。" >&2
            exit 3
        fi
        say "既存の Firebird サーバーの設定を変えます（--force）。"
    fi
fi

say "== Firebird サーバー =="
if [ -n "$running" ]; then
    say "動いているサーバー $running を使います。設定は変えません。"
    # The login is checked before anything is put on the server.
    if [ "$dry" = 0 ] && ! fbsvcmgr "$running:service_mgr" user SYSDBA password "$current" info_server_version \
        >/dev/null 2>&1; then
        fail "サーバー $running に sysdba でログインできませんでした。--current-password とサーバーが動いているかを確かめてください。"
    fi
else
    if [ "$installed" = 0 ]; then
        run apt-get update -qq
        run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq firebird3.0-server
    else
        say "firebird3.0-server は入っています。"
    fi
    # Debian's server listens on localhost only; the desks come over the network.
    run sed -i -e 's/^[#[:space:]]*RemoteBindAddress[[:space:]]*=.*/RemoteBindAddress =/' \
        -e "s/^[#[:space:]]*RemoteServicePort[[:space:]]*=.*/RemoteServicePort = $port/" "$conf_dir/firebird.conf"
    if [ "$dry" = 1 ] || ! grep -q '^RemoteServicePort' "$conf_dir/firebird.conf"; then
        run sh -c "echo 'RemoteServicePort = $port' >> '$conf_dir/firebird.conf'"
    fi
    # The database and the password are set while the server is stopped, through
    # the embedded engine, so no old password is needed.
    run systemctl stop firebird3.0
fi

# --- the product database ------------------------------------------------------
say "== 製品データベース =="
run mkdir -p "$dir"
# The program's backups before a registration are written here by the server.
run mkdir -p "$dir/BACKUP"
if [ -e "$target" ]; then
    say "$target はもうあります。上書きしません。"
elif [ -n "$database" ]; then
    run cp "$database" "$target"
    [ "$dry" = 1 ] || say "置きました: $target"
elif [ "$demo" = 1 ]; then
    maker="$(command -v masment-demo-db || true)"
    [ -n "$maker" ] || fail "masment-demo-db が見つかりません（masment パッケージを入れてください）。"
    run "$maker" "$target"
    [ "$dry" = 1 ] || say "見本の製品データベースを置きました: $target"
else
    say "製品データベースを指定していません。あとで $target に置いてください（--database で指定もできます）。"
fi
if [ -z "$running" ]; then
    run chown -R firebird:firebird "$dir"
    run chmod 0770 "$dir"
    [ ! -e "$target" ] && [ "$dry" = 0 ] || run chmod 0660 "$target"
fi

# --- sysdba's password -----------------------------------------------------------
say "== sysdba のパスワード =="
sql="alter user SYSDBA password '$PASSWORD' using plugin Srp; commit;"
if [ -n "$running" ]; then
    if [ "$dry" = 1 ]; then
        run isql-fb -q -user SYSDBA -password '***' "$running:$target"
    elif [ -e "$target" ]; then
        printf '%s\n' "$sql" | isql-fb -q -user SYSDBA -password "$current" "$running:$target" >/dev/null ||
            fail "サーバー $running で sysdba のパスワードを設定できませんでした。--current-password を確かめてください。"
        say "sysdba のパスワードを、プログラムが使うものにしました。"
    fi
elif [ "$dry" = 1 ] || [ -e "$target" ]; then
    if [ "$dry" = 1 ]; then
        run isql-fb -q -user SYSDBA "$target" "<<< \"alter user SYSDBA password '***' using plugin Srp\""
    else
        printf '%s\n' "$sql" | isql-fb -q -user SYSDBA "$target" >/dev/null ||
            fail "sysdba のパスワードを設定できませんでした。"
        say "sysdba のパスワードを、プログラムが使うものにしました。"
    fi
else
    say "製品データベースを置いたあとで、次を実行してください:"
    say "  echo \"alter user SYSDBA password '$PASSWORD' using plugin Srp;\" | sudo isql-fb -user SYSDBA $target"
fi
if [ -z "$running" ]; then
    run systemctl enable firebird3.0
    run systemctl start firebird3.0
fi

# --- the firewall ---------------------------------------------------------------
say "== ファイアウォール =="
if [ -n "$running" ]; then
    say "動いているサーバーのファイアウォールは変えません。TCP $port が開いているか確かめてください。"
elif command -v ufw >/dev/null 2>&1 && ufw status 2>/dev/null | grep -q "Status: active"; then
    run ufw allow "$port/tcp"
elif command -v nft >/dev/null 2>&1 && [ -n "$(nft list ruleset 2>/dev/null)" ]; then
    say "nftables のルールがあります。事務所の PC から TCP $port を受け付けるルールを足してください。例:"
    say "  nft add rule inet filter input tcp dport $port accept"
else
    say "ufw も nftables のルールも見つかりませんでした。ほかのファイアウォール（ルーターなど）があれば TCP $port を開けてください。"
fi

# --- check and NET.TXT ------------------------------------------------------------
connection="$server_address:$target"
if [ "$dry" = 0 ] && [ -e "$target" ]; then
    probe="${running:-localhost/$port}:$target"
    answer="$(printf 'select count(*) from MAS_KOUSYU_01;\n' |
        isql-fb -q -user SYSDBA -password "$PASSWORD" "$probe" 2>&1)" ||
        fail "サーバーを通して製品データベースを開けませんでした: $answer"
    say "確認: サーバーを通して製品データベースを開けました（大項目 $(printf '%s' "$answer" | tr -s ' \n' ' ' | awk '{print $NF}') 件）。"
fi
say "== 各 PC の NET.TXT =="
say "プログラムフォルダー（PROG）の NET.TXT に、次の 2 行を Shift-JIS で書いてください"
say "（masment パッケージの PC では: masment-setup --server '$connection' フォルダー）:"
say ""
say "$connection"
say "${server_address%%/*}"
