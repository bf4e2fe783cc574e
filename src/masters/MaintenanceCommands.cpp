#include "MaintenanceCommands.h"

#include "DataModule.h"
#include "DbError.h"
#include "Helpers.h"
#include "ListGuard.h"
#include "MasterLoads.h"
#include "MemberRegistration.h"
#include "Schema.h"
#include "WorkTypeRegistration.h"

#include <QDir>

namespace {

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

int rowCount(Database& db, const QString& table, const QString& where = {})
{
    Query q(&db, QStringLiteral("IBQuery1"));
    q.setSql(QStringLiteral("select count(*) from ") + table + (where.isEmpty() ? QString() : ' ' + where));
    q.open();
    return q.value(0).toInt();
}

} // namespace

QStringList MaintenanceCommands::pieceUnits()
{
    static const QStringList plain = {"式", "本", "枚",  "箇所", "ヶ所", "ｾｯﾄ", "セット", "ｹｰｽ",
                                      "ケ", "箱", "SET", "set",  "組",   "台",  "基"};
    QStringList all = plain;
    for (const QString& u : plain)
        all << '"' + u + '"';
    return all;
}

void MaintenanceCommands::SBS_08Click()
{
    QStringList literals;
    for (const QString& u : pieceUnits())
        literals << '\'' + u + '\'';
    const QString list = literals.join(',');
    Database& product = m_ctx.dm.conn.IBDatabase1;
    // Only rows whose digits are not 0 yet change; those are the ones counted.
    const QString changing = QStringLiteral(" in (") + list + QStringLiteral(") and KETA is distinct from 0");
    const int members = rowCount(product, QStringLiteral("MAS_BUZAI"), QStringLiteral("where TANI") + changing);
    const int schedules = rowCount(product, QStringLiteral("MAS_SIAGE02"), QStringLiteral("where TAN") + changing);
    Confirmation& confirm = m_ctx.screen.confirmation();
    if (members + schedules == 0) {
        confirm.ask(
            Confirmation::Notice,
            QStringLiteral("単位が式・本・枚などの部材と仕上明細は、すべて「桁」が 0 です。\n何も変更していません。"));
        return;
    }
    const QString question = QStringLiteral("単位が式・本・枚などの行の「桁」を 0 にします（製品データベース）。\n"
                                            "部材マスター：%1件\n仕上明細：%2件\n"
                                            "実行しますか？（「いいえ」で中止します）")
                                 .arg(members)
                                 .arg(schedules);
    if (confirm.ask(Confirmation::Question, question) != Confirmation::Ok)
        return;
    Query& q = m_ctx.dm.IBQ_touroku;
    // Both tables or neither.
    product.transaction().runWhole([&] {
        q.run({QStringLiteral("UPDATE MAS_SIAGE02 set KETA=0"), QStringLiteral("where TAN") + changing});
        q.run({QStringLiteral("UPDATE MAS_BUZAI set KETA=0"), QStringLiteral("where TANI") + changing});
    });
    // The member list on screen still shows the old digits.
    if (members > 0)
        m_ctx.loads.invalidate(Tab::Member);
    confirm.ask(
        Confirmation::Notice,
        QStringLiteral("「桁」を 0 にしました。\n部材マスター：%1件\n仕上明細：%2件").arg(members).arg(schedules));
}

bool MaintenanceCommands::openSecond(const QString& table)
{
    Database& second = m_ctx.dm.conn.IBDatabase5;
    const QString shown = QDir::toNativeSeparators(second.databaseName());
    QString problem;
    try {
        second.open();
        if (!Schema::tableExists(second, table))
            problem = QStringLiteral("第２データベース「%1」に %2 がありません。").arg(shown, table);
    } catch (DbError& e) {
        // The error box tells what happened and what to do; the engine's text is in its details.
        e.setRole(QStringLiteral("第２データベース"));
        e.setNothingChanged();
        throw;
    }
    if (problem.isEmpty())
        return true;
    m_ctx.screen.confirmation().ask(Confirmation::Notice, problem + QStringLiteral("\n何も変更していません。"));
    return false;
}

void MaintenanceCommands::SBS_09Click()
{
    copyMaster(Master::Members);
}

void MaintenanceCommands::SBS_10Click()
{
    copyMaster(Master::Majors);
}

void MaintenanceCommands::SBS_11Click()
{
    copyMaster(Master::Middles);
}

// One row of the second database's master `master`, bound for the insert into
// the product's; `position` is its place in the copy.
void MaintenanceCommands::bindCopiedRow(Query& q, Master master, const Query& src, int position)
{
    const auto text = [&src](const char* f) { return src.text(QLatin1String(f)); };
    q.clearParams();
    for (const char* f : {"NAME01", "NAME02"})
        q.setParam(QLatin1String(f), textOrNull(text(f)));
    q.setParam(QStringLiteral("BL_kubun"), Helpers::toIntOrZero(text("BL_KUBUN")));
    if (master != Master::Members) {
        q.setParam(QStringLiteral("CNT"), position);
        if (master == Master::Middles)
            q.setParam(QStringLiteral("BM_kubun"), Helpers::toIntOrZero(text("BM_KUBUN")));
        return;
    }
    for (const char* f : {"BM_KUBUN", "BS_KUBUN", "KU_KAMOKU"})
        q.setParam(QLatin1String(f), Helpers::toIntOrZero(text(f)));
    for (const char* f : {"NAME03", "TANI", "B_CD"})
        q.setParam(QLatin1String(f), textOrNull(text(f)));
    const QString cost = text("KIN_01");
    q.setParam(QStringLiteral("KIN_01"), cost.isEmpty() ? QVariant() : Helpers::parseAmount(cost));
    q.setParam(QStringLiteral("KIN_02"), Helpers::parseAmount(text("KIN_02")));
    q.setParam(QStringLiteral("KIN_06"), Helpers::parseAmount(text("KIN_06")));
    const QString vendor = text("S_CD");
    q.setParam(QStringLiteral("S_CD"), vendor.isEmpty() ? QVariant() : Helpers::toIntOrZero(vendor));
}

void MaintenanceCommands::copyMaster(Master master)
{
    const QString table = master == Master::Members  ? QStringLiteral("MAS_BUZAI")
                          : master == Master::Majors ? QStringLiteral("MAS_KOUSYU_01")
                                                     : QStringLiteral("MAS_KOUSYU_02");
    const QString caption = master == Master::Members  ? QStringLiteral("部材マスター")
                            : master == Master::Majors ? QStringLiteral("大項目マスター")
                                                       : QStringLiteral("中項目マスター");
    if (!openSecond(table))
        return;
    Database& second = m_ctx.dm.conn.IBDatabase5;
    Database& product = m_ctx.dm.conn.IBDatabase1;

    Query& src = m_ctx.dm.IBQ_TREVOLAN2;
    src.setSql(QStringLiteral("select * from ") + table +
               (master == Master::Members  ? QString()
                : master == Master::Majors ? QStringLiteral(" order by BL_kubun")
                                           : QStringLiteral(" order by BL_kubun,BM_kubun")));
    src.open();
    second.transaction().commit();
    const int current = rowCount(product, table);
    // What the question counts; another user's registration before the answer
    // stops the copy.
    const QByteArray asAsked = ListGuard::masterDigest(product, table);
    const QString question = QStringLiteral("%1を第２データベースのもので置き換えます。\n"
                                            "第２データベース：%2\n"
                                            "このデータベースの%3件を削除し、%4件を複写します。\nよろしいですか？")
                                 .arg(caption, QDir::toNativeSeparators(second.databaseName()))
                                 .arg(current)
                                 .arg(src.recordCount());
    if (m_ctx.screen.confirmation().ask(Confirmation::Question, question) != Confirmation::Ok) {
        src.close();
        return;
    }

    Query& q = m_ctx.dm.IBQ_touroku;
    int copied = 0;
    try {
        product.transaction().runWhole([&] {
            // Every registration of a category or member list locks its major
            // categories' rows first: the copy waits for them, and they for it.
            ListGuard::lockMajors(product);
            if (ListGuard::masterDigest(product, table) != asAsked)
                throw StaleList({});
            q.run(QStringLiteral("Delete from ") + table);
            q.setSql(master == Master::Members
                         ? MemberRegistration::insertStatement()
                         : WorkTypeRegistration::insertStatement(master == Master::Majors ? Tab::Major : Tab::Middle));
            for (src.first(); !src.eof(); src.next()) {
                bindCopiedRow(q, master, src, ++copied);
                q.exec();
            }
        });
    } catch (const StaleList&) {
        src.close();
        m_ctx.screen.confirmation().ask(
            Confirmation::Notice, QStringLiteral("お尋ねしている間に、他の利用者が%1を登録しました。\n"
                                                 "何も変更していません。件数を確かめるため、もう一度実行してください。")
                                      .arg(caption));
        return;
    } catch (...) {
        src.close();
        throw;
    }
    src.close();
    // The list on screen still shows the old master: registered as it is, it
    // would write the old rows back over the copy (or renumber by old codes).
    m_ctx.loads.invalidate(master == Master::Members  ? Tab::Member
                           : master == Master::Majors ? Tab::Major
                                                      : Tab::Middle);
    m_ctx.screen.confirmation().ask(
        Confirmation::Notice,
        QStringLiteral("%1に%2件を複写しました。\n表示中の一覧は、タブを表示し直して読み込んでから登録してください。")
            .arg(caption)
            .arg(copied));
}

void MaintenanceCommands::SBS_12Click()
{
    if (m_ctx.screen.activeTab() != Tab::Unit)
        return;
    Database& product = m_ctx.dm.conn.IBDatabase1;
    const int orphans =
        rowCount(product, QStringLiteral("MAS_SIAGE02 d"),
                 QStringLiteral("where d.BUI>0 and not exists (select 1 from MAS_SIAGE01 s where s.BUI=d.BUI and "
                                "s.BANGOU=d.BANGOU)"));
    Confirmation& confirm = m_ctx.screen.confirmation();
    if (orphans == 0) {
        confirm.ask(Confirmation::Notice, QStringLiteral("仕上表のない仕上明細はありません。\n何も変更していません。"));
        return;
    }
    if (confirm.ask(Confirmation::Question,
                    QStringLiteral("仕上表がなくなった仕上明細 %1件を製品データベースから削除します。\n"
                                   "実行しますか？（「いいえ」で中止します）")
                        .arg(orphans)) != Confirmation::Ok)
        return;
    product.transaction().restart();
    Query& q = m_ctx.dm.IBQ_touroku;
    // The marking column of older databases; an existing one is no error.
    q.setSql(QStringLiteral("ALTER TABLE MAS_SIAGE02 ADD SAKUJO Smallint"));
    if (q.execIgnoringError())
        q.run(QStringLiteral("COMMIT"));
    else
        product.transaction().rollback();
    product.transaction().runWhole([&] {
        q.run({QStringLiteral("UPDATE MAS_SIAGE02"), QStringLiteral("set SAKUJO=1"), QStringLiteral("where BUI>0")});
        q.run({QStringLiteral("UPDATE MAS_SIAGE02"), QStringLiteral("set SAKUJO=null"),
               QStringLiteral("where SAKUJO=1 and exists (select 1 from MAS_SIAGE01 s"),
               QStringLiteral("where s.BUI=MAS_SIAGE02.BUI and s.BANGOU=MAS_SIAGE02.BANGOU)")});
        q.run({QStringLiteral("delete from MAS_SIAGE02"), QStringLiteral("where SAKUJO=1")});
    });
    confirm.ask(Confirmation::Notice, QStringLiteral("仕上明細 %1件を削除しました。").arg(orphans));
}
