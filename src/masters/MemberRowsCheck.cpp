#include "MemberRowsCheck.h"

#include "Helpers.h"
#include "MemberRegistration.h"
#include "Query.h"

#include <algorithm>

namespace {

struct Row {
    int place = 0;
    QString name1, name2, unit;
};

// Whether `later`'s duplicate removal deletes the member `earlier` was stored as.
bool replaces(const Row& later, const Row& earlier)
{
    const auto sameName = [](const QString& typed, const QString& stored) {
        return typed.isEmpty() ? stored.isEmpty()
                               : MemberRegistration::nameForms(typed).contains(Helpers::firstLine(stored));
    };
    const QString storedUnit = Helpers::unitText(earlier.unit);
    const QString typedUnit = Helpers::firstLine(later.unit).replace(QChar(0x2019), QChar('\''));
    return sameName(later.name1, earlier.name1) && sameName(later.name2, earlier.name2) &&
           (later.unit.isEmpty() ? storedUnit.isEmpty() : storedUnit == typedUnit);
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
    QList<Row> kept;
    int place = 0;
    for (; !q.eof(); q.next()) {
        ++place;
        const Row row{place, q.text(QStringLiteral("NAME01")), q.text(QStringLiteral("NAME02")),
                      q.text(QStringLiteral("TANI"))};
        if (row.name1.isEmpty() && row.name2.isEmpty()) {
            for (const char* column : others)
                if (!q.text(QLatin1String(column)).isEmpty()) {
                    lost << QStringLiteral("%1行目：名称と摘要が空です。").arg(place);
                    break;
                }
            continue;
        }
        for (auto it = kept.begin(); it != kept.end();) {
            if (replaces(row, *it)) {
                lost << QStringLiteral("%1行目：%2行目と名称・摘要・単位が同じです（%2行目が残ります）。")
                            .arg(it->place)
                            .arg(place);
                it = kept.erase(it);
            } else {
                ++it;
            }
        }
        kept << row;
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
