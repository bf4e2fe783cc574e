#include "NetworkErrors.h"

#include <ibase.h>

namespace NetworkErrors {

namespace {

bool any(const QList<long>& codes, std::initializer_list<ISC_STATUS> wanted)
{
    for (const ISC_STATUS w : wanted)
        if (codes.contains(static_cast<long>(w)))
            return true;
    return false;
}

} // namespace

Kind classify(const QList<long>& codes, const QString& statement)
{
    if (any(codes, {isc_login}))
        return Kind::LoginRefused;
    if (any(codes,
            {isc_update_conflict, isc_lock_conflict, isc_deadlock, isc_concurrent_transaction, isc_lock_timeout}))
        return Kind::RowLocked;
    // A read or write that fails on an established connection, or a server that
    // shuts the attachment down: the connection is gone.
    if (any(codes, {isc_net_read_err, isc_net_write_err, isc_conn_lost, isc_lost_db_connection, isc_att_shutdown,
                    isc_shutdown, isc_net_server_shutdown}))
        return Kind::ConnectionLost;
    if (any(codes, {isc_network_error, isc_net_connect_err, isc_net_connect_listen_err, isc_net_lookup_err,
                    isc_connect_reject}))
        return Kind::Unreachable;
    // An I/O error means a missing or unusable file only while attaching; later it
    // is a disk fault on the server, which these messages do not cover.
    if (statement.startsWith(QStringLiteral("CONNECT"), Qt::CaseInsensitive) &&
        any(codes, {isc_io_error, isc_io_open_err, isc_bad_db_format, isc_io_read_err}))
        return Kind::FileNotFound;
    return Kind::None;
}

QString message(Kind kind)
{
    switch (kind) {
    case Kind::None: break;
    case Kind::RowLocked:
        return QStringLiteral("他の利用者が同じデータを変更中のため、処理できませんでした。\n"
                              "相手の作業が終わるのを待ってから、もう一度実行してください。");
    case Kind::Unreachable:
        return QStringLiteral("データベースサーバーに接続できません。\n"
                              "サーバーが起動しているか、NET.TXT のサーバー名とネットワークを確認してください。");
    case Kind::FileNotFound:
        return QStringLiteral("データベースファイルを開けません。\n"
                              "NET.TXT の 1 行目（サーバー名:パス）がサーバー上のデータベースファイルを指しているか"
                              "確認してください。");
    case Kind::LoginRefused:
        return QStringLiteral("データベースサーバーがユーザー名またはパスワードを受け付けませんでした。\n"
                              "サーバーの利用者 sysdba の設定を管理者に確認してください。");
    case Kind::ConnectionLost:
        return QStringLiteral("データベースサーバーとの接続が切れました。\n"
                              "書き込み途中の変更は取り消されています。サーバーとネットワークを確認し、"
                              "プログラムを起動し直してください。");
    }
    return {};
}

} // namespace NetworkErrors
