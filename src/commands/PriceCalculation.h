#pragma once

#include <QString>
#include <QStringList>

class MainScreen;
class TDM2;

// The price calculation of the 部材 tab: one money column of every member set
// from another by a percentage, or the unit price from the cost by a profit
// rate on the price, rounded to 1, 10, 100 or 1000 yen or by the source amount.
class PriceCalculation {
public:
    enum Rounding { OneYen = 0, TenYen = 1, HundredYen = 2, ThousandYen = 3, Automatic = 4 };

    // What the panel holds: "原価", "単価" or "定価" as target; those or "利益率"
    // as source; the factor (or rate) text as typed; the rounding item.
    struct Inputs {
        QString target = QStringLiteral("単価");
        QString source = QStringLiteral("利益率");
        QString factor = QStringLiteral("25");
        int rounding = Automatic;
    };

    PriceCalculation(TDM2& dm, MainScreen& screen) : m_dm(dm), m_screen(screen) {}

    // False when nothing was changed: a factor that is not a positive integer
    // (a profit rate not below 100) or a result beyond the amounts' range is
    // refused with a notice saying why.
    bool run(const Inputs& in);

    // The update statements for target, source and the factor's text, in order.
    static QStringList statements(const QString& target, const QString& source, const QString& factor, int rounding);
    // The factor that turns a cost into the price with `rate` % profit on the
    // price; the text of 100 ÷ (100 − rate) × 100 with 15 significant digits.
    static QString profitFactor(double rate);
    // "原価" → KIN_01, "単価" → KIN_02, "定価" → KIN_06; empty for anything else.
    static QString columnOf(const QString& caption);

private:
    TDM2& m_dm;
    MainScreen& m_screen;
};
