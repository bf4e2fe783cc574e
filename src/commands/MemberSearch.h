#pragma once

#include <QString>
#include <QStringList>

class TDM2;

// Search and narrowing of the member grid. Search parks the full list in
// BUZAI_S2 and leaves only the members whose name or description holds the
// keywords, each carrying its place in the parked list; reset puts the narrowed
// grid's rows, as edited, back in the places they kept, and new ones next to
// their neighbours. The mode outlives tab switches; a member load gives the
// parked list up (see abandon()).
class MemberSearch {
public:
    explicit MemberSearch(TDM2& dm) : m_dm(dm) {}

    bool narrowed() const { return m_narrowed; }
    // The button's caption in the current mode.
    QString caption() const;

    // Narrows to the members holding every non-empty keyword, literally; does
    // nothing when both are empty.
    void search(const QString& keyword1, const QString& keyword2);
    void reset();
    // Gives the parked list up without merging, for a load that replaces the
    // whole list from the product: merged later, its rows would bring back
    // members the product has renamed or removed since.
    void abandon() { m_narrowed = false; }

    // "CREATE TABLE BUZAI_S2" / "…S3": the member columns, one line each.
    static QStringList createStatement(const QString& table);
    // A keyword as a LIKE pattern "%…%" with its quotes doubled and its % and _
    // escaped by '!'.
    static QString likePattern(const QString& keyword);

private:
    TDM2& m_dm;
    bool m_narrowed = false;
};
