#include "WorkTypeRegistration.h"

#include "DataModule.h"
#include "Helpers.h"
#include "ListGuard.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "RegistrationBackup.h"
#include "RegistrationSupport.h"
#include "RenumberingPreview.h"

#include <QDateTime>

namespace {

QVariant nameValue(const QString& text)
{
    return Helpers::textOrNull(Helpers::firstLine(text));
}

void openIfClosed(TableDataset& d)
{
    if (!d.active())
        d.open();
}

// A table that refers to a category; `packed`, when set, is the code the other two
// are unpacked from.
struct CodeColumns {
    QString table, major, middle, packed;
};

const CodeColumns kScheduleMaster{"MAS_SIAGE02", "BL_kubun", "BM_kubun", {}};
const CodeColumns kSchedule{"DAT_SIAGE02", "BL_kubun", "BM_kubun", {}};
const CodeColumns kPastDetails[] = {{"DAT_MEISAI03", "L_KUBUN", "M_KUBUN", "KU_KOUSYU"},
                                    {"DAT_JIKKOU", "L_KUBUN", "M_KUBUN", "KOUSYU"},
                                    {"DAT_JIKKOU_MEISAI", "L_kubun", "M_kubun", {}},
                                    {"DAT_MITUMORI_M", "BL_kubun", "BM_kubun", {}}};

// Gives the rows that carry a negative code (in the packed code, with `fromPacked`
// and a table that has one) the codes of no category. A NULL code stays NULL.
QString noCategorySql(const CodeColumns& t, bool fromPacked)
{
    if (fromPacked && !t.packed.isEmpty())
        return QStringLiteral("UPDATE %1 set %2=%5, %3=%6, %4=%7 where %4<0 and "
                              "(%4<>%7 or %2 is distinct from %5 or %3 is distinct from %6)")
            .arg(t.table, t.major, t.middle, t.packed)
            .arg(kNoMajor)
            .arg(kNoMiddle)
            .arg(kNoPacked);
    return QStringLiteral("UPDATE %1 set %2=IIF(%2 is null, null, %4), %3=IIF(%3 is null, null, %5) "
                          "where (%2<0 or %3<0) and (%2<>%4 or %3<>%5)")
        .arg(t.table, t.major, t.middle)
        .arg(kNoMajor)
        .arg(kNoMiddle);
}

// Before sign marking: a negative code left by older versions of this program
// already reads as no category. Made the one that nothing selects, it can meet
// neither sign marking (which would make it positive) nor a renumbering step.
void markOlderLeftovers(Query& q, bool pastDetails)
{
    q.run(noCategorySql(kScheduleMaster, true));
    q.run(noCategorySql(kSchedule, true));
    if (pastDetails)
        for (const CodeColumns& t : kPastDetails)
            q.run(noCategorySql(t, true));
}

// After the renumbering, before the codes are packed again: what is still negative
// belonged to a category that is gone.
void markGone(Query& q, bool scheduleMaster, bool pastDetails)
{
    if (scheduleMaster)
        q.run(noCategorySql(kScheduleMaster, false));
    q.run(noCategorySql(kSchedule, false));
    if (pastDetails)
        for (const CodeColumns& t : kPastDetails)
            q.run(noCategorySql(t, false));
}

// The product statements that sign-mark the codes the registration of a level
// renumbers. Only positive codes are marked: a negative one is no category by now.
QStringList majorMarking(const QString&, bool pastDetails)
{
    QStringList sql;
    for (const char* table : {"MAS_BUZAI", "MAS_SIAGE02", "DAT_SIAGE02", "MAS_KOUSYU_02"})
        sql << QStringLiteral("UPDATE %1 set BL_kubun=BL_kubun*(-1) where BL_kubun>0").arg(QLatin1String(table));
    if (pastDetails) {
        // Unpack the packed codes: the major part negated, the middle part on its own.
        // A negative packed code is no category already; negated, its major would not fit.
        const QString unpack = QStringLiteral("UPDATE %1 set %2 where %3 is null or %3>=0");
        sql << unpack.arg("DAT_MEISAI03", "L_KUBUN=KU_KOUSYU/100*(-1)", "KU_KOUSYU")
            << unpack.arg("DAT_MEISAI03", "M_KUBUN=KU_KOUSYU-L_KUBUN*(-100)", "KU_KOUSYU")
            << unpack.arg("DAT_JIKKOU", "L_KUBUN=KOUSYU/100*(-1)", "KOUSYU")
            << unpack.arg("DAT_JIKKOU", "M_KUBUN=KOUSYU-L_KUBUN*(-100)", "KOUSYU")
            << QStringLiteral("UPDATE DAT_JIKKOU_MEISAI set L_kubun=L_kubun*(-1) where L_kubun>0")
            << QStringLiteral("UPDATE DAT_MITUMORI_M set BL_kubun=BL_kubun*(-1) where BL_kubun>0");
    }
    return sql;
}

QStringList middleMarking(const QString& bl, bool pastDetails)
{
    QStringList sql{QStringLiteral("DELETE FROM MAS_BUZAI where BL_kubun<=0 or BM_kubun<=0"),
                    QStringLiteral("UPDATE MAS_BUZAI set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl};
    const QString positive = QStringLiteral(" and BM_kubun>0");
    for (const char* table : {"MAS_SIAGE02", "DAT_SIAGE02"})
        sql << QStringLiteral("UPDATE %1 set BM_kubun=BM_kubun*(-1) where BL_kubun=").arg(QLatin1String(table)) + bl +
                   positive;
    if (pastDetails) {
        // Both parts from the packed code (positive unless no category), then the
        // middle part of this major negated.
        sql << QStringLiteral("UPDATE DAT_MEISAI03 set L_KUBUN=KU_KOUSYU/100")
            << QStringLiteral("UPDATE DAT_MEISAI03 set M_KUBUN=(KU_KOUSYU-L_KUBUN*100)")
            << QStringLiteral("UPDATE DAT_JIKKOU set L_KUBUN=KOUSYU/100")
            << QStringLiteral("UPDATE DAT_JIKKOU set M_KUBUN=(KOUSYU-L_KUBUN*100)");
        for (const char* table : {"DAT_JIKKOU_MEISAI", "DAT_JIKKOU", "DAT_MEISAI03"})
            sql << QStringLiteral("UPDATE %1 set M_kubun=M_kubun*(-1) where L_kubun=").arg(QLatin1String(table)) + bl +
                       QStringLiteral(" and M_kubun>0");
        sql << QStringLiteral("UPDATE DAT_MITUMORI_M set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl + positive;
    }
    return sql;
}

// The code columns the grid's steps renumber.
QVector<RenumberTarget> majorTargets(const QString&, bool pastDetails)
{
    QVector<RenumberTarget> targets = {{"MAS_KOUSYU_02", "BL_kubun", {}, false},
                                       {"MAS_BUZAI", "BL_kubun", {}, false},
                                       {"MAS_SIAGE02", "BL_kubun", {}, false},
                                       {"DAT_SIAGE02", "BL_kubun", {}, false}};
    if (pastDetails)
        targets += {{"DAT_JIKKOU", "L_KUBUN", {}, false},
                    {"DAT_JIKKOU_MEISAI", "L_kubun", {}, false},
                    {"DAT_MEISAI03", "L_kubun", {}, false},
                    {"DAT_MITUMORI_M", "BL_kubun", {}, false}};
    return targets;
}

QVector<RenumberTarget> middleTargets(const QString& bl, bool pastDetails)
{
    const QString scope = QStringLiteral("BL_kubun=") + bl;
    const QString detailScope = QStringLiteral("L_kubun=") + bl;
    QVector<RenumberTarget> targets = {{"MAS_BUZAI", "BM_kubun", scope, true},
                                       {"MAS_SIAGE02", "BM_kubun", scope, false},
                                       {"DAT_SIAGE02", "BM_kubun", scope, false}};
    if (pastDetails)
        targets += {{"DAT_JIKKOU", "M_kubun", detailScope, false},
                    {"DAT_JIKKOU_MEISAI", "M_kubun", detailScope, false},
                    {"DAT_MEISAI03", "M_kubun", detailScope, false},
                    {"DAT_MITUMORI_M", "BM_kubun", scope, false}};
    return targets;
}

QStringList fusedMajors(const CodeRenumbering& renumbering, int, bool pastDetails)
{
    return fusedMajorSql(renumbering, pastDetails);
}

} // namespace

// What differs between the registration of the major categories and that of the
// middle categories of one major category.
struct WorkTypeRegistration::Level {
    Tab tab;
    TableDataset TDM2::*grid;
    Database Connections::*work;
    Query TDM2::*workQuery;
    const char* workTable;  // the grid's work table
    const char* codeColumn; // the code the grid order renumbers
    const char* master;     // the product's category master
    const char* masterName; // for the notice of a registration that would empty it
    QString (*question)();
    int progressPerRow;        // the progress maximum is this × rows + 20
    bool prepareProductAlways; // reconnect and DAT_JIKKOU's columns, also without past details
    void (MasterLoads::*reload)();
    QStringList (*marking)(const QString& bl, bool pastDetails);
    QVector<RenumberTarget> (*targets)(const QString& bl, bool pastDetails);
    QStringList (*fused)(const CodeRenumbering&, int major, bool pastDetails);
    // What is still negative afterwards belonged to a category that is gone.
    QStringList leftovers;

    bool middle() const { return tab == Tab::Middle; }
};

namespace {

// The schedule master's lines of a major that is gone are deleted; lines left
// without category by an earlier registration stay.
const WorkTypeRegistration::Level kMajors{
    Tab::Major,
    &TDM2::IBT_dai,
    &Connections::IBDatabase2,
    &TDM2::IBQ_FB2,
    "BUZAI_DAI",
    "BL_KUBUN",
    "MAS_KOUSYU_01",
    "大項目マスター",
    &WorkTypeRegistration::majorQuestion,
    5,
    true,
    &MasterLoads::Button2Click,
    majorMarking,
    majorTargets,
    fusedMajors,
    {QStringLiteral("DELETE FROM MAS_SIAGE02 where BL_KUBUN<0 and BL_KUBUN<>%1").arg(kNoMajor),
     QStringLiteral("DELETE FROM MAS_KOUSYU_02 where BL_KUBUN<0"),
     QStringLiteral("DELETE FROM MAS_BUZAI where BL_KUBUN<0")}};

const WorkTypeRegistration::Level kMiddles{Tab::Middle,
                                           &TDM2::IBT_chu,
                                           &Connections::IBDatabase3,
                                           &TDM2::IBQ_FB3,
                                           "BUZAI_CHU",
                                           "BM_KUBUN",
                                           "MAS_KOUSYU_02",
                                           "中項目マスター",
                                           &WorkTypeRegistration::middleQuestion,
                                           7,
                                           false,
                                           &MasterLoads::Button3Click,
                                           middleMarking,
                                           middleTargets,
                                           fusedMiddleSql,
                                           {QStringLiteral("DELETE FROM MAS_BUZAI where BM_KUBUN<0")}};

} // namespace

WorkTypeRegistration::WorkTypeRegistration(CommandContext& context) : m_ctx(context), m_renumber(renumberPerTable()) {}

QString WorkTypeRegistration::pastDetailsWarning()
{
    // Line feed then carriage return between the lines, as the suite's dialogs expect.
    return QStringList{
        QStringLiteral("過去の見積明細・発注明細も修正変更します。"),
        QStringLiteral(" 変換に時間がかかりますが強制終了しないでください。"),
        QStringLiteral(" 順序の入換などをした際に過去の見積・発注・仕入の工種も変更するように設定できます。"),
        QStringLiteral(" 但し、工種の追加は、対応しますが工種を削除されたりするとデーターに不整合が出ます。"),
        QStringLiteral(" 他のシステムを使用する前に工種マスターを確定させてください？")}
        .join(QStringLiteral("\n\r"));
}

QString WorkTypeRegistration::noMajorMessage()
{
    return QStringLiteral("大項目が選ばれていないため、中項目は登録しませんでした。\n"
                          "大項目を選んでから登録し直してください。");
}

QString WorkTypeRegistration::majorQuestion()
{
    return QStringLiteral("大項目マスターを登録しますか？");
}
QString WorkTypeRegistration::middleQuestion()
{
    return QStringLiteral("中項目マスターを登録しますか？");
}

QStringList WorkTypeRegistration::insertStatement(Tab tab)
{
    if (tab == Tab::Major)
        return {QStringLiteral("INSERT INTO MAS_KOUSYU_01"),
                QStringLiteral("(CNT,BL_kubun,NAME01,NAME02,e_date01,e_date04,PC_NAME)"), QStringLiteral("values"),
                QStringLiteral("(:CNT,:BL_kubun,:NAME01,:NAME02,:e_date01,:e_date04,:PC_NAME)")};
    return {QStringLiteral("INSERT INTO MAS_KOUSYU_02"),
            QStringLiteral("(CNT,BL_kubun,BM_kubun,NAME01,NAME02,e_date01,e_date04,PC_NAME,KU_KAMOKU)"),
            QStringLiteral("values"),
            QStringLiteral("(:CNT,:BL_kubun,:BM_kubun,:NAME01,:NAME02,:e_date01,:e_date04,:PC_NAME,:KU_KAMOKU)")};
}

void WorkTypeRegistration::Button6Click()
{
    registerLevel(kMajors, 0);
}

void WorkTypeRegistration::Button7Click()
{
    const int major = m_ctx.dm.currentMajorCode ? m_ctx.dm.currentMajorCode() : 0;
    // No live major category has a code below 1; registering under one would also
    // let the renumbering reach rows of no category.
    if (major <= 0) {
        m_ctx.screen.confirmation().ask(Confirmation::Notice, noMajorMessage());
        return;
    }
    registerLevel(kMiddles, major);
}

void WorkTypeRegistration::restoreScreen(Tab tab, TableDataset& grid)
{
    Registration::quietly([&] { openIfClosed(grid); });
    m_ctx.screen.endWork(tab);
    m_ctx.screen.progress().finish();
}

// Rows without a name are not registered; none left would empty the master.
// Middle categories of other majors stay.
bool WorkTypeRegistration::leavesMasterEmpty(const Level& level, int major)
{
    TDM2& dm = m_ctx.dm;
    if (Registration::hasNamedRow(dm.conn.*level.work, QLatin1String(level.workTable), {QStringLiteral("NAME01")}))
        return false;
    return !level.middle() ||
           Registration::count(
               dm.conn.IBDatabase1,
               QStringLiteral("select count(*) from MAS_KOUSYU_02 where BL_kubun is distinct from %1").arg(major)) == 0;
}

// Codes that others' open screens still hold are about to change, and rows may
// go: the user may stop while nothing has changed yet.
bool WorkTypeRegistration::goOnWithRenumbering(const Level& level, int major, bool convertDetails)
{
    Connections& conn = m_ctx.dm.conn;
    RenumberingQuestions& ask = m_ctx.screen.renumberingQuestions();
    QList<Database*> ours{&conn.IBDatabase1};
    if (conn.IBDatabase5.databaseName() == conn.IBDatabase1.databaseName())
        ours << &conn.IBDatabase5;
    const QList<OtherAttachment> others = otherAttachments(conn.IBDatabase1, ours, m_own);
    if (!others.isEmpty() && ask.othersConnected(others) != RenumberingQuestions::GoOn)
        return false;

    TableDataset& grid = m_ctx.dm.*level.grid;
    openIfClosed(grid);
    RenumberingOutline outline = level.middle()
                                     ? RenumberingPreview::middles(conn.IBDatabase1, grid, major, convertDetails)
                                     : RenumberingPreview::majors(conn.IBDatabase1, grid, convertDetails);
    RegistrationBackup backup(m_ctx, outline); // named in the preview
    if (outline.worthShowing() && ask.renumbering(outline) != RenumberingQuestions::GoOn)
        return false;
    backup.take();
    return true;
}

// The questions before anything is written: whether there is something to
// register, whether the list is still the product's, the past-details warning,
// the question of the level and the renumbering preview.
bool WorkTypeRegistration::confirmed(const Level& level, int major, bool& convertDetails)
{
    TDM2& dm = m_ctx.dm;
    Confirmation& ask = m_ctx.screen.confirmation();
    Registration::postPending(dm.*level.grid);
    if (leavesMasterEmpty(level, major)) {
        ask.ask(Confirmation::Notice, Registration::nothingToRegisterMessage(QString::fromUtf8(level.masterName)));
        return false;
    }
    if (!ListGuard::stillCurrent(m_ctx, level.tab))
        return false;
    if (level.prepareProductAlways)
        Registration::addJikkouColumns(dm.IBQ_touroku);
    convertDetails = m_ctx.screen.convertPastDetails(level.tab);
    if (convertDetails) {
        if (ask.ask(Confirmation::Question, pastDetailsWarning()) != Confirmation::Ok)
            return false;
        if (!level.prepareProductAlways) {
            Registration::reconnect(dm.conn.IBDatabase1);
            Registration::addJikkouColumns(dm.IBQ_touroku);
        }
    }
    if (ask.ask(Confirmation::Question, level.question()) != Confirmation::Ok)
        return false;
    // The preview shows the codes the product has now, or none at all.
    return ListGuard::stillCurrent(m_ctx, level.tab) && goOnWithRenumbering(level, major, convertDetails);
}

void WorkTypeRegistration::registerLevel(const Level& level, int major)
{
    TDM2& dm = m_ctx.dm;
    TableDataset& grid = dm.*level.grid;
    bool convert = false;
    if (!confirmed(level, major, convert))
        return;
    if (level.prepareProductAlways)
        Registration::reconnect(dm.conn.IBDatabase1);
    // The user has confirmed: from here on the registration writes.

    openIfClosed(grid);
    m_ctx.screen.beginWork(level.tab);
    Registration::postPending(grid);
    grid.first();
    m_ctx.screen.progress().start(level.progressPerRow * grid.recordCount() + 20);

    const auto restore = [&] { restoreScreen(level.tab, grid); };
    const bool registered = ListGuard::registerOrRefuse(m_ctx, level.tab, [&] {
        Registration::runAllOrNothing(
            dm.conn.IBDatabase1, dm.conn.*level.work,
            [&] {
                ListGuard::verify(dm.conn.IBDatabase1, level.tab, m_ctx.loads.origin(level.tab));
                writeLevel(level, major, convert);
            },
            restore);
    });
    if (!registered)
        return;
    Registration::collectGarbage(dm.conn.IBDatabase1, rewrittenTables(!level.middle(), convert),
                                 m_ctx.screen.progress());
    try {
        openIfClosed(grid);
        // The major list is always loaded again; the middle list when it is the one shown.
        if (!level.middle())
            (m_ctx.loads.*level.reload)();
        m_ctx.screen.endWork(level.tab);
        m_ctx.screen.progress().finish();
        m_ctx.screen.confirmation().ask(Confirmation::Notice, QStringLiteral("登録しました。"));
        if (level.middle() && m_ctx.screen.activeTab() == Tab::Middle)
            (m_ctx.loads.*level.reload)();
    } catch (...) {
        restore();
        throw;
    }
}

void WorkTypeRegistration::writeLevel(const Level& level, int major, bool convertDetails)
{
    TDM2& dm = m_ctx.dm;
    TableDataset& grid = dm.*level.grid;
    Query& work = dm.*level.workQuery;
    Query& q = dm.IBQ_touroku;
    ProgressSink& progress = m_ctx.screen.progress();
    const QString bl = QString::number(major);
    const auto runStep = [&](const QString& sql) {
        q.run(sql);
        progress.step();
    };

    // Codes are negated first: a negative code is an old one not renumbered yet.
    grid.close();
    work.run(QStringLiteral("delete from %1 where NAME01 is null").arg(QLatin1String(level.workTable)));
    work.run(QStringLiteral("UPDATE %1 SET %2=%2*(-1)")
                 .arg(QLatin1String(level.workTable), QLatin1String(level.codeColumn)));
    grid.open();
    progress.step();
    // The master rows of the level (of this major category) are written anew from the grid.
    runStep(QStringLiteral("delete from ") + QLatin1String(level.master) +
            (level.middle() ? QStringLiteral(" where BL_kubun=") + bl : QString()));

    if (m_renumber.fused()) {
        const CodeRenumbering renumbering(insertRows(q, level, major));
        grid.reopen();
        for (const QString& sql : level.fused(renumbering, major, convertDetails))
            runStep(sql);
        return;
    }
    markOlderLeftovers(q, convertDetails);
    for (const QString& sql : level.marking(bl, convertDetails))
        runStep(sql);
    const QVector<CodeStep> steps = insertRows(q, level, major);
    m_renumber(q, level.targets(bl, convertDetails), steps);
    progress.step((level.progressPerRow - 1) * static_cast<int>(steps.size()));
    grid.reopen();

    // The schedule master's lines of a major that is gone are deleted below instead.
    markGone(q, level.middle(), convertDetails);
    QStringList repack;
    if (convertDetails)
        repack << QStringLiteral("UPDATE DAT_JIKKOU set KOUSYU=L_KUBUN*100+M_KUBUN")
               << QStringLiteral("UPDATE DAT_MEISAI03 set KU_KOUSYU=L_KUBUN*100+M_KUBUN");
    repack << QStringLiteral("UPDATE MAS_SIAGE02 set KOUSYU=BL_kubun*100+BM_KUBUN")
           << QStringLiteral("UPDATE MAS_SIAGE02 set BUI=KOUSYU*(-1) where BUI<0")
           << QStringLiteral("UPDATE DAT_SIAGE02 set BUI=(BL_KUBUN*100+BM_KUBUN)*(-1)")
           << QStringLiteral("UPDATE DAT_SIAGE02 set KOUSYU=(BL_KUBUN*100+BM_KUBUN)");
    for (const QString& sql : repack + level.leftovers)
        runStep(sql);
}

// Inserts the grid's categories with codes in grid order; the steps that carry
// their rows from the old codes to the new.
QVector<CodeStep> WorkTypeRegistration::insertRows(Query& q, const Level& level, int major)
{
    ProgressSink& progress = m_ctx.screen.progress();
    q.close();
    q.setSql(insertStatement(level.tab));
    QVector<CodeStep> steps;
    TableDataset& grid = m_ctx.dm.*level.grid;
    int i = 1;
    for (grid.first(); !grid.eof(); grid.next(), ++i) {
        q.setParam(QStringLiteral("CNT"), i);
        q.setParam(QStringLiteral("BL_kubun"), level.middle() ? major : i);
        q.setParam(QStringLiteral("NAME01"), nameValue(grid.text(QStringLiteral("NAME01"))));
        q.setParam(QStringLiteral("NAME02"), nameValue(grid.text(QStringLiteral("NAME02"))));
        q.setParam(QStringLiteral("e_date01"), QDateTime::currentDateTime());
        q.setParam(QStringLiteral("e_date04"), QVariant());
        q.setParam(QStringLiteral("PC_NAME"), Helpers::textOrNull(m_ctx.state.computerName));
        CodeStep step{i, Helpers::toIntOrZero(grid.text(QLatin1String(level.codeColumn))), std::nullopt};
        if (level.middle()) {
            const QString account = grid.text(QStringLiteral("KU_KAMOKU"));
            q.setParam(QStringLiteral("BM_kubun"), i);
            q.setParam(QStringLiteral("KU_KAMOKU"), Helpers::textOrNull(account));
            // Only real account items (101 … 599) are handed down to the members.
            if (const int k = Helpers::toIntOrZero(account); k > 100 && k < 600)
                step.account = k;
        }
        q.exec();
        steps.append(step);
        progress.step();
    }
    return steps;
}
