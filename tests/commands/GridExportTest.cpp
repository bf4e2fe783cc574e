#include "GridExport.h"

#include <QFile>
#include <QStandardItemModel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class GridExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_model.setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("名称"), QStringLiteral("単価")});
        addRow({QStringLiteral("1"), QStringLiteral("㈱A\\B"), QStringLiteral("1200")});
        addRow({QStringLiteral("2"), QStringLiteral("3\"板,厚"), QString()});
    }
    void addRow(const QStringList& texts)
    {
        QList<QStandardItem*> items;
        for (const QString& t : texts)
            items << new QStandardItem(t);
        m_model.appendRow(items);
    }
    QByteArray exported()
    {
        const QString path = m_dir.filePath(QStringLiteral("out.csv"));
        EXPECT_TRUE(writeGridExport(path, m_model, m_hidden));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir m_dir;
    QStandardItemModel m_model;
    QVector<bool> m_hidden;
};

// Shift-JIS: № 8782, 名称 96BC 8FCC, 単価 9250 89BF, ㈱ 878A, 板 94C2, 厚 8CFA.
TEST_F(GridExportTest, QuotedShiftJisWithDoubledQuotesAndCrLfWhateverIsHidden)
{
    const QByteArray all = "\"\x87\x82\",\"\x96\xbc\x8f\xcc\",\"\x92\x50\x89\xbf\"\r\n"
                           "\"1\",\"\x87\x8a"
                           "A\\B\",\"1200\"\r\n"
                           "\"2\",\"3\"\"\x94\xc2,\x8c\xfa\",\"\"\r\n";
    EXPECT_EQ(all, exported());

    m_hidden = {false, true, false};
    EXPECT_EQ(QByteArray("\"\x87\x82\",\"\x92\x50\x89\xbf\"\r\n\"1\",\"1200\"\r\n\"2\",\"\"\r\n"), exported());
    m_hidden = {true, false, false}; // a hidden first column still leaves its separator
    EXPECT_EQ(QByteArray(all).replace("\"\x87\x82\",", ",").replace("\"1\",", ",").replace("\"2\",", ","), exported());
}

TEST_F(GridExportTest, LongLinesAreNotCutAndWriteFailuresAreReported)
{
    addRow({QStringLiteral("3"), QString(3000, QChar(0x6f22)), QStringLiteral("9")}); // 漢
    EXPECT_TRUE(exported().contains(QByteArray("\x8a\xbf").repeated(3000) + "\",\"9\"\r\n"));
    EXPECT_FALSE(writeGridExport(m_dir.filePath(QStringLiteral("missing/out.csv")), m_model));
}

} // namespace
