#include "VendorSearch.h"

#include "Helpers.h"
#include "Query.h"

namespace VendorSearch {

namespace {

const QString kSelect = QStringLiteral("select * from MAS_SIIRE");
const QString kLive = QStringLiteral("where E_DATE04 is null");
// Patterns are cast so that a text longer than the column never overflows the
// parameter's inferred type.
const QString kPattern = QStringLiteral("CAST(:%1 AS VARCHAR(210))");

QString pattern(const QString& name)
{
    return kPattern.arg(name);
}

// The clauses shared by the search and the re-sort for a number or a telephone
// tail; false when the text is neither.
bool numberClause(const QString& text, Statement& s)
{
    const int number = Helpers::toIntOrZero(text);
    if (number > 0) {
        s.params.insert(QStringLiteral("CD"), number);
        if (text.size() == 4) {
            // Four digits: the last four of a telephone number, or a vendor code.
            s.lines << QStringLiteral("and T_CD>0 and (T_TEL LIKE %1 or T_CD=:CD)").arg(pattern(QStringLiteral("TEL")));
            s.params.insert(QStringLiteral("TEL"), QString(u'%' + text));
        } else {
            s.lines << QStringLiteral("and T_CD>0 and T_CD=:CD");
        }
        return true;
    }
    if (text.contains(u'-') && text.size() >= 6) {
        s.lines << QStringLiteral("and T_CD>0 and T_TEL LIKE %1").arg(pattern(QStringLiteral("TEL")));
        s.params.insert(QStringLiteral("TEL"), QString(u'%' + text));
        return true;
    }
    return false;
}

// LIKE treats "%" and "_" as wildcards; the user's text is matched as typed
// apart from them, as the suite always has.
QString contains(const QString& text)
{
    return u'%' + text + u'%';
}

} // namespace

void Statement::open(Query& q) const
{
    q.close();
    q.setSql(lines);
    for (auto it = params.begin(); it != params.end(); ++it)
        q.setParam(it.key(), it.value());
    q.open();
}

QString orderLine(bool byKey, const QString& alias)
{
    return QStringLiteral("order by ") + alias + (byKey ? QStringLiteral("T_KEY") : QStringLiteral("T_CD"));
}

Statement byText(const QString& text, bool prefixMatch, const QString& order)
{
    Statement s{{kSelect, kLive}, {}};
    if (!numberClause(text, s)) {
        // Keys are stored in half-width katakana; hiragana and full width as typed find them.
        const QString key = Helpers::toHalfWidth(Helpers::toKatakana(text));
        if (prefixMatch) {
            s.lines << QStringLiteral("and T_CD>0 and (T_KEY LIKE %1)").arg(pattern(QStringLiteral("KEY")));
            s.params.insert(QStringLiteral("KEY"), QString(key + u'%'));
        } else {
            s.lines << QStringLiteral("and T_CD>0 and (T_KEY LIKE %1 or T_KEY LIKE %2 or T_NAME01 LIKE %2)")
                           .arg(pattern(QStringLiteral("KEY")), pattern(QStringLiteral("TEXT")));
            s.params.insert(QStringLiteral("KEY"), contains(key));
            s.params.insert(QStringLiteral("TEXT"), contains(text));
        }
    }
    s.lines << order;
    return s;
}

Statement byWorkType(const QString& workType, const QString& order)
{
    Statement s{{QStringLiteral("select * from MAS_SIIRE a "), kLive}, {}};
    const int code = Helpers::toIntOrZero(workType);
    if (code > 0)
        s.lines << QStringLiteral("and a.KU_KOUSYU=%1").arg(code);
    s.lines << order;
    return s;
}

Statement all(const QString& order)
{
    return {{kSelect, kLive, order}, {}};
}

Statement resortByText(const QString& text, bool prefixMatch, const QString& order)
{
    Statement s{{kSelect, kLive}, {}};
    if (!numberClause(text, s)) {
        s.lines << QStringLiteral("and (T_KEY LIKE %1 or T_NAME01 LIKE %1)").arg(pattern(QStringLiteral("TEXT")));
        s.params.insert(QStringLiteral("TEXT"), prefixMatch ? QString(text + u'%') : contains(text));
    }
    s.lines << order;
    return s;
}

Statement resortByWorkType(int c, const QString& order)
{
    Statement s;
    s.lines << QStringLiteral("select a.T_CD,a.T_NAME01,a.T_NAME02,a.T_NAME03,a.T_TEL,a.T_KEY,a.KU_TAX,a.T_TEL")
            << QStringLiteral(",a.T_FAX,a.T_TANTOU,a.T_ZIP_CD,a.T_ADD_1,a.T_ADD_2,a.KU_KOUSYU,a.KU_KAMOKU")
            << QStringLiteral(
                   ",a.KU_G_KETA,a.KU_KIN_K,a.KU_TAX_K,a.KIN_01,a.KIN_02,a.KIN_03,a.KU_HARAI,a.KU_SIME,count(b.KOUSYU)")
            << QStringLiteral(" from MAS_SIIRE a , DAT_JIKKOU b")
            << QStringLiteral("where a.E_DATE04 is null and a.T_CD=b.T_CD_2");
    if (c % 100 >= 1)
        s.lines << QStringLiteral("and (a.KU_KOUSYU=%1 or b.KOUSYU=%1)").arg(c);
    else
        s.lines << QStringLiteral("and ((b.KOUSYU>=%1 and b.KOUSYU<=%2) or (a.KU_KOUSYU>=%1 and a.KU_KOUSYU<=%2))")
                       .arg(c)
                       .arg(c + 99);
    s.lines << QStringLiteral("group by a.T_CD,a.T_NAME01,a.T_NAME02,a.T_NAME03,a.T_TEL,a.T_KEY,a.KU_TAX,a.T_TEL")
            << QStringLiteral(",a.T_FAX,a.T_TANTOU,a.T_ZIP_CD,a.T_ADD_1,a.T_ADD_2,a.KU_KOUSYU,a.KU_KAMOKU")
            << QStringLiteral(",a.KU_G_KETA,a.KU_KIN_K,a.KU_TAX_K,a.KIN_01,a.KIN_02,a.KIN_03,a.KU_HARAI,a.KU_SIME")
            << order;
    return s;
}

QString shortName(const QString& name01)
{
    QString name = name01;
    name.replace(QStringLiteral("株式会社"), QStringLiteral("㈱"))
        .replace(QStringLiteral("有限会社"), QStringLiteral("㈲"));
    name = Helpers::toHalfWidth(name);
    name.remove(u' ');
    name = Helpers::toHalfWidth(name);
    name.remove(u'\u3000');
    return Helpers::toHalfWidth(name);
}

} // namespace VendorSearch
