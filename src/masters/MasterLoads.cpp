#include "MasterLoads.h"

#include "DataModule.h"
#include "Helpers.h"
#include "MemberImage.h"
#include "Schema.h"

#include <functional>

namespace {

void bindText(Query& q, const QString& param, const QString& text)
{
    q.setParam(param, Helpers::textOrNull(text));
}

// Drops a work table (a missing one is fine) and creates it afresh.
void recreate(Query& q, const QString& table)
{
    q.setSql(QStringLiteral("drop table ") + table);
    q.execIgnoringError();
    q.run(QStringLiteral("COMMIT"));
    TDM2::execCommit(q, Schema::createWorkTableSql(table));
}

// Inserts one work row per source row with the position counting 1, 2, 3 …,
// or a single placeholder row (position 1 only) when the source is empty, so
// the grid always has a row to edit; then commits once.
void copyRows(Query& src, Query& q, const QString& position, bool placeholder, const std::function<void(Query&)>& bind)
{
    int i = 0;
    for (src.first(); !src.eof(); src.next()) {
        q.clearParams();
        q.setParam(position, ++i);
        bind(q);
        q.exec();
    }
    if (i == 0 && placeholder) {
        q.clearParams();
        q.setParam(position, 1);
        q.exec();
    }
    q.run(QStringLiteral("COMMIT"));
    src.close();
}

} // namespace

bool MasterLoads::completed(Tab tab) const
{
    return m_completed[static_cast<int>(tab)];
}

void MasterLoads::begin(std::initializer_list<Tab> tabs)
{
    for (Tab tab : tabs) {
        m_completed[static_cast<int>(tab)] = false;
        m_origin[static_cast<int>(tab)] = {};
    }
}

void MasterLoads::complete(Tab tab, const ListDigest& digest, int major, int middle)
{
    m_completed[static_cast<int>(tab)] = true;
    m_dm.list(tab).setUnregistered(false);
    m_origin[static_cast<int>(tab)] = {true, major, middle, digest.result()};
}

void MasterLoads::Button2Click()
{
    // The category and member work tables are all rebuilt: none holds a complete copy
    // until its own load has run again.
    begin({Tab::Major, Tab::Middle, Tab::Member});
    Connections& c = m_dm.conn;
    if (m_screen.activeTab() == Tab::Major) {
        m_dm.IBT_bu.close();
        m_dm.IBT_chu.close();
        m_dm.IBT_dai.close();
    }
    // No other transaction may still hold a table that is about to be dropped.
    c.IBTransaction4().stop();
    c.IBTransaction3().stop();
    c.IBTransaction2().stop();
    c.IBDatabase2.reconnect();
    c.IBTransaction2().start();

    Query& q = m_dm.IBQ_FB2;
    for (const QString& table : Schema::categoryAndMemberTables())
        recreate(q, table);
    // The member rebuilds' own tables, made now rather than at the first edit.
    MemberImage::prepare(c.IBDatabase2);

    m_dm.IBT_dai.close();
    q.close();
    c.IBDatabase2.reconnect();
    c.IBTransaction2().start();
    TDM2::execCommit(q, QStringLiteral("delete from BUZAI_DAI"));

    Query& src = m_dm.IBQuery1;
    src.setSql(QStringList{QStringLiteral("select * from MAS_KOUSYU_01 order by CNT")});
    src.open();
    q.setSql(QStringList{QStringLiteral("insert into BUZAI_DAI"), QStringLiteral("(CNT,BL_kubun,NAME01,NAME02)"),
                         QStringLiteral("values"), QStringLiteral("(:CNT,:BL_kubun,:NAME01,:NAME02)")});
    ListDigest digest;
    copyRows(src, q, QStringLiteral("CNT"), true, [&src, &digest](Query& q) {
        digest.add({}, src, ListGuard::majorColumns());
        q.setParam(QStringLiteral("BL_kubun"), Helpers::toIntOrZero(src.text(QStringLiteral("BL_KUBUN"))));
        bindText(q, QStringLiteral("NAME01"), src.text(QStringLiteral("NAME01")));
        bindText(q, QStringLiteral("NAME02"), src.text(QStringLiteral("NAME02")));
    });
    m_dm.IBT_dai.open();
    complete(Tab::Major, digest);
    // Emptied with the rebuild; their own loads fill them again.
    m_dm.IBT_chu.setUnregistered(false);
    m_dm.IBT_bu.setUnregistered(false);
}

void MasterLoads::Button3Click()
{
    // The members in BUZAI_S belong to the middle category shown before.
    begin({Tab::Middle, Tab::Member});
    Connections& c = m_dm.conn;
    m_dm.IBT_chu.close();
    m_dm.IBQ_FB2.close();
    c.IBTransaction3().stop();
    c.IBDatabase3.reconnect();
    c.IBTransaction3().start();

    // The major category's row is read before its middles: a registration
    // committed in between then shows as a change, never hides one.
    const int major = m_dm.currentMajorCode();
    ListDigest digest;
    ListGuard::addParents(c.IBDatabase1, digest, major, 0);
    Query& src = m_dm.IBQuery1;
    src.setSql(QStringList{QStringLiteral("select * from MAS_KOUSYU_02"),
                           QStringLiteral("where BL_KUBUN=") + QString::number(major), QStringLiteral("order by CNT")});
    src.open();

    Query& q = m_dm.IBQ_FB3;
    TDM2::execCommit(q, QStringLiteral("delete from BUZAI_CHU"));
    // The account item is carried along so that registering the list again keeps it.
    q.setSql(QStringList{QStringLiteral("insert into BUZAI_CHU"),
                         QStringLiteral("(CNT,BL_kubun,BM_kubun,NAME01,NAME02,KU_KAMOKU)"), QStringLiteral("values"),
                         QStringLiteral("(:CNT,:BL_kubun,:BM_kubun,:NAME01,:NAME02,:KU_KAMOKU)")});
    copyRows(src, q, QStringLiteral("CNT"), true, [&src, &digest](Query& q) {
        digest.add({}, src, ListGuard::middleColumns());
        q.setParam(QStringLiteral("BL_kubun"), Helpers::toIntOrZero(src.text(QStringLiteral("BL_KUBUN"))));
        q.setParam(QStringLiteral("BM_kubun"), Helpers::toIntOrZero(src.text(QStringLiteral("BM_KUBUN"))));
        bindText(q, QStringLiteral("NAME01"), src.text(QStringLiteral("NAME01")));
        bindText(q, QStringLiteral("NAME02"), src.text(QStringLiteral("NAME02")));
        bindText(q, QStringLiteral("KU_KAMOKU"), src.text(QStringLiteral("KU_KAMOKU")));
    });
    m_dm.IBT_chu.close();
    m_dm.IBT_chu.open();
    complete(Tab::Middle, digest, major);
}

void MasterLoads::Button4Click()
{
    // The list becomes the product's copy again, whole: a parked list kept
    // across the load would merge stale rows back into it later.
    if (m_screen.memberGridNarrowed())
        m_screen.abandonNarrowing();
    begin({Tab::Member});
    Connections& c = m_dm.conn;
    m_dm.IBT_bu.close();
    if (!m_dm.IBT_dai.active()) {
        m_screen.showTab(Tab::Major);
        return;
    }
    if (!m_dm.IBT_chu.active()) {
        Button3Click();
        if (m_dm.IBT_chu.recordCount() == 0)
            m_screen.showTab(Tab::Middle);
    }
    c.IBTransaction4().restart();

    const int major = m_dm.currentMajorCode(), middle = m_dm.currentMiddleCode();
    ListDigest digest;
    ListGuard::addParents(c.IBDatabase1, digest, major, middle);
    Query& src = m_dm.IBQuery1;
    src.setSql(memberSource(major, middle));
    src.open();

    Query& q = m_dm.IBQ_touroku4;
    TDM2::execCommit(q, QStringLiteral("delete from BUZAI_S"));
    // A list loaded in the rebuilds' normal form spares the first rebuild
    // checking every row.
    WriteMark mark = c.IBDatabase4.markBefore();
    c.IBTransaction4().commitAndRestart();
    mark.by = c.IBTransaction4().id();
    bool normal = src.recordCount() > 0;
    const QStringList& columns = memberColumns();
    q.setSql(QStringList{QStringLiteral("insert into BUZAI_S"), QStringLiteral("(CNT,%1)").arg(columns.join(',')),
                         QStringLiteral("values"),
                         QStringLiteral("(:CNT,:%1)").arg(columns.join(QStringLiteral(",:")))});
    copyRows(src, q, QStringLiteral("CNT"), true, [&src, &columns, &normal, &digest](Query& q) {
        digest.add({}, src, columns);
        const QVector<QVariant> row = memberRow(src);
        normal = normal && TDM2::inNormalForm(columns, row);
        for (int i = 0; i < columns.size(); ++i)
            q.setParam(columns.at(i), row.at(i));
    });
    c.IBTransaction4().restart();
    if (normal)
        c.IBDatabase4.setMark(TDM2::normalMembersMark(), mark);
    m_dm.IBT_bu.open();
    complete(Tab::Member, digest, major, middle);
}

void MasterLoads::Button8Click()
{
    begin({Tab::Unit});
    Connections& c = m_dm.conn;
    c.IBTransaction1().restart();
    c.IBTransaction2().restart();
    Query& q = m_dm.IBQ_FB2;
    recreate(q, QStringLiteral("TANI"));
    recreate(q, QStringLiteral("TANIW"));

    Query& src = m_dm.IBQuery4;
    src.setSql(QStringList{QStringLiteral("select * from LOOK_TANI order by CD")});
    src.open();
    m_dm.IBT_TANI.close();
    q.setSql(QStringList{QStringLiteral("Insert into TANI"), QStringLiteral("(CD,NAME)"), QStringLiteral("values"),
                         QStringLiteral("(:CD,:NAME)")});
    ListDigest digest;
    copyRows(src, q, QStringLiteral("CD"), false, [&src, &digest](Query& q) {
        digest.add({}, src, ListGuard::unitColumns());
        q.setParam(QStringLiteral("NAME"), src.text(QStringLiteral("NAME")));
    });
    m_dm.IBT_TANI.close();
    m_dm.IBT_TANI.open();
    complete(Tab::Unit, digest);
}

QStringList MasterLoads::memberSource(int major, int middle)
{
    return {QStringLiteral("select %1 from MAS_BUZAI").arg(memberColumns().join(',')),
            QStringLiteral("where BL_KUBUN=") + QString::number(major),
            QStringLiteral("and BM_KUBUN=") + QString::number(middle), QStringLiteral("order by BS_KUBUN")};
}

const QStringList& MasterLoads::memberColumns()
{
    static const QStringList columns{"BL_kubun", "BM_kubun", "BS_kubun", "KU_KAMOKU", "S_CD",   "KETA",   "NAME01",
                                     "NAME02",   "NAME03",   "B_CD",     "TANI",      "KIN_01", "KIN_02", "KIN_06"};
    return columns;
}

QVector<QVariant> MasterLoads::memberRow(const Query& src)
{
    // The columns in memberColumns() order: six numbers, four texts, the unit, three amounts.
    QVector<QVariant> row;
    row.reserve(14);
    for (int i = 0; i < 6; ++i)
        row << Helpers::toIntOrZero(valueText(src.value(i)));
    for (int i = 6; i < 10; ++i)
        row << Helpers::textOrNull(Helpers::firstLine(valueText(src.value(i))));
    row << Helpers::textOrNull(Helpers::unitText(valueText(src.value(10))));
    for (int i = 11; i < 14; ++i)
        row << Helpers::parseAmount(valueText(src.value(i)));
    return row;
}
