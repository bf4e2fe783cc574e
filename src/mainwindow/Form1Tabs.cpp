#include "Form1.h"

#include "Configuration.h"
#include "DBGrid.h"
#include "DatasetModel.h"
#include "Helpers.h"
#include "Schema.h"
#include "Session.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTabWidget>
#include <QToolButton>

// The show handler, once, when the window first shows.
void TForm1::FormShow()
{
    // Not Windows 10 here: the grids keep the normal window colour.
    setWindowTitle(QApplication::applicationDisplayName().isEmpty() ? windowTitle()
                                                                    : QApplication::applicationDisplayName());
    DBGrid1->setColumnWidth(0, 25);
    DBGrid2->setColumnWidth(0, 25);
    DBGrid3->setColumnWidth(0, 34);
    DBGrid7->setColumnWidth(0, 45);
    // A member list may run to five-digit row numbers, and amounts up to the
    // hundreds of millions show whole.
    DBGrid3->fitColumnTo(0, QStringLiteral("99999"));
    for (const char* amount : {"KIN_01", "KIN_02", "KIN_06"})
        DBGrid3->fitColumnTo(DBGrid3->datasetModel()->columnOf(QString::fromLatin1(amount)),
                             QStringLiteral("999,999,999"));
    ProgramState& state = m_session.state;
    readConfiguration(this, QStringLiteral("SYSTEM.DAT"), state.config);
    state.config.startDirectory = QDir::currentPath();
    Helpers::makeDirectories(QStringLiteral("../LOCAL"));
    m_session.textReplacement().codeRowVisible = true; // the ＣＤ row of the replacement dialog
    SB[6]->setEnabled(true);
    state.registrationPermitted = true;

    if (!m_session.readHousingRow()) {
        CheckBox1->setChecked(false);
        CheckBox2->setChecked(false);
    }

    resize(1393, 750);
    // On the very first start the work tables do not exist yet; only the major
    // load creates them, so the middle tab's step would fail.
    if (Schema::tableExists(m_session.conn.IBDatabase2, QStringLiteral("BUZAI_CHU")))
        showTab(Tab::Middle);
    showTab(Tab::Major);
    SBS[0]->setEnabled(true);
    state.registrationPermitted = true;
}

void TForm1::tabShown(int index)
{
    if (!m_shown || m_returningToTab || index > static_cast<int>(Tab::Unit))
        return;
    const Tab tab = static_cast<Tab>(index);
    // Every tab step loads its list again, and leaving a list loses it: its
    // unregistered changes are asked about on the page they belong to.
    if (m_previousTab >= 0 && m_previousTab <= static_cast<int>(Tab::Unit) &&
        m_session.unregisteredChanges().pending(static_cast<Tab>(m_previousTab))) {
        const Tab left = static_cast<Tab>(m_previousTab);
        if (left != tab) {
            m_returningToTab = true;
            PageControl1->setCurrentIndex(m_previousTab);
            m_returningToTab = false;
        }
        // The major step rebuilds every list; the others leave the list behind.
        if (!mayLeaveList(left, tab == Tab::Major || left == tab)) {
            if (DBGrid* grid = gridOf(left); grid && left != Tab::Unit)
                focusGrid(grid);
            return;
        }
        if (left != tab) {
            PageControl1->setCurrentIndex(index);
            return;
        }
    }
    if (m_previousTab == static_cast<int>(Tab::Unit) && tab != Tab::Unit) {
        SBS[11]->setText(QString());
        SBS[11]->setEnabled(false);
    }
    m_previousTab = index;
    setCaptions(tab);
    if (!guarded([&] { m_session.tabs().show(tab); }))
        return;
    DBGrid* grids[] = {DBGrid1, DBGrid2, DBGrid3, nullptr};
    if (DBGrid* grid = grids[index])
        focusGrid(grid);
}

// Captions and enabled states of the toolbar buttons, as the command table gives
// them for the tab.
void TForm1::setCaptions(Tab tab)
{
    const CommandTable& table = m_session.commands();
    for (const CommandRow& row : table.rows()) {
        QToolButton* b = button(row);
        b->setText(table.captionOn(row, tab, b->text()));
        if (const auto enabled = row.enabled[static_cast<size_t>(tab)])
            b->setEnabled(*enabled);
    }
}

void TForm1::focusGrid(DBGrid* grid)
{
    grid->setFocus();
    grid->selectColumn(1);
}

bool TForm1::mayLeaveList(Tab tab, bool reloadedAfter)
{
    bool mayLeave = false;
    guarded([&] {
        mayLeave = m_session.unregisteredChanges().mayLeave(tab, reloadedAfter ? UnregisteredChanges::Then::Replaced
                                                                               : UnregisteredChanges::Then::Reload);
    });
    return mayLeave;
}

void TForm1::reloadMiddles()
{
    m_session.loads().Button3Click();
}

void TForm1::reloadMembers()
{
    m_session.loads().Button4Click();
}
