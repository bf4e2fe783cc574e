#include "TestDb.h"

#include "Database.h"

#include <QDir>

TestFolder::TestFolder() : m_oldCwd(QDir::currentPath())
{
    QDir(m_dir.path()).mkpath(QStringLiteral("PROG"));
    QDir::setCurrent(programDir());
}

TestFolder::~TestFolder()
{
    QDir::setCurrent(m_oldCwd);
}

std::unique_ptr<Database> connectTestDatabase(const QString& path, const QString& name)
{
    auto db = std::make_unique<Database>(name);
    db->setDatabaseName(path);
    db->setParams(Database::defaultParams());
    db->transaction().setParams({QStringLiteral("concurrency"), QStringLiteral("nowait")});
    db->open();
    db->transaction().start();
    return db;
}

std::unique_ptr<Database> createTestDatabase(const QString& path, const QString& name)
{
    Database::createDatabase(path);
    return connectTestDatabase(path, name);
}
