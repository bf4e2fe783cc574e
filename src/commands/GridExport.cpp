#include "GridExport.h"

#include "SjisCodec.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QRegularExpression>

namespace {

QString quoted(QString text)
{
    // Doubled so that readers of the file keep a quote inside its field.
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// "-1234.5" with the display's thousands separators: "-1,234.5".
QString grouped(const QString& number)
{
    const qsizetype sign = number.startsWith(QLatin1Char('-')) ? 1 : 0;
    qsizetype end = number.indexOf(QLatin1Char('.'));
    if (end < 0)
        end = number.size();
    QString out = number;
    for (qsizetype at = end - 3; at > sign; at -= 3)
        out.insert(at, QLatin1Char(','));
    return out;
}

// An editable cell is written so that it reads back as the value it holds: a
// display that rounds the amount or hides a zero gives way to the full value.
QString exportText(const QAbstractItemModel& model, const QModelIndex& index)
{
    const QString shown = index.data(Qt::DisplayRole).toString();
    if (!(model.flags(index) & Qt::ItemIsEditable))
        return shown;
    const QString value = index.data(Qt::EditRole).toString();
    static const QRegularExpression plainNumber(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (value == shown || !plainNumber.match(value).hasMatch())
        return shown;
    return shown.contains(QLatin1Char(',')) ? grouped(value) : value;
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
        writeLine([&](int col) { return exportText(model, model.index(row, col)); });
    file.close();
    return file.error() == QFileDevice::NoError;
}
