#include "UnregisteredChanges.h"

#include "DataModule.h"
#include "MasterLoads.h"
#include "RegisterCommand.h"

bool UnregisteredChanges::pending(Tab tab) const
{
    // A value entered in a cell stays in the row's edit buffer until the cursor
    // moves: it is as much the user's work as a posted row.
    const TableDataset& list = m_dm.list(tab);
    const bool unposted =
        (list.state() == TableDataset::Edit || list.state() == TableDataset::Insert) && list.modified();
    return list.unregistered() || unposted;
}

bool UnregisteredChanges::mayLeave(Tab tab, Then then)
{
    if (!pending(tab))
        return true;
    switch (m_screen.confirmation().ask(Confirmation::Unregistered, question(tab))) {
    case Confirmation::Register:
        // The registration asks its own questions; a registration that did not
        // run leaves the changes where they are, and the user with them.
        m_register.SB03Click();
        return !pending(tab);
    case Confirmation::Discard:
        if (m_dm.list(tab).state() != TableDataset::Browse)
            m_dm.list(tab).cancel();
        m_dm.list(tab).setUnregistered(false);
        if (then == Then::Reload) {
            switch (tab) {
            case Tab::Major: m_loads.Button2Click(); break;
            case Tab::Middle: m_loads.Button3Click(); break;
            case Tab::Member: m_loads.Button4Click(); break;
            case Tab::Unit: m_loads.Button8Click(); break;
            }
        }
        return true;
    default: return false;
    }
}

QString UnregisteredChanges::question(Tab tab)
{
    static const char* const masters[] = {"大項目", "中項目", "部材", "単位"};
    return QStringLiteral("%1マスターの変更がまだ登録されていません。\n"
                          "「登録する」で登録してから進み、「破棄する」で変更を捨てて進みます。\n"
                          "「戻る」で元の画面に戻ります。")
        .arg(QString::fromUtf8(masters[static_cast<int>(tab)]));
}
