#include "UnitReplacement.h"

#include "DataModule.h"
#include "ListGuard.h"
#include "MasterLoads.h"
#include "SjisCodec.h"
#include "TextTools.h"
#include "UnitsFromMembers.h"

void UnitReplacement::open()
{
    m_screen.showMainToolbar();
    if (m_screen.activeTab() != Tab::Unit)
        return;
    m_screen.confirmation().ask(Confirmation::Notice,
                                QStringLiteral("文字列の置き換えは、マスターに即時更新されます。"));
    TableDataset& units = m_dm.IBT_TANI;
    before = units.active() && units.recordCount() > 0 ? units.text(QStringLiteral("NAME")) : QString();
    m_screen.showTextDialog(TextDialog::UnitReplace);
}

bool UnitReplacement::run()
{
    if (before.isEmpty() || after.isEmpty())
        return false;
    const QString was = SjisCodec::normalize(before);
    const QString now = SjisCodec::normalize(after);
    // The member master holds the narrowest unit column.
    const QString problem = TextTools::fitProblem(now, 6, QStringLiteral("置換後の単位"));
    if (!problem.isEmpty()) {
        m_screen.confirmation().ask(Confirmation::Notice, problem);
        return false;
    }
    Database& product = m_dm.conn.IBDatabase1;
    if (!ListGuard::changeOrNotify(m_screen, Tab::Unit, [&] { runReplacement(product, was, now); }))
        return true;
    m_units.SpeedButton9Click();
    return true;
}

void UnitReplacement::runReplacement(Database& product, const QString& was, const QString& now)
{
    product.transaction().runWhole([&] {
        if (loads)
            ListGuard::verify(product, Tab::Unit, loads->origin(Tab::Unit));
        Query& q = m_dm.IBQ_touroku;
        for (const auto& [table, column] :
             {std::pair{"MAS_BUZAI", "TANI"}, std::pair{"MAS_SIAGE02", "TAN"}, std::pair{"DAT_SIAGE02", "TAN"}}) {
            q.setSql(QStringLiteral("UPDATE %1 set %2=:NEW_T where %2=:OLD_T")
                         .arg(QLatin1String(table), QLatin1String(column)));
            q.setParam(QStringLiteral("NEW_T"), now);
            q.setParam(QStringLiteral("OLD_T"), was);
            q.exec();
        }
    });
}
