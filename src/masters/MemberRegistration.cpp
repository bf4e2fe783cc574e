#include "MemberRegistration.h"

#include "DataModule.h"
#include "Helpers.h"
#include "ListGuard.h"
#include "MasterLoads.h"
#include "MemberRowsCheck.h"
#include "ProgramState.h"
#include "RegistrationSupport.h"
#include "SjisCodec.h"

#include <QDate>
#include <QDateTime>

namespace {

QVariant valueOrNull(const QVariant& v)
{
    return v.isValid() && !v.isNull() ? v : QVariant();
}

// Text as it is matched in the product tables: first line, the typographic
// apostrophe taken for the plain one.
QString matchText(const QString& text)
{
    return Helpers::firstLine(text).replace(QChar(0x2019), QChar('\''));
}

bool housingEdition(const ProgramState& state)
{
    return state.housingRowMissing == 0;
}

} // namespace

MemberRegistration::MemberRegistration(CommandContext& context) : m_ctx(context) {}

MemberRegistration::~MemberRegistration() = default;

QString MemberRegistration::generatedCode(const QString& major, const QString& middle, int position)
{
    if (position >= 10000)
        return {};
    return major + '-' + middle + '-' + QString::number(position * 10).rightJustified(5, QChar('0'));
}

bool MemberRegistration::isCountedUnit(const QString& unit)
{
    static const QStringList units = {QStringLiteral("式"),     QStringLiteral("本"),  QStringLiteral("所"),
                                      QStringLiteral("セット"), QStringLiteral("ｾｯﾄ"), QStringLiteral("ｹｰｽ"),
                                      QStringLiteral("ケ"),     QStringLiteral("箱"),  QStringLiteral("SET"),
                                      QStringLiteral("set"),    QStringLiteral("枚"),  QStringLiteral("組"),
                                      QStringLiteral("個"),     QStringLiteral("台"),  QStringLiteral("着")};
    return units.contains(unit);
}

QStringList MemberRegistration::nameForms(const QString& name)
{
    const QString typed = matchText(name);
    // Full width is taken of the quote-doubled text: "a'b" is looked for as "ａ＇＇ｂ".
    QString doubled = typed;
    doubled.replace(QChar('\''), QStringLiteral("''"));
    return {typed, Helpers::toHalfWidth(typed), Helpers::toFullWidth(doubled)};
}

QString MemberRegistration::fold(const QString& text)
{
    QString folded = Helpers::toHalfWidth(SjisCodec::normalize(text)).toCaseFolded();
    folded.removeIf([](QChar c) { return c.isSpace(); });
    return folded;
}

QString MemberRegistration::key(const QString& name1, const QString& name2, const QString& unit)
{
    return fold(name1) + QChar(0x1F) + fold(name2) + QChar(0x1F) + fold(unit);
}

void MemberRegistration::collectKeys(Query& q, const QString& select, QSet<QString>& keys)
{
    q.close();
    q.setSql(select);
    q.open();
    for (; !q.eof(); q.next())
        keys.insert(key(q.value(0).toString(), q.value(1).toString(), q.value(2).toString()));
    q.close();
}

Query& MemberRegistration::statement(const QStringList& lines)
{
    const QString key = lines.join('\n');
    auto& slot = m_statements[key];
    if (!slot) {
        slot = std::make_unique<Query>(&m_ctx.dm.conn.IBDatabase1, QStringLiteral("IBQ_touroku"));
        for (const QString& line : lines)
            slot->addSql(line);
    }
    return *slot;
}

bool MemberRegistration::Button5Click()
{
    TDM2& dm = m_ctx.dm;
    Registration::postPending(dm.IBT_bu);
    Category category;
    if (dm.IBT_chu.active()) {
        category.majorText = dm.IBT_chu.text(QStringLiteral("BL_KUBUN"));
        category.middleText = dm.IBT_chu.text(QStringLiteral("BM_KUBUN"));
    }
    category.major = Helpers::toIntOrZero(category.majorText);
    category.middle = Helpers::toIntOrZero(category.middleText);

    m_refusedAsStale = false;
    // A narrowed grid holds only part of the list; it is judged once widened.
    const bool narrowed = m_ctx.screen.memberGridNarrowed();
    if (!narrowed && leavesMasterEmpty(category))
        return false;
    if (!ListGuard::stillCurrent(m_ctx, Tab::Member)) {
        m_refusedAsStale = true;
        return false;
    }
    if (m_ctx.screen.confirmation().ask(Confirmation::Question, question()) != Confirmation::Ok)
        return false;
    if (narrowed) {
        m_ctx.screen.endNarrowing();
        if (leavesMasterEmpty(category))
            return false;
    }
    const QString lost = MemberRowsCheck::question(MemberRowsCheck::lostRows(dm.conn.IBDatabase4));
    if (!lost.isEmpty() && m_ctx.screen.confirmation().ask(Confirmation::Question, lost) != Confirmation::Ok)
        return false;
    Registration::reconnect(dm.conn.IBDatabase1);
    if (housingEdition(m_ctx.state))
        ensureScratchTables();
    dm.IBT_bu.close();

    const auto restore = [&] {
        m_ctx.screen.progress().finish();
        m_ctx.screen.setMemberGridEnabled(true);
        Registration::quietly([&] { dm.IBT_bu.open(); });
    };
    const bool registered = ListGuard::registerOrRefuse(m_ctx, Tab::Member, [&] {
        Registration::runAllOrNothing(
            dm.conn.IBDatabase1, dm.conn.IBDatabase4,
            [&] {
                ListGuard::verify(dm.conn.IBDatabase1, Tab::Member, m_ctx.loads.origin(Tab::Member));
                registerMembers(category);
            },
            restore);
    });
    m_statements.clear();
    if (!registered) {
        m_refusedAsStale = true;
        return false;
    }
    QStringList rewritten{QStringLiteral("MAS_BUZAI")};
    if (housingEdition(m_ctx.state))
        rewritten << QStringLiteral("MAS_SIAGE02");
    Registration::collectGarbage(dm.conn.IBDatabase1, rewritten, m_ctx.screen.progress());

    m_ctx.screen.progress().finish();
    m_ctx.screen.confirmation().ask(Confirmation::Notice, QStringLiteral("登録しました。"));
    dm.IBT_bu.close();
    m_ctx.screen.setMemberGridEnabled(true);
    if (m_ctx.screen.activeTab() == Tab::Member)
        dm.IBT_bu.open();
    return true;
}

bool MemberRegistration::leavesMasterEmpty(const Category& category)
{
    TDM2& dm = m_ctx.dm;
    // Only this category's members are replaced; those of others that the final
    // clean-up keeps stay.
    const QString others = QStringLiteral("select count(*) from MAS_BUZAI "
                                          "where (BL_KUBUN is distinct from %1 or BM_KUBUN is distinct from %2) "
                                          "and (NAME01 is not null or NAME02 is not null)");
    const bool empty = !Registration::hasNamedRow(dm.conn.IBDatabase4, QStringLiteral("BUZAI_S"),
                                                  {QStringLiteral("NAME01"), QStringLiteral("NAME02")}) &&
                       Registration::count(dm.conn.IBDatabase1, others.arg(category.major).arg(category.middle)) == 0;
    if (empty)
        m_ctx.screen.confirmation().ask(Confirmation::Notice,
                                        Registration::nothingToRegisterMessage(QStringLiteral("部材マスター")));
    return empty;
}

void MemberRegistration::registerMembers(const Category& category)
{
    TDM2& dm = m_ctx.dm;
    const QString bl = QString::number(category.major);
    const QString bm = QString::number(category.middle);

    // Codes generated for this major category are made afresh from the new positions.
    Query& work = dm.IBQ_FB4;
    const QString majorField = dm.IBT_dai.active() ? dm.IBT_dai.text(QStringLiteral("BL_KUBUN")) : category.majorText;
    work.close();
    work.setSql(QStringLiteral("update BUZAI_S SET B_CD=null where B_CD LIKE :PREFIX"));
    work.setParam(QStringLiteral("PREFIX"), majorField + QStringLiteral("-%"));
    work.exec();
    work.run(QStringLiteral("delete from BUZAI_S where NAME01 is null and NAME02 is null and NAME03 is null"));
    dm.IBT_bu.open();
    m_ctx.screen.setMemberGridEnabled(false);

    Query& q = dm.IBQ_touroku;
    q.close();
    q.setSql(QStringList{QStringLiteral("update MAS_BUZAI set"), QStringLiteral("e_date04=:E_DATE04,"),
                         QStringLiteral("PC_NAME=:PC_NAME"), QStringLiteral("where BL_KUBUN=") + bl,
                         QStringLiteral("and BM_KUBUN=") + bm}
                 .join('\n'));
    q.setParam(QStringLiteral("E_DATE04"), QDate::currentDate());
    q.setParam(QStringLiteral("PC_NAME"), m_ctx.state.computerName);
    q.exec();
    q.run({QStringLiteral("delete from MAS_BUZAI"), QStringLiteral("where BL_KUBUN=") + bl,
           QStringLiteral("and BM_KUBUN=") + bm});

    m_memberKeys.clear();
    m_scheduleKeys.clear();
    m_changedMembers = 0;
    if (housingEdition(m_ctx.state)) {
        collectKeys(q, QStringLiteral("select NAME01, NAME02, TANI from MAS_BUZAI where BS_KUBUN is not null"),
                    m_memberKeys);
        collectKeys(q,
                    QStringLiteral("select NAME_01, NAME_02, TAN from MAS_SIAGE02 "
                                   "where NAME_01 is not null or NAME_02 is not null"),
                    m_scheduleKeys);
    }
    // Members of other categories that a grid row names go in one statement; the
    // rows below then only meet the members this run inserts.
    if (housingEdition(m_ctx.state) && !m_memberKeys.isEmpty())
        removeOlderDuplicates();
    m_memberKeys.clear();

    m_ctx.screen.progress().start(dm.IBT_bu.recordCount());
    dm.IBT_bu.close();
    Query& rows = dm.IBQ_FB4_2;
    rows.close();
    rows.setSql(QStringLiteral("select * from BUZAI_S order by CNT"));
    rows.open();
    int n = 1;
    for (rows.first(); !rows.eof(); rows.next(), ++n) {
        if (!rows.text(QStringLiteral("NAME01")).isEmpty() || !rows.text(QStringLiteral("NAME02")).isEmpty()) {
            removeDuplicates(rows, category);
            insertMember(rows, category, n);
            if (housingEdition(m_ctx.state))
                updateSchedule(rows, category, n);
        }
        m_ctx.screen.progress().step();
    }
    rows.close();

    if (housingEdition(m_ctx.state)) {
        if (m_changedMembers > 0)
            updateScheduleFromChangedMembers(category);
        q.run(QStringLiteral("UPDATE MAS_SIAGE02 set BUI=KOUSYU*(-1) where BUI<0 and KOUSYU>0"));
    }
    q.run(QStringLiteral("DELETE FROM MAS_BUZAI where NAME01 is null and NAME02 is null"));
}

void MemberRegistration::removeDuplicates(const Query& row, const Category& category)
{
    const auto formsOf = [&](const char* column) {
        const QString typed = row.text(QLatin1String(column));
        return typed.isEmpty() ? QStringList{QString()} : nameForms(typed);
    };
    bool reachable = false;
    for (const QString& n1 : formsOf("NAME01"))
        for (const QString& n2 : formsOf("NAME02"))
            reachable = reachable || m_memberKeys.contains(key(n1, n2, row.text(QStringLiteral("TANI"))));
    if (!reachable)
        return;

    QStringList lines = {QStringLiteral("delete from MAS_BUZAI"), QStringLiteral("where BS_KUBUN is not null")};
    // Outside the housing edition only the category itself is searched; the cheap
    // code tests come before the name comparisons.
    if (m_ctx.state.housingRowMissing == 1)
        lines << QStringLiteral("and BL_KUBUN=%1").arg(category.major)
              << QStringLiteral("and BM_KUBUN=%1").arg(category.middle);
    QHash<QString, QVariant> params;
    for (const char* column : {"NAME01", "NAME02"}) {
        const QString col = QLatin1String(column);
        const QString typed = row.text(col);
        if (typed.isEmpty()) {
            lines << QStringLiteral("and %1 is null").arg(col);
            continue;
        }
        const QStringList forms = nameForms(typed);
        lines << QStringLiteral("and (%1=:%1_A or %1=:%1_B or %1=:%1_C)").arg(col);
        params.insert(col + QStringLiteral("_A"), forms.at(0));
        params.insert(col + QStringLiteral("_B"), forms.at(1));
        params.insert(col + QStringLiteral("_C"), forms.at(2));
    }
    // The unit is matched as typed, surrounding blanks and all.
    const QString unit = row.text(QStringLiteral("TANI"));
    if (unit.isEmpty()) {
        lines << QStringLiteral("and TANI is null");
    } else {
        lines << QStringLiteral("and TANI=:TANI");
        params.insert(QStringLiteral("TANI"), matchText(unit));
    }

    Query& q = statement(lines);
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        q.setParam(it.key(), it.value());
    q.exec();
}

void MemberRegistration::removeOlderDuplicates()
{
    const QString names = QLatin1String(kRegisteredNames);
    Query& rows = m_ctx.dm.IBQ_FB4_2;
    rows.close();
    rows.setSql(QStringLiteral("select NAME01, NAME02, TANI from BUZAI_S order by CNT"));
    rows.open();
    int noted = 0;
    // Every spelling a row's duplicate removal looks for, one line per pair of forms;
    // an empty name or unit is NULL, matched by "is null".
    Query& note = statement({QStringLiteral("INSERT INTO %1 (NAME01,NAME02,TANI) values (:N1,:N2,:TANI)").arg(names)});
    for (; !rows.eof(); rows.next()) {
        const QString unit = rows.text(QStringLiteral("TANI"));
        const auto formsOf = [&](const char* column) {
            const QString typed = rows.text(QLatin1String(column));
            return typed.isEmpty() ? QStringList{QString()} : nameForms(typed);
        };
        if (rows.text(QStringLiteral("NAME01")).isEmpty() && rows.text(QStringLiteral("NAME02")).isEmpty())
            continue;
        const QStringList forms1 = formsOf("NAME01"), forms2 = formsOf("NAME02");
        bool reachable = false;
        for (const QString& n1 : forms1)
            for (const QString& n2 : forms2)
                reachable = reachable || m_memberKeys.contains(key(n1, n2, unit));
        if (!reachable)
            continue;
        const auto orNull = [](const QString& text, bool empty) { return empty ? QVariant() : QVariant(text); };
        for (const QString& n1 : forms1)
            for (const QString& n2 : forms2) {
                note.setParam(QStringLiteral("N1"), orNull(n1, rows.text(QStringLiteral("NAME01")).isEmpty()));
                note.setParam(QStringLiteral("N2"), orNull(n2, rows.text(QStringLiteral("NAME02")).isEmpty()));
                note.setParam(QStringLiteral("TANI"), orNull(matchText(unit), unit.isEmpty()));
                note.exec();
                ++noted;
            }
    }
    rows.close();
    if (noted == 0)
        return;
    m_ctx.dm.IBQ_touroku.run(
        QStringLiteral("DELETE FROM MAS_BUZAI where BS_KUBUN is not null and exists (select 1 from "
                       "%1 L where L.NAME01 is not distinct from MAS_BUZAI.NAME01 and L.NAME02 is "
                       "not distinct from MAS_BUZAI.NAME02 and L.TANI is not distinct from "
                       "MAS_BUZAI.TANI)")
            .arg(names));
}

QStringList MemberRegistration::insertStatement()
{
    return {QStringLiteral("INSERT INTO MAS_BUZAI"),
            QStringLiteral("(BL_kubun,BM_kubun,BS_kubun,KU_KAMOKU,NAME01,NAME02,NAME03"),
            QStringLiteral(",TANI,KIN_01,KIN_02,KIN_06,G_RITU,T_RITU,K_RITU,TAX_KU,B_CD,S_CD,KETA"),
            QStringLiteral(",e_date01,e_date04,PC_NAME)"),
            QStringLiteral("values"),
            QStringLiteral("(:BL_kubun,:BM_kubun,:BS_kubun,:KU_KAMOKU,:NAME01,:NAME02,:NAME03"),
            QStringLiteral(",:TANI,:KIN_01,:KIN_02,:KIN_06,:G_RITU,:T_RITU,:K_RITU,:TAX_KU,:B_CD,:S_CD,:KETA"),
            QStringLiteral(",:e_date01,:e_date04,:PC_NAME)")};
}

void MemberRegistration::insertMember(const Query& row, const Category& category, int position)
{
    Query& q = statement(insertStatement());
    q.setParam(QStringLiteral("BL_kubun"), category.major);
    q.setParam(QStringLiteral("BM_kubun"), category.middle);
    q.setParam(QStringLiteral("BS_kubun"), position);
    for (const char* column : {"NAME01", "NAME02", "NAME03"})
        q.setParam(QLatin1String(column), Helpers::textOrNull(Helpers::firstLine(row.text(QLatin1String(column)))));

    const QString code = Helpers::firstLine(row.text(QStringLiteral("B_CD")));
    q.setParam(
        QStringLiteral("B_CD"),
        Helpers::textOrNull(code.isEmpty() ? generatedCode(category.majorText, category.middleText, position) : code));
    q.setParam(QStringLiteral("TANI"), Helpers::textOrNull(Helpers::unitText(row.text(QStringLiteral("TANI")))));
    for (const char* column : {"KIN_01", "KIN_02", "KIN_06", "KU_KAMOKU", "S_CD"})
        q.setParam(QLatin1String(column), valueOrNull(row.value(QLatin1String(column))));

    QVariant digits = valueOrNull(row.value(QStringLiteral("KETA")));
    if (!digits.isValid() && isCountedUnit(row.text(QStringLiteral("TANI"))))
        digits = 0;
    q.setParam(QStringLiteral("KETA"), digits);
    q.setParam(QStringLiteral("e_date01"), QDateTime::currentDateTime());
    q.setParam(QStringLiteral("e_date04"), QVariant());
    q.setParam(QStringLiteral("PC_NAME"), Helpers::textOrNull(m_ctx.state.computerName));
    for (const char* column : {"G_RITU", "T_RITU", "K_RITU", "TAX_KU"})
        q.setParam(QLatin1String(column), QVariant());
    q.exec();
    m_memberKeys.insert(key(Helpers::firstLine(row.text(QStringLiteral("NAME01"))),
                            Helpers::firstLine(row.text(QStringLiteral("NAME02"))),
                            Helpers::unitText(row.text(QStringLiteral("TANI")))));
}

void MemberRegistration::ensureScratchTables()
{
    // Private to each transaction and emptied by its commit: other programs of the
    // suite never see a row of them.
    const std::pair<const char*, const char*> tables[] = {
        {kChangedMembers, "BS_KUBUN INTEGER, NAME_01 VARCHAR(40), NAME_02 VARCHAR(40), TAN VARCHAR(12), "
                          "KIN_01 DOUBLE PRECISION, KIN_02 DOUBLE PRECISION, KAMOKU SMALLINT, T_CD_2 INTEGER, "
                          "B_CD VARCHAR(20), KETA SMALLINT"},
        {kRegisteredNames, "NAME01 VARCHAR(200), NAME02 VARCHAR(200), TANI VARCHAR(200)"}};
    Database& product = m_ctx.dm.conn.IBDatabase1;
    Query q(&product);
    for (const auto& [table, columns] : tables) {
        const QString name = QLatin1String(table);
        if (Registration::count(
                product, QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME='%1'").arg(name)) >
            0)
            continue;
        q.run(QStringLiteral("CREATE GLOBAL TEMPORARY TABLE %1 (%2) ON COMMIT DELETE ROWS")
                  .arg(name, QLatin1String(columns)));
        product.transaction().commitAndRestart();
        q.run(QStringLiteral("CREATE INDEX %1_N ON %1 (%2)")
                  .arg(name,
                       name == QLatin1String(kChangedMembers) ? QStringLiteral("NAME_01") : QStringLiteral("NAME01")));
        product.transaction().commitAndRestart();
    }
}

void MemberRegistration::updateSchedule(const Query& row, const Category& category, int position)
{
    const QString name1 = row.text(QStringLiteral("NAME01"));
    const QString name2 = row.text(QStringLiteral("NAME02"));
    const QString unit = row.text(QStringLiteral("TANI"));
    const QString typedCode = Helpers::firstLine(row.text(QStringLiteral("B_CD")));
    const QString code =
        typedCode.isEmpty() ? generatedCode(category.majorText, category.middleText, position) : matchText(typedCode);
    if (!m_scheduleKeys.contains(key(matchText(name1), matchText(name2), matchText(unit))))
        return;

    // Noted here, written by one statement after the last row: an empty name or
    // unit is NULL, matched by "is null"; an empty code keeps the line's code.
    Query& q =
        statement({QStringLiteral("INSERT INTO %1").arg(QLatin1String(kChangedMembers)),
                   QStringLiteral("(BS_KUBUN,NAME_01,NAME_02,TAN,KIN_01,KIN_02,KAMOKU,T_CD_2,B_CD,KETA)"),
                   QStringLiteral("values (:BS,:NAME_01,:NAME_02,:TAN,:KIN_01,:KIN_02,:KAMOKU,:T_CD_2,:B_CD,:KETA)")});
    const auto amount = [&](const char* column) {
        const QVariant v = row.value(QLatin1String(column));
        return v.isValid() && !v.isNull() ? v.toDouble() : 0.0;
    };
    const auto textOrNull = [](const QString& typed) {
        return typed.isEmpty() ? QVariant() : QVariant(matchText(typed));
    };
    q.setParam(QStringLiteral("BS"), position);
    q.setParam(QStringLiteral("NAME_01"), textOrNull(name1));
    q.setParam(QStringLiteral("NAME_02"), textOrNull(name2));
    q.setParam(QStringLiteral("TAN"), textOrNull(unit));
    q.setParam(QStringLiteral("KIN_01"), amount("KIN_01"));
    q.setParam(QStringLiteral("KIN_02"), amount("KIN_02"));
    q.setParam(QStringLiteral("KAMOKU"), Helpers::toIntOrZero(row.text(QStringLiteral("KU_KAMOKU"))));
    q.setParam(QStringLiteral("T_CD_2"), Helpers::toIntOrZero(row.text(QStringLiteral("S_CD"))));
    q.setParam(QStringLiteral("B_CD"), code.isEmpty() ? QVariant() : QVariant(code));
    QVariant digits;
    if (isCountedUnit(unit))
        digits = 0;
    else if (const QString keta = row.text(QStringLiteral("KETA")); !keta.isEmpty())
        digits = Helpers::toIntOrZero(keta);
    q.setParam(QStringLiteral("KETA"), digits);
    q.exec();
    ++m_changedMembers;
}

void MemberRegistration::updateScheduleFromChangedMembers(const Category& category)
{
    Query& q = m_ctx.dm.IBQ_touroku;
    const QString changed = QLatin1String(kChangedMembers);
    const QString sameLine = QStringLiteral("L.NAME_01 is not distinct from M.NAME_01 and L.NAME_02 is not distinct "
                                            "from M.NAME_02 and L.TAN is not distinct from M.TAN");
    // A line that several members match ends with the last of them, as if each
    // member had updated it in turn: only the last member of equal names stays.
    q.run(QStringLiteral("DELETE FROM %1 M where exists (select 1 from %1 L where L.NAME_01 is not distinct from "
                         "M.NAME_01 and %2 and L.BS_KUBUN>M.BS_KUBUN)")
              .arg(changed, sameLine));

    const QString member = QStringLiteral("(select L.%1 from %2 L where L.NAME_01 is not distinct from "
                                          "MAS_SIAGE02.NAME_01 and %3)")
                               .arg(QStringLiteral("%1"), changed,
                                    QString(sameLine).replace(QStringLiteral("M."), QStringLiteral("MAS_SIAGE02.")));
    const auto from = [&](const char* column) { return member.arg(QLatin1String(column)); };
    q.run(QStringList{
        QStringLiteral("UPDATE MAS_SIAGE02 set KIN_01=%1, KIN_02=%2, KAMOKU=%3, T_CD_2=%4")
            .arg(from("KIN_01"), from("KIN_02"), from("KAMOKU"), from("T_CD_2")),
        QStringLiteral(", BL_KUBUN=%1, BM_KUBUN=%2, KOUSYU=%3")
            .arg(category.major)
            .arg(category.middle)
            .arg(category.major * 100 + category.middle),
        QStringLiteral(", B_CD=coalesce(%1, B_CD), KETA=%2").arg(from("B_CD"), from("KETA")),
        QStringLiteral(", NAME_01=coalesce(%1, NAME_01), NAME_02=coalesce(%2, NAME_02), BS_kubun=%3")
            .arg(from("NAME_01"), from("NAME_02"), from("BS_KUBUN")),
        QStringLiteral("where (NAME_01 is not null or NAME_02 is not null) and exists %1").arg(from("BS_KUBUN"))});
}
