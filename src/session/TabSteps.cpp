#include "TabSteps.h"

#include "DataModule.h"
#include "DbError.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "Schema.h"

void TabSteps::show(Tab tab)
{
    m_unitHold.reset();
    switch (tab) {
    case Tab::Major: showMajor(); break;
    case Tab::Middle: showMiddle(); break;
    case Tab::Member: showMember(); break;
    case Tab::Unit: showUnit(); break;
    }
}

// The middle and member lists are closed and their transactions ended before
// their work tables are reloaded.
void TabSteps::closeMiddlesAndMembers()
{
    m_dm.IBT_bu.close();
    m_dm.IBT_chu.close();
    m_dm.conn.IBTransaction4().stop();
    m_dm.conn.IBTransaction3().stop();
}

void TabSteps::showMajor()
{
    Connections& conn = m_dm.conn;
    const ReloadGuard guard(m_state);
    closeMiddlesAndMembers();
    m_dm.IBT_dai.close();
    conn.IBTransaction2().stop();
    conn.IBDatabase2.reconnect();
    conn.IBTransaction2().start();
    conn.IBTransaction4().stop();
    conn.IBTransaction3().stop();
    m_loads.Button2Click();
}

void TabSteps::showMiddle()
{
    const ReloadGuard guard(m_state);
    closeMiddlesAndMembers();
    // The unit tab closes the major list; the middle list belongs under the major
    // that was shown before, never under an empty one.
    if (!m_dm.IBT_dai.active() && Schema::tableExists(m_dm.conn.IBDatabase2, QStringLiteral("BUZAI_DAI"))) {
        m_dm.IBT_dai.open();
        if (m_lastMajorRow > 0)
            m_dm.IBT_dai.setRecNo(std::min(m_lastMajorRow, m_dm.IBT_dai.recordCount()));
    }
    m_loads.Button3Click();
}

void TabSteps::showMember()
{
    // The lists above load with the guard on: each of their row changes would
    // load the members again, which the step does once at its end (and a load
    // that fails would be reported as often).
    {
        const ReloadGuard guard(m_state);
        if (!m_dm.IBT_dai.active())
            m_loads.Button2Click();
        if (!m_dm.IBT_chu.active())
            m_loads.Button3Click();
    }
    m_loads.Button4Click();
}

void TabSteps::showUnit()
{
    m_unitHold.emplace(m_state);
    if (m_dm.IBT_dai.active())
        m_lastMajorRow = m_dm.IBT_dai.recNo();
    m_dm.IBT_dai.close();
    m_dm.IBT_chu.close();
    m_dm.IBT_bu.close();
    m_loads.Button8Click();
}
