#include "SystemConfig.h"
#include "SjisCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SystemDatTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QString writeDat(const QString& text) { return write(QStringLiteral("SYSTEM.DAT"), SjisCodec::encode(text)); }

    QTemporaryDir m_dir;
};

TEST_F(SystemDatTest, ReadsTheKeysWithTheirQuirks)
{
    const QString path = writeDat(QStringLiteral(
        "comment without equals\r\nx0=10\r\nX0=99\r\nY0=20\r\nHEIGHT=600\r\nwidth=800\r\n会社名１=8ABF8E9A\r\n"
        "自社支払日=abc\r\n消費税率=▲1,008\r\n 工種=0\r\n原価桁数= 1 \r\n単価桁数=\r\ndbpath_local=C:\\L\r\n"
        "DBPATH_DATA=D=E\r\n"));
    SystemConfig cfg;
    readSystemDat(path, cfg);
    EXPECT_EQ(10, cfg.x0); // keys ignore ASCII case; the first of two equal keys wins
    EXPECT_EQ(20, cfg.y0);
    EXPECT_EQ(600, cfg.height);
    EXPECT_EQ(800, cfg.width);
    EXPECT_EQ(QStringLiteral("漢字"), cfg.companyName); // hex-encoded Shift-JIS
    EXPECT_EQ(0, cfg.paymentDay);                       // not a number
    EXPECT_EQ(0, cfg.fiscalMonth);                      // absent keys read as empty text, not as the default
    EXPECT_DOUBLE_EQ(-1008.0, cfg.taxRate);
    EXPECT_EQ(0, cfg.koushuMode); // " 工種" is another key
    EXPECT_EQ(1, cfg.genkaKeta);
    EXPECT_EQ(0, cfg.tankaKeta);
    EXPECT_EQ(QStringLiteral("C:\\L"), cfg.dbpathLocal);
    EXPECT_EQ(QStringLiteral("D=E"), cfg.dbpathData); // the key ends at the first "="
    EXPECT_EQ(QDir::currentPath(), cfg.startDirectory);
}

TEST_F(SystemDatTest, MissingOrEmptyFileKeepsDefaults)
{
    const QString empty = write(QStringLiteral("EMPTY.DAT"), QByteArray());
    for (const QString& path : {m_dir.filePath(QStringLiteral("NONE.DAT")), empty}) {
        SystemConfig cfg;
        readSystemDat(path, cfg);
        EXPECT_EQ(131, cfg.paymentDay);
        EXPECT_DOUBLE_EQ(10.0, cfg.taxRate);
        EXPECT_EQ(3, cfg.fiscalMonth);
        EXPECT_FALSE(systemDatPresent(path));
    }
}

TEST_F(SystemDatTest, BadGeometryEndsTheRead)
{
    const struct {
        const char* text;
        int x0;
        const char* key;
    } cases[] = {
        {"X0=abc\nY0=2\nHeight=3\nWidth=4\n会社名１=41\n", -1, "X0"},
        {"X0=5\nY0=1.5\nHeight=3\nWidth=4\n会社名１=41\n", 5, "Y0"},
        {"X0=5\nY0=6\nHeight=3\n会社名１=41\n", 5, "Width"},
    };
    for (const auto& c : cases) {
        SystemConfig cfg;
        cfg.x0 = -1;
        try {
            readSystemDat(writeDat(QString::fromUtf8(c.text)), cfg);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const ConfigError& e) {
            EXPECT_NE(std::string(e.what()).find(c.key), std::string::npos) << e.what();
        }
        EXPECT_EQ(c.x0, cfg.x0) << c.text;
        EXPECT_EQ(QString(), cfg.companyName) << "keys after the bad one are not read";
    }
}

TEST_F(SystemDatTest, ProductTitleIsTheFirstLine)
{
    const QString dflt = QStringLiteral("TREVOLAN Ver 2021");
    EXPECT_EQ(dflt, readProductTitle(m_dir.path()));
    const struct {
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {QByteArray("TREVOLAN Ver 2024\r\nsecond line\r\n"), QStringLiteral("TREVOLAN Ver 2024")},
        {SjisCodec::encode(QStringLiteral("見積 第2版\nx")), QStringLiteral("見積 第2版")},
        {QByteArray(), dflt},
        {QByteArray("\r\nsecond"), dflt},
    };
    for (const auto& c : cases) {
        write(QStringLiteral("pro_title.inf"), c.bytes);
        EXPECT_EQ(c.expected, readProductTitle(m_dir.path())) << c.bytes.constData();
    }
}

} // namespace
