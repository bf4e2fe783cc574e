#include "GridExport.h"

#include <QFile>
#include <QStandardItemModel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The grid of `rows` under the titles № 名称 単価, written with `hidden` columns.
QByteArray exported(const QList<QStringList>& rows, const QVector<bool>& hidden = {})
{
    QStandardItemModel model;
    model.setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("名称"), QStringLiteral("単価")});
    for (const QStringList& texts : rows) {
        QList<QStandardItem*> items;
        for (const QString& t : texts)
            items << new QStandardItem(t);
        model.appendRow(items);
    }
    QTemporaryDir dir;
    EXPECT_TRUE(writeGridExport(dir.filePath("out.csv"), model, hidden));
    QFile file(dir.filePath("out.csv"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Shift-JIS: № 8782, 名称 96BC 8FCC, 単価 9250 89BF, ㈱ 878A, 板 94C2, 厚 8CFA, 漢 8ABF.
TEST(GridExportTest, QuotedShiftJisWithDoubledQuotesAndCrLfWhateverIsHidden)
{
    const QList<QStringList> rows{{"1", "㈱A\\B", "1200"}, {"2", "3\"板,厚", ""}};
    const QByteArray all = "\"\x87\x82\",\"\x96\xbc\x8f\xcc\",\"\x92\x50\x89\xbf\"\r\n"
                           "\"1\",\"\x87\x8a"
                           "A\\B\",\"1200\"\r\n"
                           "\"2\",\"3\"\"\x94\xc2,\x8c\xfa\",\"\"\r\n";
    EXPECT_EQ(all, exported(rows));
    EXPECT_EQ(QByteArray("\"\x87\x82\",\"\x92\x50\x89\xbf\"\r\n\"1\",\"1200\"\r\n\"2\",\"\"\r\n"),
              exported(rows, {false, true, false}));
    // A hidden first column still leaves its separator.
    EXPECT_EQ(QByteArray(all).replace("\"\x87\x82\",", ",").replace("\"1\",", ",").replace("\"2\",", ","),
              exported(rows, {true, false, false}));
    // Long lines are not cut.
    EXPECT_TRUE(exported({{"3", QString(3000, QChar(0x6f22)), "9"}})
                    .contains(QByteArray("\x8a\xbf").repeated(3000) + "\",\"9\"\r\n"));
}

} // namespace
