#include "GridExport.h"

#include "SjisCodec.h"

#include <QAbstractItemModel>
#include <QFile>

namespace {

QString quoted(QString text)
{
    // Doubled so that readers of the file keep a quote inside its field.
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

bool writeGridExport(const QString& fileName, const QAbstractItemModel& model, const QVector<bool>& hidden)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const int columns = model.columnCount();
    const auto writeLine = [&](auto textOf) {
        QString line;
        for (int col = 0; col < columns; ++col) {
            if (hidden.value(col, false))
                continue;
            if (col != 0)
                line += QLatin1Char(',');
            line += quoted(textOf(col));
        }
        line += QLatin1String("\r\n");
        file.write(SjisCodec::encode(line));
    };
    writeLine([&](int col) { return model.headerData(col, Qt::Horizontal, Qt::DisplayRole).toString(); });
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row)
        writeLine([&](int col) { return model.index(row, col).data(Qt::DisplayRole).toString(); });
    file.close();
    return file.error() == QFileDevice::NoError;
}
