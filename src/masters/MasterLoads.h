#pragma once

#include <initializer_list>

class TDM2;
class LoadHost;

// The four loads that copy a product master into its work table, numbering the
// rows 1, 2, 3 … in the product's order.
class MasterLoads {
public:
    MasterLoads(TDM2& dm, LoadHost& host) : m_dm(dm), m_host(host) {}

    // Major categories; rebuilds every category and member work table first.
    void Button2Click();
    // Middle categories of the current major category.
    void Button3Click();
    // Members of the current middle category.
    void Button4Click();
    // Units; rebuilds TANI and TANIW.
    void Button8Click();

    // Whether the work table of a tab (LoadHost::Tab) holds a complete copy of its
    // product master. A failed load leaves a work table that is empty or partly
    // filled; registering it would overwrite the master with that.
    bool completed(int tab) const;

private:
    // Marks a tab's copy as incomplete until the load reaches its end.
    void begin(std::initializer_list<int> tabs);
    void complete(int tab);

    TDM2& m_dm;
    LoadHost& m_host;
    bool m_completed[4] = {};
};
