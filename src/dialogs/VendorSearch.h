#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

class Query;

// The vendor picker's statements on MAS_SIIRE, apart from its window. What the
// user types is bound as a parameter, never pasted into the SQL, so that a
// name with "'" finds its rows and cannot break the statement.
namespace VendorSearch {

struct Statement {
    QStringList lines;
    QHash<QString, QVariant> params;
    // Runs on `q` (closed first) and opens the result.
    void open(Query& q) const;
};

// "order by T_KEY" (50音順) or "order by T_CD", with the table alias when given.
QString orderLine(bool byKey, const QString& alias = {});

// The search button: by search text when there is one (telephone tail, vendor
// code, or key and name, the key compared in half-width katakana), else by work
// type (`workType` as typed in the work-type box), else all vendors.
Statement byText(const QString& text, bool prefixMatch, const QString& order);
Statement byWorkType(const QString& workType, const QString& order);
Statement all(const QString& order);

// A title click re-sorts: the text without kana conversion, matched against
// key and name; a work type also through the vendors' execution documents.
Statement resortByText(const QString& text, bool prefixMatch, const QString& order);
// `order` names its column with the alias "a.": the select list has T_TEL twice.
Statement resortByWorkType(int packedCode, const QString& order);

// The short name derived from a full name: "株式会社" as "㈱", "有限会社" as
// "㈲", half width, without blanks.
QString shortName(const QString& name01);

} // namespace VendorSearch
