#pragma once

#include "CommandContext.h"
#include "Query.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <memory>

class Database;

// Member registration (Button5, "部材登録"): the member grid of the current middle
// category replaces that category's members in MAS_BUZAI, numbered by position,
// with generated member codes, the digits rule for counted units and the removal
// of older members carrying the same names and unit. In the housing edition the
// finishing-schedule lines that use a member take its prices, codes and names.
//
// All product changes are one transaction and the work-table clean-up another; a
// failure rolls both back, gives the screen back and throws the error on.
class MemberRegistration {
public:
    explicit MemberRegistration(CommandContext& context);
    ~MemberRegistration();

    // False when nothing was registered: the question answered いいえ, or nothing to register.
    bool Button5Click();
    // Whether the last press changed nothing because the list was loaded before
    // the product's rows changed; the list then stays, or was loaded again.
    bool refusedAsStale() const { return m_refusedAsStale; }

    static QString question() { return QStringLiteral("部材マスターを登録しますか？"); }

    // "3-12-00010" for major 3, middle 12, position 1; empty from position 10000 on.
    // The insert of one product member, every column by a named parameter.
    static QStringList insertStatement();
    static QString generatedCode(const QString& major, const QString& middle, int position);
    // Units whose quantity has no decimals.
    static bool isCountedUnit(const QString& unit);
    // The three spellings a name is looked for in: as typed, half width and full width.
    static QStringList nameForms(const QString& name);
    // The folded form of a name or unit; NULL and empty fold alike.
    static QString fold(const QString& text);
    static QString key(const QString& name1, const QString& name2, const QString& unit);

private:
    struct Category {
        QString majorText, middleText;
        int major = 0, middle = 0;
    };
    // Tells the user and answers true when registering would leave MAS_BUZAI empty.
    bool leavesMasterEmpty(const Category& category);
    void registerMembers(const Category& category);
    void removeDuplicates(const Query& row, const Category& category);
    void insertMember(const Query& row, const Category& category, int position);
    // Notes a member for the schedule update; the update itself follows the last row.
    void updateSchedule(const Query& row, const Category& category, int position);
    void updateScheduleFromChangedMembers(const Category& category);
    void ensureScratchTables();
    // In the housing edition: the members of other categories that carry a grid row's
    // names and unit, removed before the first row is inserted.
    void removeOlderDuplicates();
    // One prepared statement per distinct text, reused while the rows go by.
    Query& statement(const QStringList& lines);
    void collectKeys(Query& q, const QString& select, QSet<QString>& keys);

    CommandContext& m_ctx;
    std::map<QString, std::unique_ptr<Query>> m_statements;
    // Names and units of the rows a duplicate removal or a schedule update could
    // reach, folded so that whatever the database takes as equal folds alike (and
    // more). Without an index every such statement reads the whole table; one
    // whose row has no key here cannot change anything and is skipped. Keys are
    // only ever added, so a skipped statement is always one that matches nothing.
    // The members of other categories are dealt with before the first row, so
    // m_memberKeys then starts again with the rows this run inserts.
    QSet<QString> m_memberKeys;
    QSet<QString> m_scheduleKeys;
    int m_changedMembers = 0;
    bool m_refusedAsStale = false;

    // The members whose schedule lines are to follow them, for one registration.
    static constexpr const char* kChangedMembers = "MAS_MENT_BUZAI_CHG";
    // The names and units the grid's duplicate removals look for.
    static constexpr const char* kRegisteredNames = "MAS_MENT_BUZAI_DUP";
};
