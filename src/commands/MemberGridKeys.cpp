#include "MemberGridKeys.h"

#include "DataModule.h"
#include "Helpers.h"
#include "MainScreen.h"
#include "MemberPickers.h"
#include "ProgramState.h"

#include <algorithm>

namespace {

// "Edit, post": the row's changes are stored before the next step looks at it.
void postRow(TableDataset& ds)
{
    if (ds.state() == TableDataset::Edit || (ds.state() == TableDataset::Insert && ds.modified()))
        ds.post();
}

bool isMoney(int column)
{
    using C = MemberGridKeys::Column;
    return column == C::Cost || column == C::Price || column == C::ListPrice;
}

bool isLookup(int column)
{
    using C = MemberGridKeys::Column;
    return column == C::Unit || column == C::Account || column == C::Vendor;
}

QString moneyField(int column)
{
    return column == MemberGridKeys::Cost    ? QStringLiteral("KIN_01")
           : column == MemberGridKeys::Price ? QStringLiteral("KIN_02")
                                             : QStringLiteral("KIN_06");
}

} // namespace

bool MemberGridKeys::takes(Key key, int column, bool editing, bool plain)
{
    if (m_screen.memberGridNarrowed() || !m_dm.IBT_bu.active())
        return false;
    if (key == Key::DoubleClick)
        return isLookup(column);
    m_dm.memberNumberingSkip = 0;
    switch (key) {
    case Key::Space: return plain && isMoney(column);
    case Key::Enter: return true;
    case Key::Delete: return !editing && plain && column == Digits;
    case Key::UpOrTab: return !editing;
    case Key::Down: return plain;
    default: return false;
    }
}

MemberGridKeys::Outcome MemberGridKeys::press(Key key, int column, const QVector<bool>& readOnly)
{
    if (column < 0)
        column = Name; // no cell yet: the row's first edited column
    switch (key) {
    case Key::Space: return calculator(column);
    case Key::Enter: return enter(column, readOnly);
    case Key::Delete: clearDigits(); return {true};
    case Key::UpOrTab: postRow(m_dm.IBT_bu); return {};
    case Key::Down: return down(column);
    case Key::DoubleClick: return lookup(column);
    default: return {};
    }
}

MemberGridKeys::Outcome MemberGridKeys::calculator(int column)
{
    TableDataset& ds = m_dm.IBT_bu;
    if (ds.recordCount() == 0)
        return {true};
    const QString field = moneyField(column);
    if (const auto result = m_screen.pickers().calculate(ds.value(field).toDouble())) {
        // The amount is cut, never rounded up, to the places the office prices in.
        const SystemConfig& cfg = m_state.config;
        const int places = column == ListPrice ? 0 : std::clamp(column == Price ? cfg.tankaKeta : cfg.genkaKeta, 0, 2);
        const int unit = places == 0 ? -1 : places == 1 ? -10 : -100;
        ds.setValue(field, Helpers::roundValue(*result, -1, unit));
    }
    return {true, column};
}

MemberGridKeys::Outcome MemberGridKeys::enter(int column, const QVector<bool>& readOnly)
{
    TableDataset& ds = m_dm.IBT_bu;
    postRow(ds);
    if (ds.recordCount() == 0)
        return {true};
    // An account or vendor of 0 is none, as an empty cell.
    if ((column == Unit && ds.text(QStringLiteral("TANI")).isEmpty()) ||
        (column == Account && Helpers::toIntOrZero(ds.text(QStringLiteral("KU_KAMOKU"))) == 0) ||
        (column == Vendor && Helpers::toIntOrZero(ds.text(QStringLiteral("S_CD"))) == 0))
        lookup(column);
    postRow(ds);
    const int next = Helpers::nextGridColumn(static_cast<int>(readOnly.size()), column, true,
                                             [&readOnly](int c) { return readOnly.at(c); });
    return {true, next};
}

MemberGridKeys::Outcome MemberGridKeys::lookup(int column)
{
    TableDataset& ds = m_dm.IBT_bu;
    if (ds.recordCount() == 0)
        return {true};
    MemberPickers& pickers = m_screen.pickers();
    const PickerResults& p = m_state.picks;
    if (column == Unit && pickers.pickUnit())
        ds.setValue(QStringLiteral("TANI"), p.unitName);
    else if (column == Account && pickers.pickAccount())
        ds.setValue(QStringLiteral("KU_KAMOKU"), QString::number(p.accountCode));
    else if (column == Vendor && pickers.pickVendor(m_dm.currentMajorCode() * 100 + m_dm.currentMiddleCode()))
        ds.setValue(QStringLiteral("S_CD"), p.vendorCode);
    return {true, column};
}

// Down leaves a row: a row left completely blank goes away, and the row that
// followed it takes the cursor; a blank last row goes away too, instead of the
// grid appending another blank one below it. Otherwise the grid moves as usual.
MemberGridKeys::Outcome MemberGridKeys::down(int column)
{
    TableDataset& ds = m_dm.IBT_bu;
    postRow(ds);
    if (m_screen.selectedRows(Tab::Member).contains(ds.recNo())) {
        // The selection grows downwards: the appended row must not renumber the table.
        m_dm.memberNumberingSkip = 1;
        return {};
    }
    if (ds.recordCount() == 0)
        return {};
    for (const char* f : {"NAME01", "NAME02", "NAME03", "TANI", "KIN_01", "KIN_02"})
        if (!ds.text(QString::fromLatin1(f)).isEmpty())
            return {};
    ds.remove();
    return {true, column};
}

void MemberGridKeys::clearDigits()
{
    TableDataset& ds = m_dm.IBT_bu;
    if (ds.recordCount() == 0)
        return;
    const bool browsing = ds.state() == TableDataset::Browse;
    ds.setValue(QStringLiteral("KETA"), QVariant());
    if (browsing)
        ds.post();
}
