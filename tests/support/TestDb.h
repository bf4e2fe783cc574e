#pragma once

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class Connections;
class Database;
class TableDataset;
class TDM2;

// A temporary folder laid out like an installation: PROG/ is the program folder
// (made current while the test runs), the databases live beside it.
class TestFolder {
public:
    TestFolder() : m_oldCwd(QDir::currentPath())
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("PROG"));
        QDir::setCurrent(programDir());
    }
    ~TestFolder() { QDir::setCurrent(m_oldCwd); }
    QString path() const { return m_dir.path(); }
    QString programDir() const { return m_dir.path() + QStringLiteral("/PROG"); }
    QString file(const QString& relative) const { return m_dir.path() + '/' + relative; }

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};

// Creates a database file and returns a connected connection to it.
std::unique_ptr<Database> createTestDatabase(const QString& path, const QString& name = QStringLiteral("IBDatabaseT"));
std::unique_ptr<Database> connectTestDatabase(const QString& path, const QString& name = QStringLiteral("IBDatabaseT"));

// A product database with every product table the program uses; with the
// housing row "JUTAKU" in LOOK_KIHON when asked.
std::unique_ptr<Database> createProductDatabase(const QString& path, bool housingRow = true,
                                                const QString& name = QStringLiteral("product"));

// The program's connections on a product database (every product table) and a
// work database (every table the loads create), open and each in its
// transaction, and the data module on them: the one builder of the tests that
// need the data module.
std::unique_ptr<TDM2> connectDataModule(const TestFolder& folder, Connections& conn);

// The rows of a query as "a|b|c", NULL as "∅"; the columns named in `skip` left out.
QStringList rowsOf(Database& db, const QString& sql, const QStringList& skip = {});

// The rows of a dataset as "a|b|c", NULL as "∅"; every field unless named.
QStringList datasetRows(const TableDataset& d, const QStringList& fields = {});

// One column of a query's rows as text, NULL as "NULL".
QStringList columnValues(Database& db, const QString& sql, const QString& column);

// Runs each statement in turn, then commits.
void execCommitted(Database& db, const QStringList& statements);

#include <ostream>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (const QString& s : list)
        *os << '"' << s.toStdString() << "\" ";
    *os << '}';
}
