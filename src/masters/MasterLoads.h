#pragma once

#include <functional>
#include <initializer_list>

#include "ListGuard.h"
#include "MainScreen.h"

#include <QStringList>
#include <QVariant>
#include <QVector>

class Query;
class TDM2;

// The four loads that copy a product master into its work table, numbering the
// rows 1, 2, 3 … in the product's order.
class MasterLoads {
public:
    MasterLoads(TDM2& dm, MainScreen& screen) : m_dm(dm), m_screen(screen) {}
    virtual ~MasterLoads() = default;

    // Major categories; rebuilds every category and member work table first.
    virtual void Button2Click();
    // Middle categories of the current major category.
    virtual void Button3Click();
    // Members of the current middle category.
    virtual void Button4Click();
    // Units; rebuilds TANI and TANIW.
    virtual void Button8Click();

    // Whether the work table of a tab holds a complete copy of its
    // product master. A failed load leaves a work table that is empty or partly
    // filled; registering it would overwrite the master with that.
    virtual bool completed(Tab tab) const;
    // The master of `tab` was replaced behind its list: the list is registered
    // again only after the next load.
    void invalidate(Tab tab) { m_completed[static_cast<int>(tab)] = false; }

    // What the list of a tab was loaded from; unknown until its load completes.
    const ListOrigin& origin(Tab tab) const { return m_origin[static_cast<int>(tab)]; }
    void setOrigin(Tab tab, const ListOrigin& origin) { m_origin[static_cast<int>(tab)] = origin; }
    // Offers to save the list on screen to a file, before a reload replaces it
    // with the product's rows; set by the session. False when the user meant to
    // save it and it was not saved (the file dialog cancelled, a write failed).
    std::function<bool()> exportList;

    // What the member load reads: the product members of one middle category in
    // their order, the columns of memberColumns().
    static QStringList memberSource(int major, int middle);
    // The work columns the member load fills besides CNT, and the values it puts
    // into them for the current row of `src`, a query of memberSource().
    static const QStringList& memberColumns();
    static QVector<QVariant> memberRow(const Query& src);

private:
    // Marks a tab's copy as incomplete until the load reaches its end.
    void begin(std::initializer_list<Tab> tabs);
    // The tab's copy is complete, loaded from the rows `digest` holds.
    void complete(Tab tab, const ListDigest& digest, int major = 0, int middle = 0);

    TDM2& m_dm;
    MainScreen& m_screen;
    bool m_completed[4] = {};
    ListOrigin m_origin[4];
};
