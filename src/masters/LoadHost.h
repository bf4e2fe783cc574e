#pragma once

// What the loads need of the main window: which tab is active, and switching
// tabs (which runs that tab's own load).
class LoadHost {
public:
    enum Tab { MajorTab = 1, MiddleTab = 2, MemberTab = 3, UnitTab = 4 };
    virtual ~LoadHost() = default;
    virtual int activeTab() const = 0;
    virtual void setActiveTab(int tab) = 0;
};
