#include "PriceCalculation.h"

#include "DataModule.h"
#include "Helpers.h"
#include "MainScreen.h"
#include "Rebuild.h"

#include <cmath>

namespace {

// Why the panel's factor cannot be used, and what to type instead.
QString refusedFactor(bool profit, const QString& typed)
{
    const QString name = profit ? QStringLiteral("利益率") : QStringLiteral("掛率");
    const QString wanted = profit ? QStringLiteral("1から99までの整数（％）を入力してください。")
                                  : QStringLiteral("1以上の整数（％）を入力してください。");
    if (typed.trimmed().isEmpty())
        return name + QStringLiteral("が入力されていません。") + wanted;
    const bool fraction = typed.contains(QLatin1Char('.')) || typed.contains(QChar(0xFF0E));
    const QString shown =
        typed.trimmed().size() > 20 ? typed.trimmed().left(20) + QStringLiteral("…") : typed.trimmed();
    return name + QStringLiteral("「") + shown + QStringLiteral("」では計算できません。") +
           (fraction ? QStringLiteral("小数は使えません。") : QString()) + wanted;
}
const QString kTooLarge = QStringLiteral("計算結果が金額の範囲を超えます。係数を確認してください。");
// Beyond this an amount no longer keeps its yen in the digits the grid shows.
constexpr double kMaxAmount = 1e13;

} // namespace

QString PriceCalculation::columnOf(const QString& caption)
{
    if (caption == QStringLiteral("原価"))
        return QStringLiteral("KIN_01");
    if (caption == QStringLiteral("単価"))
        return QStringLiteral("KIN_02");
    if (caption == QStringLiteral("定価"))
        return QStringLiteral("KIN_06");
    return {};
}

QString PriceCalculation::profitFactor(double rate)
{
    return QString::number(100.0 / (100.0 - rate) * 100.0, 'g', 15);
}

QStringList PriceCalculation::statements(const QString& t, const QString& s, const QString& f, int rounding)
{
    const QString head =
        QStringLiteral("update BUZAI_S SET ") + t + QStringLiteral("=cast((") + s + QLatin1Char('*') + f;
    const QString positive = QStringLiteral(" where ") + s + QStringLiteral(">0");
    switch (rounding) {
    case OneYen: return {head + QStringLiteral("/100) as DECIMAL(18,0))") + positive};
    case TenYen: return {head + QStringLiteral("/100)/10 as DECIMAL(18,0))*10") + positive};
    case HundredYen: return {head + QStringLiteral("/100)/100 as DECIMAL(18,0))*100") + positive};
    case ThousandYen: return {head + QStringLiteral("/100)/1000 as DECIMAL(18,0))*1000") + positive};
    case Automatic:
        return {head + QStringLiteral("/10)/100 as DECIMAL(18,0))*10 where ") + s + QStringLiteral("<1000 and ") + s +
                    QStringLiteral(">0"),
                head + QStringLiteral("/100)/100 as DECIMAL(18,0))*100 where ") + s + QStringLiteral(">=1000 and ") +
                    s + QStringLiteral("<100000"),
                head + QStringLiteral("/100)/1000 as DECIMAL(18,0))*1000 where ") + s + QStringLiteral(">=100000")};
    default: return {};
    }
}

bool PriceCalculation::run(const Inputs& in)
{
    const bool profit = in.source == QStringLiteral("利益率");
    const int whole = Helpers::toIntOrZero(in.factor);
    // At 100 % profit the price would be infinite, beyond it negative; a factor
    // that is no whole percentage never reaches the statement.
    if (whole <= 0 || (profit && whole >= 100)) {
        m_screen.confirmation().ask(Confirmation::Notice, refusedFactor(profit, in.factor));
        return false;
    }
    TableDataset& ds = m_dm.IBT_bu;
    QString target = columnOf(in.target);
    QString source;
    QString factor;
    double factorValue = 0;
    if (profit) {
        target = QStringLiteral("KIN_02");
        source = QStringLiteral("KIN_01");
        const double rate = whole;
        factor = profitFactor(rate);
        factorValue = 100.0 / (100.0 - rate) * 100.0;
    } else {
        source = columnOf(in.source);
        // The integer, not the text: only a number ever reaches the statement.
        factor = QString::number(whole);
        factorValue = whole;
    }
    const QStringList updates = statements(target, source, factor, in.rounding);
    if (target.isEmpty() || source.isEmpty() || updates.isEmpty())
        return false;

    // The edited row counts too: it is posted before the amounts are looked at.
    if (ds.active())
        ds.checkBrowseMode();
    Query& q = m_dm.IBQ_FB4;
    q.close();
    q.setSql(QStringLiteral("select max(") + source + QStringLiteral(") as TOP from BUZAI_S"));
    q.open();
    const double top = q.value(QStringLiteral("TOP")).toDouble();
    q.close();
    if (top * factorValue / 100.0 >= kMaxAmount) {
        m_screen.confirmation().ask(Confirmation::Notice, kTooLarge);
        return false;
    }
    // All statements or none: the automatic rounding must not stop halfway.
    Rebuild::inOneTransaction(*ds.database(), ds, [&] {
        for (const QString& s : updates)
            q.run(s);
        return 1;
    });
    return true;
}
