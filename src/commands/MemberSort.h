#pragma once

#include <QString>

class TDM2;

// A click on a title of the member grid sorts every member the grid holds by
// that column and makes the order the new positions; no value changes. One direction
// flag serves every column: each sort flips it, starting ascending.
class MemberSort {
public:
    explicit MemberSort(TDM2& dm) : m_dm(dm) {}

    // `field` is the clicked column's field name ("利益率" sorts by unit price;
    // "№" does nothing).
    void sortBy(const QString& field);

private:
    TDM2& m_dm;
    bool m_descending = false;
};
