#include "Formula.h"

#include "Helpers.h"

#include <muParser.h>

#include <cmath>

namespace Formula {

namespace {

// The characters a formula may hold once widths are folded; anything else
// (letters above all) would reach muparser's variables and functions.
bool allowed(QChar c)
{
    static const QString operators = QStringLiteral("+-*/^().");
    return (c >= u'0' && c <= u'9') || operators.contains(c) || c == u' ';
}

QString normalised(const QString& formula)
{
    QString text = Helpers::toHalfWidth(formula);
    text.replace(u'×', u'*').replace(u'÷', u'/').replace(u'・', u'.');
    text.remove(u',');
    return text.trimmed();
}

} // namespace

QString shortestText(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    if (text.contains(u'e')) {
        // Small or huge values: spell out the digits instead of an exponent.
        const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
        text = QString::number(value, 'f', std::max(0, 14 - exponent));
        if (text.contains(u'.')) {
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(u'.'))
                text.chop(1);
        }
    }
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

Outcome evaluate(const QString& formula)
{
    const QString text = normalised(formula);
    if (text.isEmpty() || text.size() > MaxLength)
        return {};
    for (QChar c : text)
        if (!allowed(c))
            return {};
    double value = 0;
    try {
        mu::Parser parser;
        // Only ASCII is left, so the narrow string is exact.
        parser.SetExpr(text.toStdString());
        value = parser.Eval();
    } catch (const mu::Parser::exception_type&) {
        return {};
    }
    if (!std::isfinite(value))
        return {Status::Undefined, 0};
    if (std::fabs(value) >= MaxAmount)
        return {Status::OutOfRange, 0};
    // Drop the binary noise of 1200*1.1 and the like: the caller gets what is shown.
    bool ok = false;
    const double shown = shortestText(value).toDouble(&ok);
    return {Status::Ok, ok ? shown : value};
}

} // namespace Formula
