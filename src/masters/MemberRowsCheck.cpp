#include "MemberRowsCheck.h"

#include "Helpers.h"
#include "MemberRegistration.h"
#include "Query.h"

#include <QHash>

#include <algorithm>

namespace {

QString keyOf(const QString& name1, const QString& name2, const QString& unit)
{
    return name1 + QChar(0x1F) + name2 + QChar(0x1F) + unit;
}

// The key a row's member is stored under, as a later row's duplicate removal compares it.
QString storedKey(const QString& name1, const QString& name2, const QString& unit)
{
    return keyOf(Helpers::firstLine(name1), Helpers::firstLine(name2), Helpers::unitText(unit));
}

// Every stored key a row's duplicate removal deletes: each form of each name, the unit as typed.
QStringList removedKeys(const QString& name1, const QString& name2, const QString& unit)
{
    const auto forms = [](const QString& typed) {
        return typed.isEmpty() ? QStringList{QString()} : MemberRegistration::nameForms(typed);
    };
    const QString typedUnit = Helpers::firstLine(unit).replace(QChar(0x2019), QChar('\''));
    QStringList keys;
    for (const QString& f1 : forms(name1))
        for (const QString& f2 : forms(name2))
            keys << keyOf(f1, f2, typedUnit);
    keys.removeDuplicates();
    return keys;
}

} // namespace

namespace MemberRowsCheck {

QStringList lostRows(Database& work)
{
    static const char* const others[] = {"NAME03", "TANI", "KIN_01", "KIN_02", "KIN_06", "B_CD", "S_CD", "KU_KAMOKU"};
    Query q(&work);
    q.setSql(QStringLiteral("select NAME01, NAME02, NAME03, TANI, KIN_01, KIN_02, KIN_06, B_CD, S_CD, KU_KAMOKU "
                            "from BUZAI_S order by CNT"));
    q.open();
    QStringList lost;
    QHash<QString, QList<int>> kept; // stored key -> places of the rows kept under it
    int place = 0;
    for (; !q.eof(); q.next()) {
        ++place;
        const QString name1 = q.text(QStringLiteral("NAME01")), name2 = q.text(QStringLiteral("NAME02"));
        const QString unit = q.text(QStringLiteral("TANI"));
        if (name1.isEmpty() && name2.isEmpty()) {
            for (const char* column : others)
                if (!q.text(QLatin1String(column)).isEmpty()) {
                    lost << QStringLiteral("%1行目：名称と摘要が空です。").arg(place);
                    break;
                }
            continue;
        }
        for (const QString& key : removedKeys(name1, name2, unit))
            for (const int earlier : kept.take(key))
                lost << QStringLiteral("%1行目：%2行目と名称・摘要・単位が同じです（%2行目が残ります）。")
                            .arg(earlier)
                            .arg(place);
        kept[storedKey(name1, name2, unit)] << place;
    }
    q.close();
    std::sort(lost.begin(), lost.end(), [](const QString& a, const QString& b) {
        return a.section(QStringLiteral("行目"), 0, 0).toInt() < b.section(QStringLiteral("行目"), 0, 0).toInt();
    });
    return lost;
}

QString question(const QStringList& lost)
{
    if (lost.isEmpty())
        return {};
    constexpr int shown = 20;
    QStringList lines = lost.mid(0, shown);
    if (lost.size() > shown)
        lines << QStringLiteral("ほか%1行").arg(lost.size() - shown);
    return QStringLiteral("次の行は部材マスターに登録されません。\n%1\n\n"
                          "登録を続けますか？（「いいえ」で中止します。一覧はそのまま残ります）")
        .arg(lines.join('\n'));
}

} // namespace MemberRowsCheck
