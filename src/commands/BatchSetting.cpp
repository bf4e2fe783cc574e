#include "BatchSetting.h"

#include "DataModule.h"
#include "Helpers.h"
#include "MainScreen.h"
#include "ProgramState.h"
#include "Rebuild.h"

namespace {

const QString kNoVendorCode = QStringLiteral("選択した業者のコードが数値ではないため、業者をセットできません。");

} // namespace

int BatchSetting::currentWorkType() const
{
    return m_dm.currentMajorCode() * 100 + m_dm.currentMiddleCode();
}

// The grid's pending edit is posted first: closing the table would drop it.
void BatchSetting::update(const QString& statement)
{
    TableDataset& ds = m_dm.IBT_bu;
    Rebuild::inOneTransaction(*ds.database(), ds, [&] {
        m_dm.IBQ_FB4.run(statement);
        return 1;
    });
}

void BatchSetting::setVendor()
{
    if (!pickVendor || !pickVendor(currentWorkType()))
        return;
    // The code goes into SQL text, so it must be a plain number.
    bool ok = false;
    const int code = m_state.picks.vendorCode.trimmed().toInt(&ok);
    if (!ok) {
        m_screen.confirmation().ask(Confirmation::Notice, kNoVendorCode);
        return;
    }
    update(QStringLiteral("update BUZAI_S SET S_CD=") + QString::number(code));
}

void BatchSetting::setAccount()
{
    if (!pickAccount || !pickAccount())
        return;
    update(QStringLiteral("update BUZAI_S SET KU_KAMOKU=") + QString::number(m_state.picks.accountCode));
}

void BatchSetting::resetMemberCodes()
{
    update(QStringLiteral("update BUZAI_S SET B_CD=null where B_CD LIKE '") + QString::number(m_dm.currentMajorCode()) +
           QStringLiteral("-%'"));
}
