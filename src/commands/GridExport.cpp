#include "GridExport.h"

#include "SjisCodec.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QTableView>

namespace {

QString quoted(QString text) {
    // Doubled so that readers of the file keep a quote inside its field.
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

class RepaintSuspender {
public:
    explicit RepaintSuspender(QWidget* widget) : m_widget(widget), m_was(widget->updatesEnabled()) {
        m_widget->setUpdatesEnabled(false);
    }
    ~RepaintSuspender() { m_widget->setUpdatesEnabled(m_was); }

private:
    QWidget* m_widget;
    bool m_was;
};

} // namespace

bool writeGridExport(const QString& fileName, QTableView* grid) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QAbstractItemModel* model = grid->model();
    if (!model)
        return true;
    RepaintSuspender suspend(grid);
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());

    const int columns = model->columnCount();
    // A hidden column 0 still leaves the separator before column 1, as the suite's
    // files have always had it.
    const auto writeLine = [&](auto textOf) {
        QString line;
        for (int col = 0; col < columns; ++col) {
            if (grid->isColumnHidden(col))
                continue;
            if (col != 0)
                line += QLatin1Char(',');
            line += quoted(textOf(col));
        }
        line += QLatin1String("\r\n");
        file.write(SjisCodec::encode(line));
    };

    writeLine([&](int col) { return model->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString(); });
    const int rows = model->rowCount();
    for (int row = 0; row < rows; ++row)
        writeLine([&](int col) { return model->index(row, col).data(Qt::DisplayRole).toString(); });

    if (rows > 0) {
        const int col = grid->currentIndex().isValid() ? grid->currentIndex().column() : 0;
        grid->setCurrentIndex(model->index(rows - 1, col));
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}
