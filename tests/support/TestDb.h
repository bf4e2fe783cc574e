#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class Database;

// A temporary folder laid out like an installation: PROG/ is the program folder
// (made current while the test runs), the databases live beside it.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
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

#include <QStringList>
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
