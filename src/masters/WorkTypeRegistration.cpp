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

void WorkTypeRegistration::restoreScreen(Tab tab, TableDataset& grid)
{
    Registration::quietly([&] { openIfClosed(grid); });
    m_ctx.screen.endWork(tab);
    m_ctx.screen.progress().finish();
}

// Codes that others' open screens still hold are about to change, and rows may
// go: the user may stop while nothing has changed yet.
bool WorkTypeRegistration::goOnWithRenumbering(Tab tab, int major, bool convertDetails)
{
    Connections& conn = m_ctx.dm.conn;
    RenumberingQuestions& ask = m_ctx.screen.renumberingQuestions();
    QList<Database*> ours{&conn.IBDatabase1};
    if (conn.IBDatabase5.databaseName() == conn.IBDatabase1.databaseName())
        ours << &conn.IBDatabase5;
    const QList<OtherAttachment> others = otherAttachments(conn.IBDatabase1, ours, m_own);
    if (!others.isEmpty() && ask.othersConnected(others) != RenumberingQuestions::GoOn)
        return false;

    TableDataset& grid = tab == Tab::Major ? m_ctx.dm.IBT_dai : m_ctx.dm.IBT_chu;
    openIfClosed(grid);
    RenumberingOutline outline = tab == Tab::Major
                                     ? RenumberingPreview::majors(conn.IBDatabase1, grid, convertDetails)
                                     : RenumberingPreview::middles(conn.IBDatabase1, grid, major, convertDetails);
    RegistrationBackup backup(m_ctx, outline); // named in the preview
    if (outline.worthShowing() && ask.renumbering(outline) != RenumberingQuestions::GoOn)
        return false;
    backup.take();
    return true;
}

// ------------------------------------------------------------------ major

void WorkTypeRegistration::Button6Click()
{
    TDM2& dm = m_ctx.dm;
    Registration::postPending(dm.IBT_dai);
    // Rows without a name are not registered; none left would empty the master.
    if (!Registration::hasNamedRow(dm.conn.IBDatabase2, QStringLiteral("BUZAI_DAI"), {QStringLiteral("NAME01")})) {
        m_ctx.screen.confirmation().ask(Confirmation::Notice,
                                        Registration::nothingToRegisterMessage(QStringLiteral("大項目マスター")));
        return;
    }
    if (!ListGuard::stillCurrent(m_ctx, Tab::Major))
        return;
    Registration::addJikkouColumns(dm.IBQ_touroku);

    const bool convert = m_ctx.screen.convertPastDetails(Tab::Major);
    if (convert && m_ctx.screen.confirmation().ask(Confirmation::Question, pastDetailsWarning()) != Confirmation::Ok)
        return;
    if (m_ctx.screen.confirmation().ask(Confirmation::Question, majorQuestion()) != Confirmation::Ok)
        return;
    // The preview shows the codes the product has now, or none at all.
    if (!ListGuard::stillCurrent(m_ctx, Tab::Major) || !goOnWithRenumbering(Tab::Major, 0, convert))
        return;
    Registration::reconnect(dm.conn.IBDatabase1);

    openIfClosed(dm.IBT_dai);
    m_ctx.screen.beginWork(Tab::Major);
    dm.IBT_dai.first();
    m_ctx.screen.progress().start(5 * dm.IBT_dai.recordCount() + 20);

    const auto restore = [&] { restoreScreen(Tab::Major, dm.IBT_dai); };
    try {
        Registration::runAllOrNothing(
            dm.conn.IBDatabase1, dm.conn.IBDatabase2,
            [&] {
                ListGuard::verify(dm.conn.IBDatabase1, Tab::Major, m_ctx.loads.origin(Tab::Major));
                registerMajors(convert);
            },
            restore);
    } catch (const StaleList& stale) {
        ListGuard::refuse(m_ctx, Tab::Major, stale.change);
        return;
    }
    Registration::collectGarbage(dm.conn.IBDatabase1, rewrittenTables(true, convert), m_ctx.screen.progress());
    try {
        openIfClosed(dm.IBT_dai);
        m_ctx.loads.Button2Click();
    } catch (...) {
        restore();
        throw;
    }
    m_ctx.screen.endWork(Tab::Major);
    m_ctx.screen.confirmation().ask(Confirmation::Notice, QStringLiteral("登録しました。"));
    m_ctx.screen.progress().finish();
}

void WorkTypeRegistration::registerMajors(bool convertDetails)
{
    TDM2& dm = m_ctx.dm;
    Query& work = dm.IBQ_FB2;
    Query& q = dm.IBQ_touroku;
    ProgressSink& progress = m_ctx.screen.progress();
    const auto runStep = [&](const QString& sql) {
        q.run(sql);
        progress.step();
    };

    // Codes are negated first: a negative code is an old one not renumbered yet.
    dm.IBT_dai.close();
    work.run(QStringLiteral("delete from BUZAI_DAI where NAME01 is null"));
    work.run(QStringLiteral("UPDATE BUZAI_DAI SET BL_KUBUN=BL_KUBUN*(-1)"));
    dm.IBT_dai.open();
    progress.step();

    if (m_renumber.fused()) {
        runStep(QStringLiteral("delete from MAS_KOUSYU_01"));
        const CodeRenumbering renumbering(insertMajors(q));
        for (const QString& sql : fusedMajorSql(renumbering, convertDetails))
            runStep(sql);
        dm.IBT_dai.first();
        return;
    }
    // Only positive codes are marked: a negative one is no category by now.
    markOlderLeftovers(q, convertDetails);
    runStep(QStringLiteral("UPDATE MAS_BUZAI set BL_kubun=BL_kubun*(-1) where BL_kubun>0"));
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set BL_kubun=BL_kubun*(-1) where BL_kubun>0"));
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set BL_kubun=BL_kubun*(-1) where BL_kubun>0"));
    runStep(QStringLiteral("UPDATE MAS_KOUSYU_02 set BL_kubun=BL_kubun*(-1) where BL_kubun>0"));
    if (convertDetails) {
        // Unpack the packed codes: the major part negated, the middle part on its own.
        // A negative packed code is no category already; negated, its major would not fit.
        const QString unpack = QStringLiteral("UPDATE %1 set %2 where %3 is null or %3>=0");
        runStep(unpack.arg("DAT_MEISAI03", "L_KUBUN=KU_KOUSYU/100*(-1)", "KU_KOUSYU"));
        runStep(unpack.arg("DAT_MEISAI03", "M_KUBUN=KU_KOUSYU-L_KUBUN*(-100)", "KU_KOUSYU"));
        runStep(unpack.arg("DAT_JIKKOU", "L_KUBUN=KOUSYU/100*(-1)", "KOUSYU"));
        runStep(unpack.arg("DAT_JIKKOU", "M_KUBUN=KOUSYU-L_KUBUN*(-100)", "KOUSYU"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU_MEISAI set L_kubun=L_kubun*(-1) where L_kubun>0"));
        runStep(QStringLiteral("UPDATE DAT_MITUMORI_M set BL_kubun=BL_kubun*(-1) where BL_kubun>0"));
    }
    runStep(QStringLiteral("delete from MAS_KOUSYU_01"));

    const QVector<CodeStep> steps = insertMajors(q);

    QVector<RenumberTarget> targets = {{"MAS_KOUSYU_02", "BL_kubun", {}, false},
                                       {"MAS_BUZAI", "BL_kubun", {}, false},
                                       {"MAS_SIAGE02", "BL_kubun", {}, false},
                                       {"DAT_SIAGE02", "BL_kubun", {}, false}};
    if (convertDetails)
        targets += {{"DAT_JIKKOU", "L_KUBUN", {}, false},
                    {"DAT_JIKKOU_MEISAI", "L_kubun", {}, false},
                    {"DAT_MEISAI03", "L_kubun", {}, false},
                    {"DAT_MITUMORI_M", "BL_kubun", {}, false}};
    m_renumber(q, targets, steps);
    progress.step(4 * static_cast<int>(steps.size()));

    // The schedule master's lines of a major that is gone are deleted below instead.
    markGone(q, false, convertDetails);
    if (convertDetails) {
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set KOUSYU=L_KUBUN*100+M_KUBUN"));
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set KU_KOUSYU=L_KUBUN*100+M_KUBUN"));
    }
    dm.IBT_dai.first();
    q.run(QStringLiteral("UPDATE MAS_SIAGE02 set KOUSYU=BL_kubun*100+BM_KUBUN"));
    q.run(QStringLiteral("UPDATE MAS_SIAGE02 set BUI=KOUSYU*(-1) where BUI<0"));
    q.run(QStringLiteral("UPDATE DAT_SIAGE02 set BUI=(BL_KUBUN*100+BM_KUBUN)*(-1)"));
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set KOUSYU=(BL_KUBUN*100+BM_KUBUN)"));

    // What is still negative belonged to a major category that is gone. Lines left
    // without category by an earlier registration stay.
    q.run(QStringLiteral("DELETE FROM MAS_SIAGE02 where BL_KUBUN<0 and BL_KUBUN<>%1").arg(kNoMajor));
    q.run(QStringLiteral("DELETE FROM MAS_KOUSYU_02 where BL_KUBUN<0"));
    runStep(QStringLiteral("DELETE FROM MAS_BUZAI where BL_KUBUN<0"));
}

// ------------------------------------------------------------------ middle

void WorkTypeRegistration::Button7Click()
{
    TDM2& dm = m_ctx.dm;
    const int major = dm.currentMajorCode ? dm.currentMajorCode() : 0;
    // No live major category has a code below 1; registering under one would also
    // let the renumbering reach rows of no category.
    if (major <= 0) {
        m_ctx.screen.confirmation().ask(Confirmation::Notice, noMajorMessage());
        return;
    }
    Registration::postPending(dm.IBT_chu);
    // Middle categories of other majors stay; with none, and no named row here, the
    // master would be left empty.
    if (!Registration::hasNamedRow(dm.conn.IBDatabase3, QStringLiteral("BUZAI_CHU"), {QStringLiteral("NAME01")}) &&
        Registration::count(
            dm.conn.IBDatabase1,
            QStringLiteral("select count(*) from MAS_KOUSYU_02 where BL_kubun is distinct from %1").arg(major)) == 0) {
        m_ctx.screen.confirmation().ask(Confirmation::Notice,
                                        Registration::nothingToRegisterMessage(QStringLiteral("中項目マスター")));
        return;
    }

    if (!ListGuard::stillCurrent(m_ctx, Tab::Middle))
        return;

    const bool convert = m_ctx.screen.convertPastDetails(Tab::Middle);
    if (convert) {
        if (m_ctx.screen.confirmation().ask(Confirmation::Question, pastDetailsWarning()) != Confirmation::Ok)
            return;
        Registration::reconnect(dm.conn.IBDatabase1);
        Registration::addJikkouColumns(dm.IBQ_touroku);
    }
    if (m_ctx.screen.confirmation().ask(Confirmation::Question, middleQuestion()) != Confirmation::Ok)
        return;
    if (!ListGuard::stillCurrent(m_ctx, Tab::Middle) || !goOnWithRenumbering(Tab::Middle, major, convert))
        return;

    openIfClosed(dm.IBT_chu);
    m_ctx.screen.beginWork(Tab::Middle);
    Registration::postPending(dm.IBT_chu);
    m_ctx.screen.progress().start(7 * dm.IBT_chu.recordCount() + 20);

    const auto restore = [&] { restoreScreen(Tab::Middle, dm.IBT_chu); };
    try {
        Registration::runAllOrNothing(
            dm.conn.IBDatabase1, dm.conn.IBDatabase3,
            [&] {
                ListGuard::verify(dm.conn.IBDatabase1, Tab::Middle, m_ctx.loads.origin(Tab::Middle));
                registerMiddles(major, convert);
            },
            restore);
    } catch (const StaleList& stale) {
        ListGuard::refuse(m_ctx, Tab::Middle, stale.change);
        return;
    }
    Registration::collectGarbage(dm.conn.IBDatabase1, rewrittenTables(false, convert), m_ctx.screen.progress());
    try {
        openIfClosed(dm.IBT_chu);
        m_ctx.screen.endWork(Tab::Middle);
        m_ctx.screen.progress().finish();
        m_ctx.screen.confirmation().ask(Confirmation::Notice, QStringLiteral("登録しました。"));
        if (m_ctx.screen.activeTab() == Tab::Middle)
            m_ctx.loads.Button3Click();
    } catch (...) {
        restore();
        throw;
    }
}

void WorkTypeRegistration::registerMiddles(int major, bool convertDetails)
{
    TDM2& dm = m_ctx.dm;
    Query& work = dm.IBQ_FB3;
    Query& q = dm.IBQ_touroku;
    ProgressSink& progress = m_ctx.screen.progress();
    const QString bl = QString::number(major);
    const auto runStep = [&](const QString& sql) {
        q.run(sql);
        progress.step();
    };

    dm.IBT_chu.close();
    work.run(QStringLiteral("delete from BUZAI_CHU where NAME01 is null"));
    work.run(QStringLiteral("UPDATE BUZAI_CHU SET BM_KUBUN=BM_KUBUN*(-1)"));
    dm.IBT_chu.open();

    if (m_renumber.fused()) {
        runStep(QStringLiteral("delete from MAS_KOUSYU_02 where BL_kubun=") + bl);
        const CodeRenumbering renumbering(insertMiddles(q, major));
        dm.IBT_chu.reopen();
        for (const QString& sql : fusedMiddleSql(renumbering, major, convertDetails))
            runStep(sql);
        return;
    }

    // Only positive codes are marked: a negative one is no category by now.
    markOlderLeftovers(q, convertDetails);
    const QString positive = QStringLiteral(" and BM_kubun>0");
    runStep(QStringLiteral("delete from MAS_KOUSYU_02 where BL_kubun=") + bl);
    runStep(QStringLiteral("DELETE FROM MAS_BUZAI where BL_kubun<=0 or BM_kubun<=0"));
    runStep(QStringLiteral("UPDATE MAS_BUZAI set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl);
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl + positive);
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl + positive);
    if (convertDetails) {
        // Both parts from the packed code (positive unless no category), then the
        // middle part of this major negated.
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set L_KUBUN=KU_KOUSYU/100"));
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set M_KUBUN=(KU_KOUSYU-L_KUBUN*100)"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set L_KUBUN=KOUSYU/100"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set M_KUBUN=(KOUSYU-L_KUBUN*100)"));
        const QString detailPositive = QStringLiteral(" and M_kubun>0");
        runStep(QStringLiteral("UPDATE DAT_JIKKOU_MEISAI set M_kubun=M_kubun*(-1) where L_kubun=") + bl +
                detailPositive);
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set M_kubun=M_kubun*(-1) where L_kubun=") + bl + detailPositive);
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set M_kubun=M_kubun*(-1) where L_kubun=") + bl + detailPositive);
        runStep(QStringLiteral("UPDATE DAT_MITUMORI_M set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl + positive);
    }

    const QVector<CodeStep> steps = insertMiddles(q, major);

    const QString scope = QStringLiteral("BL_kubun=") + bl;
    const QString detailScope = QStringLiteral("L_kubun=") + bl;
    QVector<RenumberTarget> targets = {{"MAS_BUZAI", "BM_kubun", scope, true},
                                       {"MAS_SIAGE02", "BM_kubun", scope, false},
                                       {"DAT_SIAGE02", "BM_kubun", scope, false}};
    if (convertDetails)
        targets += {{"DAT_JIKKOU", "M_kubun", detailScope, false},
                    {"DAT_JIKKOU_MEISAI", "M_kubun", detailScope, false},
                    {"DAT_MEISAI03", "M_kubun", detailScope, false},
                    {"DAT_MITUMORI_M", "BM_kubun", scope, false}};
    m_renumber(q, targets, steps);
    progress.step(6 * static_cast<int>(steps.size()));

    dm.IBT_chu.reopen();
    markGone(q, true, convertDetails);
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set KOUSYU=BL_kubun*100+BM_KUBUN"));
    dm.IBQ_touroku1_2.run(QStringLiteral("UPDATE DAT_SIAGE02 set KOUSYU=(BL_KUBUN*100+BM_KUBUN)"));
    progress.step();
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set BUI=(BL_kubun*100+BM_KUBUN)*(-1)"));
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set BUI=KOUSYU*(-1) where BUI<0"));
    runStep(QStringLiteral("DELETE FROM MAS_BUZAI where BM_KUBUN<0"));
    if (convertDetails) {
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set KOUSYU=L_KUBUN*100+M_KUBUN"));
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set KU_KOUSYU=L_KUBUN*100+M_KUBUN"));
    }
}

// ------------------------------------------------------------------ category masters

// Inserts the grid's categories with codes in grid order; the steps that carry
// their rows from the old codes to the new.
QVector<CodeStep> WorkTypeRegistration::insertMajors(Query& q)
{
    ProgressSink& progress = m_ctx.screen.progress();
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("INSERT INTO MAS_KOUSYU_01"));
    q.addSql(QStringLiteral("(CNT,BL_kubun,NAME01,NAME02,e_date01,e_date04,PC_NAME)"));
    q.addSql(QStringLiteral("values"));
    q.addSql(QStringLiteral("(:CNT,:BL_kubun,:NAME01,:NAME02,:e_date01,:e_date04,:PC_NAME)"));
    QVector<CodeStep> steps;
    TableDataset& grid = m_ctx.dm.IBT_dai;
    int i = 1;
    for (grid.first(); !grid.eof(); grid.next(), ++i) {
        q.setParam(QStringLiteral("CNT"), i);
        q.setParam(QStringLiteral("BL_kubun"), i);
        q.setParam(QStringLiteral("NAME01"), nameValue(grid.text(QStringLiteral("NAME01"))));
        q.setParam(QStringLiteral("NAME02"), nameValue(grid.text(QStringLiteral("NAME02"))));
        q.setParam(QStringLiteral("e_date01"), QDateTime::currentDateTime());
        q.setParam(QStringLiteral("e_date04"), QVariant());
        q.setParam(QStringLiteral("PC_NAME"), Helpers::textOrNull(m_ctx.state.computerName));
        q.exec();
        steps.append({i, Helpers::toIntOrZero(grid.text(QStringLiteral("BL_KUBUN"))), std::nullopt});
        progress.step();
    }

    return steps;
}

QVector<CodeStep> WorkTypeRegistration::insertMiddles(Query& q, int major)
{
    ProgressSink& progress = m_ctx.screen.progress();
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("INSERT INTO MAS_KOUSYU_02"));
    q.addSql(QStringLiteral("(CNT,BL_kubun,BM_kubun,NAME01,NAME02,e_date01,e_date04,PC_NAME,KU_KAMOKU)"));
    q.addSql(QStringLiteral("values"));
    q.addSql(QStringLiteral("(:CNT,:BL_kubun,:BM_kubun,:NAME01,:NAME02,:e_date01,:e_date04,:PC_NAME,:KU_KAMOKU)"));
    QVector<CodeStep> steps;
    TableDataset& grid = m_ctx.dm.IBT_chu;
    int i = 1;
    for (grid.first(); !grid.eof(); grid.next(), ++i) {
        const QString account = grid.text(QStringLiteral("KU_KAMOKU"));
        q.setParam(QStringLiteral("CNT"), i);
        q.setParam(QStringLiteral("BL_kubun"), major);
        q.setParam(QStringLiteral("BM_kubun"), i);
        q.setParam(QStringLiteral("NAME01"), nameValue(grid.text(QStringLiteral("NAME01"))));
        q.setParam(QStringLiteral("NAME02"), nameValue(grid.text(QStringLiteral("NAME02"))));
        q.setParam(QStringLiteral("e_date01"), QDateTime::currentDateTime());
        q.setParam(QStringLiteral("e_date04"), QVariant());
        q.setParam(QStringLiteral("PC_NAME"), Helpers::textOrNull(m_ctx.state.computerName));
        q.setParam(QStringLiteral("KU_KAMOKU"), Helpers::textOrNull(account));
        q.exec();

        CodeStep step{i, Helpers::toIntOrZero(grid.text(QStringLiteral("BM_KUBUN"))), std::nullopt};
        // Only real account items (101 … 599) are handed down to the members.
        if (const int k = Helpers::toIntOrZero(account); k > 100 && k < 600)
            step.account = k;
        steps.append(step);
        progress.step();
    }

    return steps;
}
