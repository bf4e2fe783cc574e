#include "ErrorText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <ibase.h>

namespace ErrorText {

QList<long> Status::codes() const
{
    QList<long> out;
    for (const Entry& e : entries)
        out << e.code;
    return out;
}

bool isRemote(const QString& path)
{
    return path.indexOf(u':') > 1;
}

namespace {

bool anyOf(const QList<long>& codes, std::initializer_list<ISC_STATUS> wanted)
{
    for (const ISC_STATUS w : wanted)
        if (codes.contains(static_cast<long>(w)))
            return true;
    return false;
}

} // namespace

Reason networkReason(const QList<long>& codes, const QString& statement)
{
    if (anyOf(codes, {isc_login}))
        return Reason::LoginRefused;
    if (anyOf(codes,
              {isc_update_conflict, isc_lock_conflict, isc_deadlock, isc_concurrent_transaction, isc_lock_timeout}))
        return Reason::RowLocked;
    // A read or write that fails on an established connection, or a server that
    // shuts the attachment down: the connection is gone.
    if (anyOf(codes, {isc_net_read_err, isc_net_write_err, isc_conn_lost, isc_lost_db_connection, isc_att_shutdown,
                      isc_shutdown, isc_net_server_shutdown}))
        return Reason::ConnectionLost;
    if (anyOf(codes, {isc_network_error, isc_net_connect_err, isc_net_connect_listen_err, isc_net_lookup_err,
                      isc_connect_reject}))
        return Reason::Unreachable;
    // An I/O error means a missing or unusable file only while attaching; later it
    // is a disk fault on the server, which these messages do not cover.
    if (statement.startsWith(QStringLiteral("CONNECT"), Qt::CaseInsensitive) &&
        anyOf(codes, {isc_io_error, isc_io_open_err, isc_bad_db_format, isc_io_read_err}))
        return Reason::ServerFileMissing;
    return Reason::None;
}

QString networkMessage(Reason reason)
{
    switch (reason) {
    case Reason::RowLocked:
        return QStringLiteral("他の利用者が同じデータを変更中のため、処理できませんでした。\n"
                              "相手の作業が終わるのを待ってから、もう一度実行してください。");
    case Reason::Unreachable:
        return QStringLiteral("データベースサーバーに接続できません。\n"
                              "サーバーが起動しているか、NET.TXT のサーバー名とネットワークを確認してください。");
    case Reason::ServerFileMissing:
        return QStringLiteral("データベースファイルを開けません。\n"
                              "NET.TXT の 1 行目（サーバー名:パス）がサーバー上のデータベースファイルを指しているか"
                              "確認してください。");
    case Reason::LoginRefused:
        return QStringLiteral("データベースサーバーがユーザー名またはパスワードを受け付けませんでした。\n"
                              "サーバーの利用者 sysdba の設定を管理者に確認してください。");
    case Reason::ConnectionLost:
        return QStringLiteral("データベースサーバーとの接続が切れました。\n"
                              "書き込み途中の変更は取り消されています。サーバーとネットワークを確認し、"
                              "プログラムを起動し直してください。");
    default: break;
    }
    return {};
}

namespace {

const Status::Entry* find(const Status& s, std::initializer_list<ISC_STATUS> wanted)
{
    for (const Status::Entry& e : s.entries)
        for (const ISC_STATUS w : wanted)
            if (e.code == static_cast<long>(w))
                return &e;
    return nullptr;
}

bool has(const Status& s, std::initializer_list<ISC_STATUS> wanted)
{
    return find(s, wanted) != nullptr;
}

// The name an entry's arguments (or those of the entry after it) carry:
// "Column unknown" is followed by the column, possibly qualified and quoted.
QString nameAfter(const Status& s, const Status::Entry* entry)
{
    const auto at = entry - s.entries.constData();
    for (auto i = at; i < s.entries.size() && i <= at + 1; ++i)
        if (!s.entries.at(i).strings.isEmpty()) {
            QString name = s.entries.at(i).strings.first();
            name = name.mid(name.lastIndexOf(u'.') + 1);
            name.remove(u'"');
            return name;
        }
    return {};
}

// The file of a CONNECT or CREATE DATABASE statement.
QString fileOf(const QString& statement)
{
    static const QString connect = QStringLiteral("CONNECT ");
    if (statement.startsWith(connect, Qt::CaseInsensitive))
        return statement.mid(connect.size()).trimmed();
    const qsizetype open = statement.indexOf(u'\'');
    const qsizetype close = statement.indexOf(u'\'', open + 1);
    return open >= 0 && close > open ? statement.mid(open + 1, close - open - 1) : QString();
}

// A file the engine could not open or create, by the system's error number.
Reason fileReason(const Status& s, bool creating)
{
    switch (s.osError) {
    case ENOENT: return creating ? Reason::FolderMissing : Reason::FileMissing;
    case ENOTDIR: return Reason::FolderMissing;
    case EISDIR: return Reason::IsFolder;
    case EACCES:
    case EPERM:
    case EROFS: return Reason::AccessDenied;
    case ENOSPC:
    case EDQUOT: return Reason::DiskFull;
    case EBUSY:
    case ETXTBSY: return Reason::FileInUse;
    default: break;
    }
    // "File size is less than expected" and "not a valid database" carry no number.
    if (has(s, {isc_io_error, isc_io_open_err, isc_io_read_err, isc_bad_db_format, isc_db_corrupt, isc_wrong_ods}))
        return creating ? Reason::AccessDenied : Reason::FileDamaged;
    return Reason::None;
}

} // namespace

Failure classify(const Status& s, const QString& statement)
{
    const bool connecting = statement.startsWith(QStringLiteral("CONNECT"), Qt::CaseInsensitive);
    const bool creating = statement.startsWith(QStringLiteral("CREATE DATABASE"), Qt::CaseInsensitive);
    const QString file = (connecting || creating) ? fileOf(statement) : QString();
    if (has(s, {isc_read_only_database}))
        return {Reason::ReadOnlyDatabase, {}, 0, 0};
    // Another engine (a server, or another program with its own embedded engine)
    // holds the file.
    if (has(s, {isc_already_opened}) || (connecting && has(s, {isc_obj_in_use, isc_lock_timeout})))
        return {Reason::FileInUse, file, 0, 0};
    if (const Reason network = networkReason(s.codes(), statement); network != Reason::None) {
        // A local file the engine cannot open is this machine's matter, not NET.TXT's.
        if (network != Reason::ServerFileMissing || isRemote(file))
            return {network, file, 0, 0};
    }
    if ((connecting || creating) && !isRemote(file))
        if (const Reason r = fileReason(s, creating); r != Reason::None)
            return {r, file, 0, 0};
    if (has(s, {isc_bad_db_format, isc_db_corrupt, isc_wrong_ods}))
        return {Reason::FileDamaged, file, 0, 0};
    if (s.osError == ENOSPC || s.osError == EDQUOT)
        return {Reason::DiskFull, file, 0, 0};
    if (const auto* e = find(s, {isc_dsql_field_err, isc_dyn_column_does_not_exist}))
        return {Reason::ColumnMissing, nameAfter(s, e), 0, 0};
    if (const auto* e = find(s, {isc_dsql_relation_err, isc_dsql_table_not_found}))
        return {Reason::TableMissing, nameAfter(s, e), 0, 0};
    if (has(s, {isc_string_truncation})) {
        // "expected length 20, actual 25"
        const auto* limits = find(s, {isc_trunc_limits});
        return {Reason::ValueTooLong,
                {},
                limits ? int(limits->numbers.value(0)) : 0,
                limits ? int(limits->numbers.value(1)) : 0};
    }
    if (has(s, {isc_transliteration_failed, isc_malformed_string}))
        return {Reason::CharacterNotStored, {}, 0};
    return {};
}

namespace {

struct Parts {
    QString happened;
    QString todo;
};

Parts parts(const Failure& f, const QString& role)
{
    const QString db = role.isEmpty() ? QStringLiteral("データベース") : role;
    const QString file = f.subject.isEmpty()
                             ? db
                             : db + QStringLiteral("「") + QDir::toNativeSeparators(f.subject) + QStringLiteral("」");
    const bool work = role == QStringLiteral("作業用データベース");
    switch (f.reason) {
    case Reason::None:
    case Reason::RowLocked:
    case Reason::Unreachable:
    case Reason::LoginRefused:
    case Reason::ConnectionLost:
    case Reason::ServerFileMissing: break;
    case Reason::FileMissing:
        if (role == QStringLiteral("第２データベース"))
            return {file + QStringLiteral("がありません。"),
                    QStringLiteral("複写元のデータベースをこの名前で置いてから、もう一度実行してください。")};
        if (work)
            return {file + QStringLiteral("がありません。"),
                    QStringLiteral("プログラムを起動し直すと作り直されます。")};
        return {file + QStringLiteral("がありません。"),
                QStringLiteral("ファイルがこの場所にあるか確認してください。製品データベースが別の場所やサーバーにある"
                               "ときは、プログラムフォルダーの NET.TXT の 1 行目にその場所を書いてください。")};
    case Reason::FolderMissing: {
        const QString folder = QDir::toNativeSeparators(QFileInfo(f.subject).path());
        return {file + QStringLiteral("を作れません。フォルダー「") + folder +
                    QStringLiteral("」がないか、フォルダーとして使えません。"),
                QStringLiteral("フォルダーを作り、書き込めるようにしてから、プログラムを起動し直してください。")};
    }
    case Reason::FileInUse:
        return {
            file + QStringLiteral("は他のプログラムが使用中のため、開けません。"),
            QStringLiteral("このデータベースを開いているプログラム（データベースサーバーや別のツール）を終了してから、"
                           "もう一度実行してください。")};
    case Reason::FileDamaged:
        return {file + QStringLiteral("をデータベースとして読めません。壊れているか、データベースではないファイル"
                                      "（空のファイルなど）です。"),
                work ? QStringLiteral(
                           "このファイルを削除してプログラムを起動し直すと、作業用データベースが作り直されます。")
                     : QStringLiteral("バックアップから戻すか、管理者に相談してください。")};
    case Reason::IsFolder:
        return {file + QStringLiteral("はフォルダーです。"),
                QStringLiteral("データベースファイルのパスを指定してください。")};
    case Reason::AccessDenied:
        return {file + QStringLiteral("を開く権限がないか、書き込めない場所にあります。"),
                QStringLiteral("ファイルとフォルダーの権限（読み取り専用になっていないか）を確認してください。")};
    case Reason::DiskFull:
        return {QStringLiteral("ディスクの空きがないため、") + file + QStringLiteral("に書き込めませんでした。"),
                QStringLiteral("不要なファイルを削除して空きを作ってから、もう一度実行してください。")};
    case Reason::ReadOnlyDatabase:
        return {file + QStringLiteral("は読み取り専用に設定されているため、書き込めませんでした。"),
                QStringLiteral("管理者に読み取り専用の設定を外してもらって（gfix -mode read_write）から、"
                               "もう一度実行してください。")};
    case Reason::ColumnMissing:
        return {db + QStringLiteral("に列「") + f.subject + QStringLiteral("」がありません。") + db +
                    QStringLiteral("がこのプログラムより古い版のものです。"),
                db + QStringLiteral("を新しい版に更新してから、もう一度実行してください。")};
    case Reason::TableMissing:
        return {db + QStringLiteral("に表「") + f.subject + QStringLiteral("」がありません。") + db +
                    QStringLiteral("がこのプログラムより古い版のものか、別の製品のデータベースです。"),
                db + QStringLiteral("を新しい版に更新してから、もう一度実行してください。")};
    case Reason::ValueTooLong: {
        // The engine's lengths count characters or bytes, as it found the overflow:
        // no number the user could rely on; they stay in the details.
        const QString what = f.subject.isEmpty() ? QStringLiteral("値") : QStringLiteral("「%1」の値").arg(f.subject);
        return {what + QStringLiteral("が長すぎるため、保存できませんでした。"),
                QStringLiteral("値を短くしてから、もう一度実行してください。")};
    }
    case Reason::CharacterNotStored: {
        const QString where = f.subject.isEmpty() ? QString() : QStringLiteral("「%1」に").arg(f.subject);
        return {where + QStringLiteral("データベースに保存できない文字があります。"),
                QStringLiteral("その文字を別の文字に置き換えてから、もう一度実行してください。")};
    }
    }
    return {};
}

} // namespace

QString sentence(const Failure& failure, const QString& role, bool unchanged)
{
    if (const QString network = networkMessage(failure.reason); !network.isEmpty())
        return network;
    const Parts p = parts(failure, role);
    if (p.happened.isEmpty())
        return {};
    return p.happened + (unchanged ? QStringLiteral("\n何も変更していません。") : QString()) + u'\n' + p.todo;
}

QString forErrno(int error)
{
    switch (error) {
    case 0: return QStringLiteral("ファイルを読み書きできませんでした。");
    case ENOENT: return QStringLiteral("ファイルまたはフォルダーがありません。場所と名前を確認してください。");
    case ENOTDIR: return QStringLiteral("パスの途中にフォルダーではないものがあります。場所を確認してください。");
    case EISDIR: return QStringLiteral("同じ名前のフォルダーがあります。別の名前を指定してください。");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが許可されていません。ファイルとフォルダーの権限を確認してください。");
    case EROFS: return QStringLiteral("読み取り専用の場所です。書き込める場所を指定してください。");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ディスクの空きがありません。空きを作ってから、もう一度実行してください。");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("他のプログラムが使用中です。そのプログラムを終了してから、もう一度実行してください。");
    case ENAMETOOLONG: return QStringLiteral("ファイル名が長すぎます。短い名前を指定してください。");
    case EMFILE:
    case ENFILE:
        return QStringLiteral(
            "開いているファイルが多すぎます。他のプログラムを終了してから、もう一度実行してください。");
    case EIO: return QStringLiteral("ディスクの読み書きに失敗しました。ディスクや接続を確認してください。");
    default: break;
    }
    return QStringLiteral("ファイルを読み書きできませんでした（システムエラー %1）。").arg(error);
}

QString columnCaption(const QString& column)
{
    static const QHash<QString, QString> captions = {
        {"NAME01", "名称"},     {"NAME02", "摘要"},      {"TANI", "単位"},    {"TAN", "単位"},
        {"KIN_01", "原価"},     {"KIN_02", "単価"},      {"KIN_06", "定価"},  {"NAME03", "備考"},
        {"S_CD", "業者CD"},     {"KU_KAMOKU", "科目"},   {"KETA", "桁"},      {"B_CD", "部材CD"},
        {"NAME", "名称"},       {"NAME_01", "名称"},     {"NAME_02", "摘要"}, {"BL_KUBUN", "大項目"},
        {"BM_KUBUN", "中項目"}, {"BS_KUBUN", "部材番号"}};
    return captions.value(column.toUpper(), column);
}

} // namespace ErrorText
