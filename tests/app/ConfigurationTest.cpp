#include "Configuration.h"
#include "FormState.h"
#include "SjisCodec.h"
#include "SystemConfig.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QValidator>
#include <QWidget>

#include <gtest/gtest.h>

#include <utility>

namespace {

// The files the program reads and writes (SYSTEM.DAT, pro_title.inf, a
// dialog's saved state) in a temporary folder.
class Config : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString write(const QByteArray& bytes, const QString& name = "SYSTEM.DAT")
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QString writeText(const QString& text) { return write(SjisCodec::encode(text)); }
};

TEST(StyleNumberEdits, DigitsOnlyByObjectName)
{
    // name, then D for digits only
    const QStringList cases{"KIN_01 -", "kin_02 D", "EditHI D", "kin0_3 -", "kin_ritu -", "hi_lower -"};
    QWidget window;
    QWidget inner(&window); // nested edits are styled too
    for (const QString& c : cases)
        (new QLineEdit(&inner))->setObjectName(c.section(' ', 0, 0));
    styleNumberEdits(&window);
    for (const QString& c : cases) {
        auto* edit = window.findChild<QLineEdit*>(c.section(' ', 0, 0));
        ASSERT_EQ(c.contains('D'), edit->validator() != nullptr) << c.toStdString();
        QString bad = QStringLiteral("12a"), good = QStringLiteral("120");
        int pos = 0;
        if (edit->validator()) {
            EXPECT_EQ(QValidator::Invalid, edit->validator()->validate(bad, pos)) << c.toStdString();
            EXPECT_EQ(QValidator::Acceptable, edit->validator()->validate(good, pos)) << c.toStdString();
        }
    }
}

TEST_F(Config, ReadsTheKeysWithTheirQuirks)
{
    SystemConfig cfg;
    readSystemDat(writeText("comment without equals\r\nx0=10\r\nX0=99\r\nY0=20\r\nHEIGHT=600\r\nwidth=800\r\n"
                            "会社名１=8ABF8E9A\r\n自社支払日=abc\r\n消費税率=▲1,008\r\n 工種=0\r\n原価桁数= 1 \r\n"
                            "単価桁数=\r\ndbpath_local=C:\\L\r\nDBPATH_DATA=D=E\r\nバックアップ世代数=3\r\n"
                            "バックアップ共有フォルダー= \\\\S1\\B \r\n"),
                  cfg);
    // Keys ignore ASCII case and the first of two equal keys wins; " 工種" is
    // another key; absent keys read as empty text, not as the default; a key
    // ends at the first "="; the company name is hex-encoded Shift-JIS.
    EXPECT_EQ(QList<int>({cfg.x0, cfg.y0, cfg.height, cfg.width, cfg.paymentDay, cfg.fiscalMonth, cfg.koushuMode,
                          cfg.genkaKeta, cfg.tankaKeta}),
              QList<int>({10, 20, 600, 800, 0, 0, 0, 1, 0}));
    EXPECT_DOUBLE_EQ(-1008.0, cfg.taxRate);
    EXPECT_EQ(QStringList({cfg.companyName, cfg.dbpathLocal, cfg.dbpathData, cfg.startDirectory}),
              QStringList({"漢字", "C:\\L", "D=E", QDir::currentPath()}));
    EXPECT_EQ(cfg.backupsKept, 3);
    EXPECT_EQ(cfg.backupShare, "\\\\S1\\B");
}

// No file, or an empty one: the defaults stay and the window is not moved to 0, 0, 0 × 0.
TEST_F(Config, MissingOrEmptyFileKeepsDefaultsAndTheWindow)
{
    for (const QString& path : {dir.filePath("NONE.DAT"), write({}, "EMPTY.DAT")}) {
        SystemConfig cfg;
        QWidget window;
        window.setGeometry(1, 2, 150, 100);
        readConfiguration(&window, path, cfg);
        EXPECT_EQ(QRect(1, 2, 150, 100), QRect(window.pos(), window.size()));
        EXPECT_EQ(QList<int>({131, 3}), QList<int>({cfg.paymentDay, cfg.fiscalMonth}));
        EXPECT_DOUBLE_EQ(10.0, cfg.taxRate);
    }
}

// A bad or missing geometry key ends the read, naming the key.
TEST_F(Config, BadGeometryEndsTheRead)
{
    for (const auto& [text, key] : {std::pair{"X0=5\nY0=1.5\nHeight=3\nWidth=4\n会社名１=41\n", "Y0"},
                                    std::pair{"X0=5\nY0=6\nHeight=3\n会社名１=41\n", "Width"}}) {
        SystemConfig cfg;
        try {
            readSystemDat(writeText(QString::fromUtf8(text)), cfg);
            ADD_FAILURE() << "no error for " << text;
        } catch (const ConfigError& e) {
            EXPECT_NE(std::string(e.what()).find(key), std::string::npos) << e.what();
        }
        EXPECT_EQ(5, cfg.x0) << text;
        EXPECT_EQ(QString(), cfg.companyName) << "keys after the bad one are not read";
    }
}

// The old file is replaced, not appended to: the first of two equal keys would
// win on the next read.
TEST_F(Config, SaveFormStateReplacesTheFile)
{
    QDialog dialog;
    (new QCheckBox(&dialog))->setObjectName("CheckBox1");
    dialog.findChild<QCheckBox*>()->setChecked(true);
    const QString path = write("CheckBox1=0\r\n" + QByteArray(5000, 'x'), "TRAD_SEL.DAT");
    saveFormState(&dialog, path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.startsWith("X0=") && saved.endsWith("\r\nCheckBox1=1\r\n")) << saved.constData();
}

} // namespace

namespace {

// The suite's one-line files are read by their first lines only: a huge or
// endless line costs no time, and a long title is cut to what a title bar shows.
TEST_F(Config, FirstLinesAreReadWithALimit)
{
    const QString path = write("NAME\r\nSERVER1\r\nthird\r\n", "NET.TXT");
    EXPECT_EQ(readFirstLines(path, 2), QStringList({"NAME", "SERVER1"}));
    EXPECT_EQ(readFirstLines(write("a\rb\n\nc", "x.txt"), 4), QStringList({"a", "b", "", "c"}));
    EXPECT_EQ(readFirstLines(dir.filePath("none.txt"), 2), QStringList());

    QByteArray huge(5 * 1024 * 1024, 'x');
    huge += "\r\nSERVER1\r\n";
    QElapsedTimer timer;
    timer.start();
    const QStringList lines = readFirstLines(write(huge, "NET.TXT"), 2, 4096);
    EXPECT_LT(timer.elapsed(), 2000);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0).size(), 4096);
    EXPECT_EQ(lines.at(1), "SERVER1");

    // CR and LF split over the read chunks are one break.
    QByteArray split(4095, 'y');
    split += "\r\nz";
    EXPECT_EQ(readFirstLines(write(split, "s.txt"), 3, 8192), QStringList({QString(4095, 'y'), "z"}));

    write(SjisCodec::encode(QString(300000, u'髙')) + "\r\n", "pro_title.inf");
    const QString title = readProductTitle(dir.path());
    EXPECT_EQ(title, QString(MaxTitleLength, u'髙'));
    write(SjisCodec::encode(QStringLiteral("ＴＲＥＶＯＬＡＮ ㈱ 2024")) + "\r\n", "pro_title.inf");
    EXPECT_EQ(readProductTitle(dir.path()), QStringLiteral("ＴＲＥＶＯＬＡＮ ㈱ 2024"));
}

} // namespace
