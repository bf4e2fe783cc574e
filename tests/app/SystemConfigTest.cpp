#include "SystemConfig.h"
#include "SjisCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SystemDatTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QString writeDat(const QString& text) { return write(QStringLiteral("SYSTEM.DAT"), SjisCodec::encode(text)); }

    QTemporaryDir m_dir;
};

TEST_F(SystemDatTest, ReadsEveryKeyItUses) {
    const QString path =
        writeDat(QStringLiteral("X0=10\r\nY0=20\r\nHeight=600\r\nWidth=800\r\n"
                                "会社キャッチコピー=安心\r\n会社キャッチコピー２=信頼\r\n会社名１=8ABF8E9A\r\n"
                                "会社住所1=東京都\r\n会社住所4=4F\r\n自社締日=20\r\n自社支払日=abc\r\n"
                                "消費税率=▲1,008\r\n工種=0\r\n歩掛元金単価=T\r\n歩掛元金原価=G\r\n仕入売上連動=1\r\n"
                                "単価桁数=2\r\n原価桁数= 1 \r\nDBPATH_LOCAL=C:\\L\r\nDBPATH_MASTER=M\r\n"
                                "DBPATH_DATA=D=E\r\nPASWORD=p1\r\nPASWORD2=p2\r\nIN_17=x\r\nSERVER_NAME=srv\r\n"));
    SystemConfig cfg;
    readSystemDat(path, cfg);
    EXPECT_EQ(10, cfg.x0);
    EXPECT_EQ(20, cfg.y0);
    EXPECT_EQ(600, cfg.height);
    EXPECT_EQ(800, cfg.width);
    EXPECT_EQ(QStringLiteral("安心"), cfg.catchCopy1);
    EXPECT_EQ(QStringLiteral("信頼"), cfg.catchCopy2);
    EXPECT_EQ(QStringLiteral("漢字"), cfg.companyName);
    EXPECT_EQ(QStringLiteral("東京都"), cfg.address1);
    EXPECT_EQ(QString(), cfg.address2);
    EXPECT_EQ(QStringLiteral("4F"), cfg.address4);
    EXPECT_EQ(20, cfg.closingDay);
    EXPECT_EQ(0, cfg.paymentDay);  // not a number
    EXPECT_EQ(0, cfg.fiscalMonth); // absent
    EXPECT_DOUBLE_EQ(-1008.0, cfg.taxRate);
    EXPECT_EQ(0, cfg.koushuMode);
    EXPECT_EQ(QStringLiteral("T"), cfg.bugakariTanka);
    EXPECT_EQ(QStringLiteral("G"), cfg.bugakariGenka);
    EXPECT_EQ(1, cfg.shiireUriage);
    EXPECT_EQ(2, cfg.tankaKeta);
    EXPECT_EQ(1, cfg.genkaKeta);
    EXPECT_EQ(QStringLiteral("C:\\L"), cfg.dbpathLocal);
    EXPECT_EQ(QStringLiteral("M"), cfg.dbpathMaster);
    EXPECT_EQ(QStringLiteral("D=E"), cfg.dbpathData); // the key ends at the first "="
    EXPECT_EQ(QStringLiteral("p1"), cfg.password);
    EXPECT_EQ(QStringLiteral("p2"), cfg.password2);
    EXPECT_EQ(QStringLiteral("x"), cfg.in17);
    EXPECT_EQ(QDir::currentPath(), cfg.startDirectory);
}

TEST_F(SystemDatTest, KeysIgnoreAsciiCaseAndOddLines) {
    const QString path = writeDat(QStringLiteral("comment without equals\nx0=1\nY0=2\nHEIGHT=3\nwidth=4\nx0=99\n"
                                                 "dbpath_local=lower\n 工種=5\n単価桁数=\n"));
    SystemConfig cfg;
    readSystemDat(path, cfg);
    EXPECT_EQ(1, cfg.x0); // the first of two lines with the same key wins
    EXPECT_EQ(2, cfg.y0);
    EXPECT_EQ(3, cfg.height);
    EXPECT_EQ(4, cfg.width);
    EXPECT_EQ(QStringLiteral("lower"), cfg.dbpathLocal);
    EXPECT_EQ(0, cfg.koushuMode); // " 工種" is another key
    EXPECT_EQ(0, cfg.tankaKeta);
    EXPECT_DOUBLE_EQ(0.0, cfg.taxRate); // absent amount reads as empty text
    EXPECT_EQ(0, cfg.closingDay);
}

TEST_F(SystemDatTest, MissingOrEmptyFileKeepsDefaults) {
    const QString empty = write(QStringLiteral("EMPTY.DAT"), QByteArray());
    for (const QString& path : {m_dir.filePath(QStringLiteral("NONE.DAT")), empty}) {
        SystemConfig cfg;
        cfg.x0 = 7;
        readSystemDat(path, cfg);
        EXPECT_EQ(7, cfg.x0);
        EXPECT_EQ(31, cfg.closingDay);
        EXPECT_EQ(131, cfg.paymentDay);
        EXPECT_DOUBLE_EQ(10.0, cfg.taxRate);
        EXPECT_EQ(3, cfg.fiscalMonth);
        EXPECT_EQ(1, cfg.koushuMode);
        EXPECT_FALSE(systemDatPresent(path));
    }
}

TEST_F(SystemDatTest, BadGeometryEndsTheRead) {
    const struct {
        const char* text;
        int x0;
        int y0;
        const char* key;
    } cases[] = {
        {"X0=abc\nY0=2\nHeight=3\nWidth=4\n会社名１=41\n", -1, -1, "X0"},
        {"X0=5\nY0=1.5\nHeight=3\nWidth=4\n会社名１=41\n", 5, -1, "Y0"},
        {"X0=5\nY0=6\nHeight=3\n会社名１=41\n", 5, 6, "Width"},
    };
    for (const auto& c : cases) {
        SystemConfig cfg;
        cfg.x0 = cfg.y0 = -1;
        cfg.companyName = QStringLiteral("before");
        const QString path = writeDat(QString::fromUtf8(c.text));
        try {
            readSystemDat(path, cfg);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const ConfigError& e) {
            EXPECT_NE(std::string(e.what()).find(c.key), std::string::npos) << e.what();
        }
        EXPECT_EQ(c.x0, cfg.x0) << c.text;
        EXPECT_EQ(c.y0, cfg.y0) << c.text;
        EXPECT_EQ(QStringLiteral("before"), cfg.companyName) << c.text;
    }
}

TEST_F(SystemDatTest, ProductTitleIsTheFirstLine) {
    const QString dflt = QStringLiteral("TREVOLAN Ver 2021");
    EXPECT_EQ(dflt, readProductTitle(m_dir.path()));

    const struct {
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {QByteArray("TREVOLAN Ver 2024\r\nsecond line\r\n"), QStringLiteral("TREVOLAN Ver 2024")},
        {SjisCodec::encode(QStringLiteral("見積 第2版\nx")), QStringLiteral("見積 第2版")},
        {QByteArray("only"), QStringLiteral("only")},
        {QByteArray(), dflt},
        {QByteArray("\r\nsecond"), dflt},
    };
    for (const auto& c : cases) {
        write(QStringLiteral("pro_title.inf"), c.bytes);
        EXPECT_EQ(c.expected, readProductTitle(m_dir.path())) << c.bytes.constData();
    }
}

TEST(ApplicationTitle, PrefixAndOneBlank) {
    EXPECT_EQ(QStringLiteral("部材マスター登録 TREVOLAN Ver 2021"),
              applicationTitle(QStringLiteral("TREVOLAN Ver 2021")));
}

} // namespace
