#include "WorkTypeRegistration.h"

#include "Helpers.h"
#include "ProgramState.h"
#include "RegistrationSupport.h"

#include <QDateTime>

using Registration::run;

namespace {

QVariant nameValue(const QString& text)
{
    const QString line = Helpers::firstLine(text);
    return line.isEmpty() ? QVariant() : QVariant(line);
}

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

void openIfClosed(TableDataset& d)
{
    if (!d.active())
        d.open();
}

} // namespace

WorkTypeRegistration::WorkTypeRegistration(RegistrationContext& context)
    : m_ctx(context), m_renumber(renumberPerTable())
{
}

QString WorkTypeRegistration::pastDetailsWarning()
{
    // Line feed then carriage return between the lines, as the suite's dialogs expect.
    return QStringList{QStringLiteral("過去の見積明細・発注明細も修正変更します。"),
                       QStringLiteral(" 変換に時間がかかりますが強制終了しないでください。"),
                       QStringLiteral(" 順序の入換などをした際に過去の見積・発注・仕入の工種も変更するように設定できます。"),
                       QStringLiteral(" 但し、工種の追加は、対応しますが工種を削除されたりするとデーターに不整合が出ます。"),
                       QStringLiteral(" 他のシステムを使用する前に工種マスターを確定させてください？")}
        .join(QStringLiteral("\n\r"));
}

QString WorkTypeRegistration::majorQuestion() { return QStringLiteral("大項目マスターを登録しますか？"); }
QString WorkTypeRegistration::middleQuestion() { return QStringLiteral("中項目マスターを登録しますか？"); }

void WorkTypeRegistration::restoreScreen(MasterTab tab, TableDataset& grid)
{
    Registration::quietly([&] { openIfClosed(grid); });
    m_ctx.screen.endWork(tab);
    m_ctx.progress.finish();
}

// ------------------------------------------------------------------ major

void WorkTypeRegistration::Button6Click()
{
    TDM2& dm = m_ctx.dm;
    Registration::postPending(dm.IBT_dai);
    Registration::addJikkouColumns(dm.IBQ_touroku);

    const bool convert = Registration::flag(m_ctx.convertMajorDetails, true);
    if (convert && m_ctx.confirm.ask(Confirmation::Question, pastDetailsWarning()) != Confirmation::Ok)
        return;
    if (m_ctx.confirm.ask(Confirmation::Question, majorQuestion()) != Confirmation::Ok)
        return;
    Registration::reconnect(dm.conn.IBDatabase1);

    openIfClosed(dm.IBT_dai);
    m_ctx.screen.beginWork(MasterTab::Major);
    dm.IBT_dai.first();
    m_ctx.progress.start(5 * dm.IBT_dai.recordCount() + 20);

    const auto restore = [&] { restoreScreen(MasterTab::Major, dm.IBT_dai); };
    Registration::runAllOrNothing(dm.conn.IBDatabase1, dm.conn.IBDatabase2,
                                  [&] { registerMajors(convert); }, restore);
    try {
        openIfClosed(dm.IBT_dai);
        Registration::call(m_ctx.majorLoad);
    } catch (...) {
        restore();
        throw;
    }
    m_ctx.screen.endWork(MasterTab::Major);
    m_ctx.confirm.ask(Confirmation::Notice, QStringLiteral("登録しました。"));
    m_ctx.progress.finish();
}

void WorkTypeRegistration::registerMajors(bool convertDetails)
{
    TDM2& dm = m_ctx.dm;
    Query& work = dm.IBQ_FB2;
    Query& q = dm.IBQ_touroku;
    ProgressSink& progress = m_ctx.progress;
    const auto runStep = [&](const QString& sql) {
        run(q, sql);
        progress.step();
    };

    // Codes are negated first: a negative code is an old one not renumbered yet.
    dm.IBT_dai.close();
    run(work, QStringLiteral("delete from BUZAI_DAI where NAME01 is null"));
    run(work, QStringLiteral("UPDATE BUZAI_DAI SET BL_KUBUN=BL_KUBUN*(-1)"));
    dm.IBT_dai.open();
    progress.step();

    runStep(QStringLiteral("UPDATE MAS_BUZAI set BL_kubun=BL_kubun*(-1)"));
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set BL_kubun=BL_kubun*(-1)"));
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set BL_kubun=BL_kubun*(-1)"));
    runStep(QStringLiteral("UPDATE MAS_KOUSYU_02 set BL_kubun=BL_kubun*(-1)"));
    if (convertDetails) {
        // Unpack the packed codes: the major part negated, the middle part on its own.
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set L_KUBUN=KU_KOUSYU/100*(-1)"));
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set M_KUBUN=KU_KOUSYU-L_KUBUN*(-100)"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set L_KUBUN=KOUSYU/100*(-1)"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set M_KUBUN=KOUSYU-L_KUBUN*(-100)"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU_MEISAI set L_kubun=L_kubun*(-1)"));
        runStep(QStringLiteral("UPDATE DAT_MITUMORI_M set BL_kubun=BL_kubun*(-1)"));
    }
    runStep(QStringLiteral("delete from MAS_KOUSYU_01"));

    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("INSERT INTO MAS_KOUSYU_01"));
    q.addSql(QStringLiteral("(CNT,BL_kubun,NAME01,NAME02,e_date01,e_date04,PC_NAME)"));
    q.addSql(QStringLiteral("values"));
    q.addSql(QStringLiteral("(:CNT,:BL_kubun,:NAME01,:NAME02,:e_date01,:e_date04,:PC_NAME)"));
    QVector<CodeStep> steps;
    TableDataset& grid = dm.IBT_dai;
    int i = 1;
    for (grid.first(); !grid.eof(); grid.next(), ++i) {
        q.setParam(QStringLiteral("CNT"), i);
        q.setParam(QStringLiteral("BL_kubun"), i);
        q.setParam(QStringLiteral("NAME01"), nameValue(grid.text(QStringLiteral("NAME01"))));
        q.setParam(QStringLiteral("NAME02"), nameValue(grid.text(QStringLiteral("NAME02"))));
        q.setParam(QStringLiteral("e_date01"), QDateTime::currentDateTime());
        q.setParam(QStringLiteral("e_date04"), QVariant());
        q.setParam(QStringLiteral("PC_NAME"), textOrNull(programState().computerName));
        q.exec();
        steps.append({i, Helpers::toIntOrZero(grid.text(QStringLiteral("BL_KUBUN"))), std::nullopt});
        progress.step();
    }

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

    if (convertDetails) {
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set KOUSYU=L_KUBUN*100+M_KUBUN"));
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set KU_KOUSYU=L_KUBUN*100+M_KUBUN"));
    }
    grid.first();
    run(q, QStringLiteral("UPDATE MAS_SIAGE02 set KOUSYU=BL_kubun*100+BM_KUBUN"));
    run(q, QStringLiteral("UPDATE MAS_SIAGE02 set BUI=KOUSYU*(-1) where BUI<0"));
    run(q, QStringLiteral("UPDATE DAT_SIAGE02 set BUI=(BL_KUBUN*100+BM_KUBUN)*(-1)"));
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set KOUSYU=(BL_KUBUN*100+BM_KUBUN)"));

    // What is still negative belonged to a major category that is gone.
    run(q, QStringLiteral("DELETE FROM MAS_SIAGE02 where BL_KUBUN<0"));
    run(q, QStringLiteral("DELETE FROM MAS_KOUSYU_02 where BL_KUBUN<0"));
    runStep(QStringLiteral("DELETE FROM MAS_BUZAI where BL_KUBUN<0"));
}

// ------------------------------------------------------------------ middle

void WorkTypeRegistration::Button7Click()
{
    TDM2& dm = m_ctx.dm;
    const int major = dm.currentMajorCode ? dm.currentMajorCode() : 0;
    Registration::postPending(dm.IBT_chu);

    const bool convert = Registration::flag(m_ctx.convertMiddleDetails, true);
    if (convert) {
        if (m_ctx.confirm.ask(Confirmation::Question, pastDetailsWarning()) != Confirmation::Ok)
            return;
        Registration::reconnect(dm.conn.IBDatabase1);
        Registration::addJikkouColumns(dm.IBQ_touroku);
    }
    if (m_ctx.confirm.ask(Confirmation::Question, middleQuestion()) != Confirmation::Ok)
        return;

    openIfClosed(dm.IBT_chu);
    m_ctx.screen.beginWork(MasterTab::Middle);
    Registration::postPending(dm.IBT_chu);
    m_ctx.progress.start(7 * dm.IBT_chu.recordCount() + 20);

    const auto restore = [&] { restoreScreen(MasterTab::Middle, dm.IBT_chu); };
    Registration::runAllOrNothing(dm.conn.IBDatabase1, dm.conn.IBDatabase3,
                                  [&] { registerMiddles(major, convert); }, restore);
    try {
        openIfClosed(dm.IBT_chu);
        m_ctx.screen.endWork(MasterTab::Middle);
        m_ctx.progress.finish();
        m_ctx.confirm.ask(Confirmation::Notice, QStringLiteral("登録しました。"));
        if (m_ctx.activeTab && m_ctx.activeTab() == MasterTab::Middle)
            Registration::call(m_ctx.middleLoad);
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
    ProgressSink& progress = m_ctx.progress;
    const QString bl = QString::number(major);
    const auto runStep = [&](const QString& sql) {
        run(q, sql);
        progress.step();
    };

    dm.IBT_chu.close();
    run(work, QStringLiteral("delete from BUZAI_CHU where NAME01 is null"));
    run(work, QStringLiteral("UPDATE BUZAI_CHU SET BM_KUBUN=BM_KUBUN*(-1)"));
    dm.IBT_chu.open();

    runStep(QStringLiteral("delete from MAS_KOUSYU_02 where BL_kubun=") + bl);
    runStep(QStringLiteral("DELETE FROM MAS_BUZAI where BL_kubun<=0 or BM_kubun<=0"));
    runStep(QStringLiteral("UPDATE MAS_BUZAI set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl);
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl);
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl);
    if (convertDetails) {
        // Both parts positive from the packed code, then the middle part of this major negated.
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set L_KUBUN=KU_KOUSYU/100"));
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set M_KUBUN=(KU_KOUSYU-L_KUBUN*100)"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set L_KUBUN=KOUSYU/100"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set M_KUBUN=(KOUSYU-L_KUBUN*100)"));
        runStep(QStringLiteral("UPDATE DAT_JIKKOU_MEISAI set M_kubun=M_kubun*(-1) where L_kubun=") + bl);
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set M_kubun=M_kubun*(-1) where L_kubun=") + bl);
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set M_kubun=M_kubun*(-1) where L_kubun=") + bl);
        runStep(QStringLiteral("UPDATE DAT_MITUMORI_M set BM_kubun=BM_kubun*(-1) where BL_kubun=") + bl);
    }

    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("INSERT INTO MAS_KOUSYU_02"));
    q.addSql(QStringLiteral("(CNT,BL_kubun,BM_kubun,NAME01,NAME02,e_date01,e_date04,PC_NAME,KU_KAMOKU)"));
    q.addSql(QStringLiteral("values"));
    q.addSql(QStringLiteral("(:CNT,:BL_kubun,:BM_kubun,:NAME01,:NAME02,:e_date01,:e_date04,:PC_NAME,:KU_KAMOKU)"));
    QVector<CodeStep> steps;
    TableDataset& grid = dm.IBT_chu;
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
        q.setParam(QStringLiteral("PC_NAME"), textOrNull(programState().computerName));
        q.setParam(QStringLiteral("KU_KAMOKU"), textOrNull(account));
        q.exec();

        CodeStep step{i, Helpers::toIntOrZero(grid.text(QStringLiteral("BM_KUBUN"))), std::nullopt};
        // Only real account items (101 … 599) are handed down to the members.
        if (const int k = Helpers::toIntOrZero(account); k > 100 && k < 600)
            step.account = k;
        steps.append(step);
        progress.step();
    }

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
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set KOUSYU=BL_kubun*100+BM_KUBUN"));
    run(dm.IBQ_touroku1_2, QStringLiteral("UPDATE DAT_SIAGE02 set KOUSYU=(BL_KUBUN*100+BM_KUBUN)"));
    progress.step();
    runStep(QStringLiteral("UPDATE DAT_SIAGE02 set BUI=(BL_kubun*100+BM_KUBUN)*(-1)"));
    runStep(QStringLiteral("UPDATE MAS_SIAGE02 set BUI=KOUSYU*(-1) where BUI<0"));
    runStep(QStringLiteral("DELETE FROM MAS_BUZAI where BM_KUBUN<0"));
    if (convertDetails) {
        runStep(QStringLiteral("UPDATE DAT_JIKKOU set KOUSYU=L_KUBUN*100+M_KUBUN"));
        runStep(QStringLiteral("UPDATE DAT_MEISAI03 set KU_KOUSYU=L_KUBUN*100+M_KUBUN"));
    }
}
