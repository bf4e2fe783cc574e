#include "ListGuard.h"

#include "DataModule.h"
#include "DbError.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "Query.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {

int g_lockWait = 30000;

const QStringList kStamp{QStringLiteral("PC_NAME"), QStringLiteral("E_DATE01")};

// Runs `read` again while another program's transaction holds a row it locks:
// read committed, each attempt sees what was committed meanwhile.
void retryingWhileLocked(const std::function<void()>& read)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            read();
            return;
        } catch (const DbError& e) {
            if (e.kind() != ErrorText::Reason::RowLocked || waited.elapsed() >= g_lockWait)
                throw;
        }
        QThread::msleep(50);
    }
}

void noteNewest(const Query& q, ListChange* newest)
{
    if (!newest)
        return;
    const QVariant when = q.value(QStringLiteral("E_DATE01"));
    if (!when.isValid())
        return;
    const QDateTime at = when.toDateTime();
    if (!newest->when.isValid() || at > newest->when) {
        newest->when = at;
        newest->computer = q.text(QStringLiteral("PC_NAME")).trimmed();
    }
}

QString listName(Tab tab)
{
    switch (tab) {
    case Tab::Major: return QStringLiteral("大項目");
    case Tab::Middle: return QStringLiteral("中項目");
    case Tab::Member: return QStringLiteral("部材");
    case Tab::Unit: return QStringLiteral("単位");
    }
    return {};
}

// Puts the cursor on the row named `name`; false (first row) when there is none.
bool seek(TableDataset& list, const QString& name)
{
    for (list.first(); !list.eof(); list.next())
        if (list.text(QStringLiteral("NAME01")) == name)
            return true;
    list.first();
    return false;
}

} // namespace

void ListDigest::add(const QString& part, const Query& q, const QStringList& columns)
{
    QString row = part;
    for (const QString& c : columns) {
        const QVariant v = q.value(c);
        // NULL apart from an empty text.
        row += v.isValid() ? QChar(0x1F) + valueText(v) : QStringLiteral("\x1E");
    }
    m_rows << row;
}

QByteArray ListDigest::result() const
{
    QStringList rows = m_rows;
    std::sort(rows.begin(), rows.end());
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& row : std::as_const(rows)) {
        hash.addData(row.toUtf8());
        hash.addData(QByteArrayView("\n"));
    }
    return hash.result();
}

namespace ListGuard {

const QStringList& majorColumns()
{
    static const QStringList c{"CNT", "BL_KUBUN", "NAME01", "NAME02"};
    return c;
}

const QStringList& middleColumns()
{
    static const QStringList c{"CNT", "BL_KUBUN", "BM_KUBUN", "NAME01", "NAME02", "KU_KAMOKU"};
    return c;
}

const QStringList& unitColumns()
{
    static const QStringList c{"CD", "NAME"};
    return c;
}

QString majorRowSql(int major)
{
    return QStringLiteral("select BL_KUBUN, NAME01, PC_NAME, E_DATE01 from MAS_KOUSYU_01 where BL_KUBUN=%1").arg(major);
}

QString middleRowSql(int major, int middle)
{
    return QStringLiteral("select BL_KUBUN, BM_KUBUN, NAME01, PC_NAME, E_DATE01 from MAS_KOUSYU_02 "
                          "where BL_KUBUN=%1 and BM_KUBUN=%2")
        .arg(major)
        .arg(middle);
}

namespace {

// Reads `sql` (locked when asked) into the digest under `part`.
void take(Database& product, ListDigest& digest, const QString& part, const QString& sql, const QStringList& columns,
          bool lock, ListChange* newest, bool stamped)
{
    Query q(&product);
    q.setSql(lock ? sql + QStringLiteral(" with lock") : sql);
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        digest.add(part, q, columns);
        if (stamped)
            noteNewest(q, newest);
    }
    q.close();
}

void addParentRows(Database& product, ListDigest& digest, int major, int middle, bool lock, ListChange* newest)
{
    take(product, digest, QStringLiteral("L"), majorRowSql(major),
         {QStringLiteral("BL_KUBUN"), QStringLiteral("NAME01")}, lock, newest, true);
    if (middle != 0)
        take(product, digest, QStringLiteral("M"), middleRowSql(major, middle),
             {QStringLiteral("BL_KUBUN"), QStringLiteral("BM_KUBUN"), QStringLiteral("NAME01")}, lock, newest, true);
}

} // namespace

void addParents(Database& product, ListDigest& digest, int major, int middle)
{
    addParentRows(product, digest, major, middle, false, nullptr);
}

ListOrigin read(Database& product, Tab tab, const ListOrigin& origin, bool lock, ListChange* newest)
{
    ListOrigin now = origin;
    now.known = true;
    const auto attempt = [&] {
        ListDigest digest;
        if (newest)
            *newest = {};
        switch (tab) {
        case Tab::Major:
            take(product, digest, {},
                 QStringLiteral("select %1 from MAS_KOUSYU_01").arg((majorColumns() + kStamp).join(',')),
                 majorColumns(), lock, newest, true);
            break;
        case Tab::Middle:
            addParentRows(product, digest, origin.major, 0, lock, newest);
            take(product, digest, {},
                 QStringLiteral("select %1 from MAS_KOUSYU_02 where BL_KUBUN=%2")
                     .arg((middleColumns() + kStamp).join(','))
                     .arg(origin.major),
                 middleColumns(), lock, newest, true);
            break;
        case Tab::Member:
            addParentRows(product, digest, origin.major, origin.middle, lock, newest);
            take(product, digest, {},
                 QStringLiteral("select %1 from MAS_BUZAI where BL_KUBUN=%2 and BM_KUBUN=%3")
                     .arg((MasterLoads::memberColumns() + kStamp).join(','))
                     .arg(origin.major)
                     .arg(origin.middle),
                 MasterLoads::memberColumns(), lock, newest, true);
            break;
        case Tab::Unit:
            take(product, digest, {}, QStringLiteral("select CD, NAME from LOOK_TANI"), unitColumns(), lock, newest,
                 false);
            break;
        }
        now.digest = digest.result();
    };
    if (lock)
        retryingWhileLocked(attempt);
    else
        attempt();
    return now;
}

std::optional<ListChange> changed(Database& product, Tab tab, const ListOrigin& origin, bool lock)
{
    if (!origin.known)
        return std::nullopt;
    ListChange newest;
    if (read(product, tab, origin, lock, &newest).digest == origin.digest)
        return std::nullopt;
    return newest;
}

void verify(Database& product, Tab tab, const ListOrigin& origin)
{
    if (const auto change = changed(product, tab, origin, true))
        throw StaleList(*change);
}

bool registerOrRefuse(CommandContext& ctx, Tab tab, const std::function<void()>& registration)
{
    try {
        registration();
    } catch (const StaleList& stale) {
        refuse(ctx, tab, stale.change);
        return false;
    }
    return true;
}

bool changeOrNotify(MainScreen& screen, Tab tab, const std::function<void()>& change,
                    const std::function<void()>& giveBack)
{
    try {
        change();
    } catch (const StaleList& stale) {
        if (giveBack)
            giveBack();
        screen.confirmation().ask(Confirmation::Notice, staleToolMessage(tab, stale.change));
        return false;
    } catch (...) {
        if (giveBack)
            giveBack();
        throw;
    }
    return true;
}

void setLockWait(int milliseconds)
{
    g_lockWait = milliseconds;
}

QByteArray masterDigest(Database& product, const QString& table)
{
    ListDigest digest;
    Query q(&product);
    q.setSql(QStringLiteral("select * from ") + table);
    q.open();
    for (q.first(); !q.eof(); q.next())
        digest.add({}, q, q.fieldNames());
    q.close();
    return digest.result();
}

void lockMajors(Database& product)
{
    retryingWhileLocked([&] {
        Query q(&product);
        q.setSql(QStringLiteral("select BL_KUBUN from MAS_KOUSYU_01 with lock"));
        q.open();
        q.close();
    });
}

namespace {

QString whoAndWhen(const ListChange& change)
{
    QString who;
    if (!change.computer.isEmpty() && change.when.isValid())
        who = QStringLiteral("（最後の登録：パソコン「%1」、%2）")
                  .arg(change.computer, change.when.toString(QStringLiteral("yyyy/MM/dd HH:mm")));
    else if (change.when.isValid())
        who = QStringLiteral("（最後の登録：%1）").arg(change.when.toString(QStringLiteral("yyyy/MM/dd HH:mm")));
    return who;
}

} // namespace

QString staleMessage(Tab tab, const ListChange& change)
{
    return QStringLiteral(
               "この%1の一覧を読み込んだ後に、他の利用者が製品データベースのマスターを登録しました%2。\n"
               "この一覧のまま登録すると、その登録を古い内容で上書きしてしまうため、何も変更しませんでした。")
        .arg(listName(tab), whoAndWhen(change));
}

QString staleToolMessage(Tab tab, const ListChange& change)
{
    return QStringLiteral("この%1の一覧を読み込んだ後に、他の利用者が製品データベースのマスターを登録しました%2。\n"
                          "一覧と製品データベースの内容が違うため、何も変更しませんでした。\n"
                          "タブを表示し直して一覧を読み込んでから、もう一度実行してください。")
        .arg(listName(tab), whoAndWhen(change));
}

QString reloadQuestion()
{
    return QStringLiteral("\n\n一覧を読み込み直しますか？\n"
                          "「はい」：この一覧をＣＳＶファイルに残すかどうかをお尋ねしてから、今の内容を読み込みます。"
                          "未登録の変更は、読み込み直した一覧に入力し直してください。\n"
                          "「いいえ」：一覧をこのまま残します（このままでは登録できません）。");
}

bool stillCurrent(CommandContext& ctx, Tab tab)
{
    const auto change = changed(ctx.dm.conn.IBDatabase1, tab, ctx.loads.origin(tab), false);
    if (change)
        refuse(ctx, tab, *change);
    return !change;
}

void refuse(CommandContext& ctx, Tab tab, const ListChange& change)
{
    const std::function<bool()>& exportList = ctx.loads.exportList;
    const bool exportable = exportList && tab != Tab::Unit;
    QString question = staleMessage(tab, change) + reloadQuestion();
    if (!exportable)
        question.replace(QStringLiteral("この一覧をＣＳＶファイルに残すかどうかをお尋ねしてから、"), QString());
    if (ctx.screen.confirmation().ask(Confirmation::Question, question) != Confirmation::Ok)
        return;
    // A list the user meant to keep in a file and that is not in one stays on
    // screen: its unregistered rows are not given up for the reload.
    if (exportable && !exportList()) {
        ctx.screen.confirmation().ask(Confirmation::Notice,
                                      QStringLiteral("ファイルに保存されなかったため、一覧をこのまま残しました。\n"
                                                     "読み込み直すには、もう一度「登録」を押してください。"));
        return;
    }
    reload(ctx, tab);
}

void reload(CommandContext& ctx, Tab tab)
{
    TDM2& dm = ctx.dm;
    MasterLoads& loads = ctx.loads;
    if (tab == Tab::Unit) {
        loads.Button8Click();
        return;
    }
    if (tab == Tab::Major) {
        loads.Button2Click();
        return;
    }
    const QString majorName = dm.IBT_dai.active() ? dm.IBT_dai.text(QStringLiteral("NAME01")) : QString();
    const QString middleName =
        tab == Tab::Member && dm.IBT_chu.active() ? dm.IBT_chu.text(QStringLiteral("NAME01")) : QString();
    // The lists above load with the guard on, as when the tab is shown: each of
    // their row changes would load the list below again.
    const int guard = ctx.state.reloadGuard;
    ctx.state.reloadGuard = 1;
    QStringList gone;
    try {
        dm.IBT_bu.close();
        dm.IBT_chu.close();
        dm.IBT_dai.close();
        dm.conn.IBTransaction4().stop();
        dm.conn.IBTransaction3().stop();
        loads.Button2Click();
        if (!seek(dm.IBT_dai, majorName))
            gone << QStringLiteral("大項目「%1」").arg(majorName);
        loads.Button3Click();
        if (tab == Tab::Member) {
            if (gone.isEmpty() && !seek(dm.IBT_chu, middleName))
                gone << QStringLiteral("中項目「%1」").arg(middleName);
            ctx.state.reloadGuard = guard;
            loads.Button4Click();
        }
    } catch (...) {
        ctx.state.reloadGuard = guard;
        throw;
    }
    ctx.state.reloadGuard = guard;
    if (!gone.isEmpty())
        ctx.screen.confirmation().ask(Confirmation::Notice, QStringLiteral("%1は製品データベースにもうありません。\n"
                                                                           "一覧の先頭の分類を読み込みました。")
                                                                .arg(gone.first()));
}

} // namespace ListGuard
