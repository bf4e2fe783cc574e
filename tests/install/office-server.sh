#!/usr/bin/env bash
# The office server set-up. Against the suite's private server: the product
# database is put in place, reached over the network with the program's own
# login, never overwritten, and the NET.TXT lines printed are ones that work.
# On this machine's own configuration: refused without --force, and a dry run
# changes nothing.
set -euo pipefail
script="$1"
demo_db="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
port="$(cat "$MASMENT_FBSERVER_DIR/port")"
export FIREBIRD_LOCK="$work/lock"
mkdir -p "$FIREBIRD_LOCK"
"$demo_db" "$work/demo.fdb" >/dev/null

count_majors() { # connection string
    printf 'select count(*) from MAS_KOUSYU_01;\n' | isql-fb -q -user SYSDBA -password tollgates "$1" |
        tr -s ' \n' ' ' | awk '{print $NF}'
}

# A wrong password for the running server is refused before anything is done.
if out="$(bash "$script" --server "127.0.0.1/$port" --current-password wrong --dir "$work/srv" \
    --database "$work/demo.fdb" 2>&1)"; then
    fail "a wrong sysdba password was accepted: $out"
fi
[[ "$out" == *"--current-password"* ]] || fail "the refusal does not say what to check: $out"
[ ! -e "$work/srv/TREVOLAN.FDB" ] || fail "the database was put on a server that refused the login"

out="$(bash "$script" --server "127.0.0.1/$port" --current-password tollgates --dir "$work/srv" \
    --database "$work/demo.fdb")"
[ -f "$work/srv/TREVOLAN.FDB" ] || fail "the product database was not put in place: $out"
[[ "$out" == *"確認: サーバーを通して製品データベースを開けました"* ]] || fail "no check over the network: $out"
line1="$(printf '%s\n' "$out" | tail -2 | head -1)"
line2="$(printf '%s\n' "$out" | tail -1)"
[ "$line1" = "127.0.0.1/$port:$work/srv/TREVOLAN.FDB" ] || fail "NET.TXT line 1 is '$line1'"
[ "$line2" = "127.0.0.1" ] || fail "NET.TXT line 2 is '$line2'"
majors="$(count_majors "$line1")"
[ "$majors" -gt 0 ] || fail "the printed connection string reaches no majors: $majors"

# A second run keeps the database the office has been working on.
printf 'delete from MAS_KOUSYU_01;\ncommit;\n' | isql-fb -q -user SYSDBA -password tollgates "$line1"
out="$(bash "$script" --server "127.0.0.1/$port" --current-password tollgates --dir "$work/srv" \
    --database "$work/demo.fdb")"
[[ "$out" == *"上書きしません"* ]] || fail "no word about the existing database: $out"
[ "$(count_majors "$line1")" = 0 ] || fail "the existing product database was overwritten"

# This machine's own server configuration (a copy here) is left alone.
mkdir -p "$work/etc"
printf 'RemoteBindAddress = localhost\n' >"$work/etc/firebird.conf"
cp "$work/etc/firebird.conf" "$work/etc/before"
rc=0
out="$(bash "$script" --conf-dir "$work/etc" --dir "$work/office" --database "$work/demo.fdb" 2>&1)" || rc=$?
[ "$rc" = 3 ] || fail "an existing configuration was not refused (status $rc): $out"
[[ "$out" == *"--force"* ]] || fail "the refusal does not name --force: $out"
out="$(bash "$script" --dry-run --force --conf-dir "$work/etc" --dir "$work/office" --database "$work/demo.fdb" \
    --port 3051 --host SERVER1)"
for step in "RemoteBindAddress" "RemoteServicePort = 3051" "cp $work/demo.fdb" "chown" \
    "alter user SYSDBA" "systemctl start firebird3.0" "SERVER1/3051:$work/office/TREVOLAN.FDB"; do
    [[ "$out" == *"$step"* ]] || fail "the dry run does not show '$step': $out"
done
[[ "$out" != *"tollgates"* ]] || fail "the dry run prints the password"
cmp -s "$work/etc/firebird.conf" "$work/etc/before" || fail "the dry run changed the configuration"
[ ! -e "$work/office" ] || fail "the dry run made the database folder"
if bash "$script" --dry-run --port 70000 >/dev/null 2>&1; then fail "port 70000 accepted"; fi
echo "office server: set up and checked on 127.0.0.1/$port"
