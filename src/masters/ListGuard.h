#pragma once

#include "CommandContext.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <optional>

class Database;
class Query;

// What a list was loaded from: the category it belongs to and a digest of the
// product rows it depends on. Registering a list whose rows have changed since
// would write it over someone else's registration, under codes that may name
// other categories by now.
struct ListOrigin {
    bool known = false; // loaded by this program; otherwise nothing is checked
    int major = 0, middle = 0;
    QByteArray digest;
};

// The digest of a set of product rows, taken in any order: rows with equal
// positions come back from the database in no fixed order.
class ListDigest {
public:
    // One row of `q`, the values of `columns`, under `part` (which rows it is).
    void add(const QString& part, const Query& q, const QStringList& columns);
    QByteArray result() const;

private:
    QStringList m_rows;
};

// Who last changed the rows a list depends on, as far as the product records it.
struct ListChange {
    QString computer;
    QDateTime when;
};

// Thrown from inside a registration's transaction when its list is stale; the
// transaction rolls back, so nothing has changed.
class StaleList : public std::exception {
public:
    explicit StaleList(ListChange change) : change(std::move(change)) {}
    const char* what() const noexcept override { return "list loaded before the product changed"; }
    ListChange change;
};

namespace ListGuard {

// The rows each list depends on, as the loads and the checks read them: the
// columns of each and the statement that reads them for a category.
const QStringList& majorColumns();
const QStringList& middleColumns();
const QStringList& unitColumns();
// The one row of a major (or middle) category a middle (or member) list hangs under.
QString majorRowSql(int major);
QString middleRowSql(int major, int middle);
// Adds the parent rows a middle list (middle 0) or member list depends on.
void addParents(Database& product, ListDigest& digest, int major, int middle);

// The product rows of the list of `tab` as they are now, for the category of
// `origin`. With `lock`, the rows are locked in the product's running
// transaction until it ends, so that two registrations of the same rows take
// turns; a row another program's transaction holds is waited for.
ListOrigin read(Database& product, Tab tab, const ListOrigin& origin, bool lock, ListChange* newest = nullptr);

// Nothing when the list of `tab` still matches the product; otherwise who
// changed it last. A list not loaded by this program is not checked.
std::optional<ListChange> changed(Database& product, Tab tab, const ListOrigin& origin, bool lock);
// The same, throwing StaleList: for use inside a registration's transaction.
void verify(Database& product, Tab tab, const ListOrigin& origin);

// Runs a registration whose transaction verify()s its list. A stale list is
// refused with refuse() and gives false; any other failure goes on.
bool registerOrRefuse(CommandContext& ctx, Tab tab, const std::function<void()>& registration);
// The same for a bulk tool that changes the product from the list: a stale
// list gives false after a notice. After a failure of either kind `giveBack`
// (when set) first puts the list back on screen.
bool changeOrNotify(MainScreen& screen, Tab tab, const std::function<void()>& change,
                    const std::function<void()>& giveBack = {});

// How long a registration waits for rows another program's transaction holds.
void setLockWait(int milliseconds);

// Whole masters for the copies from the second database: a digest of every row.
QByteArray masterDigest(Database& product, const QString& table);
// Locks every major row, which every registration of a category or member list
// also locks.
void lockMajors(Database& product);

// The user's notice: another user registered the master of `tab` since the
// list was loaded, who and when when the product says so.
QString staleMessage(Tab tab, const ListChange& change);
// The same for a bulk tool that would change the product from the list.
QString staleToolMessage(Tab tab, const ListChange& change);
QString reloadQuestion();

// Tells the user that the list of `tab` is stale and offers to load it again,
// after the loads' exportList (when set) has offered to save the list as it is.
// The lists above it are loaded again too, back on the categories of the same names.
void refuse(CommandContext& ctx, Tab tab, const ListChange& change);
// Before a registration asks anything: false, after refuse(), when the list of
// `tab` no longer matches the product.
bool stillCurrent(CommandContext& ctx, Tab tab);

// Loads the list of `tab` again, with the major and middle lists above it.
void reload(CommandContext& ctx, Tab tab);

} // namespace ListGuard
