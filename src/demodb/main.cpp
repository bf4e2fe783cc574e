#include "Database.h"
#include "DbError.h"
#include "DemoData.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

int run(const QStringList& args)
{
    QString path;
    bool withJutaku = true;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--no-jutaku")) {
            withJutaku = false;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            path.clear();
            break;
        } else if (arg.startsWith('-') || !path.isEmpty()) {
            print(stderr, QStringLiteral("unknown argument: %1").arg(arg));
            return 2;
        } else {
            path = arg;
        }
    }
    if (path.isEmpty()) {
        print(stderr, QStringLiteral("usage: masment-demo-db PATH [--no-jutaku]\n"
                                     "Creates a product database with demonstration masters at PATH.\n"
                                     "  --no-jutaku  leave out the LOOK_KIHON row JUTAKU"));
        return 2;
    }
    if (QFileInfo::exists(path)) {
        print(stderr, QStringLiteral("%1 already exists; not overwriting it").arg(path));
        return 2;
    }
    try {
        buildDemoProductDatabase(QFileInfo(path).absoluteFilePath(), withJutaku);
    } catch (const DbError& e) {
        print(stderr, e.text());
        return 1;
    } catch (const std::exception& e) {
        print(stderr, QString::fromLocal8Bit(e.what()));
        return 1;
    }
    print(stdout, QStringLiteral("created %1").arg(path));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rc = run(app.arguments().mid(1));
    Database::shutdownEngine();
    return rc;
}
