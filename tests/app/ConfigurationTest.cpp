#include "Configuration.h"
#include "SjisCodec.h"
#include "SystemConfig.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QValidator>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(StyleNumberEdits, ChoosesByObjectName)
{
    const struct {
        const char* name;
        bool right, digitsOnly;
    } cases[] = {
        {"KIN_01", true, false},  {"kin_02", true, true},   {"EditHI", true, true},     {"BAN_NO", true, true},
        {"TUKI1", true, true},    {"kin0_3", false, false}, {"kin_ritu", true, false},  {"NEN1", true, false},
        {"KINritu", true, false}, {"NAME01", false, false}, {"hi_lower", false, false},
    };
    QWidget window;
    QWidget inner(&window); // nested edits are styled too
    for (const auto& c : cases)
        (new QLineEdit(&inner))->setObjectName(QLatin1String(c.name));
    styleNumberEdits(&window);
    for (const auto& c : cases) {
        auto* edit = window.findChild<QLineEdit*>(QLatin1String(c.name));
        EXPECT_EQ(c.right, bool(edit->alignment() & Qt::AlignRight)) << c.name;
        EXPECT_EQ(c.digitsOnly, edit->validator() != nullptr) << c.name;
        if (!edit->validator())
            continue;
        QString bad = QStringLiteral("12a"), good = QStringLiteral("120");
        int pos = 0;
        EXPECT_EQ(QValidator::Invalid, edit->validator()->validate(bad, pos)) << c.name;
        EXPECT_EQ(QValidator::Acceptable, edit->validator()->validate(good, pos)) << c.name;
    }
}

// The window is placed only from a file that was read; a bad geometry propagates.
TEST(ReadConfiguration, PlacesTheWindowFromTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SYSTEM.DAT"));
    const auto writeDat = [&](const QString& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(SjisCodec::encode(text));
    };
    SystemConfig cfg;
    QWidget window;
    window.setGeometry(1, 2, 150, 100);
    readConfiguration(&window, path, cfg); // missing file
    EXPECT_EQ(QRect(1, 2, 150, 100), QRect(window.pos(), window.size()));

    writeDat(QStringLiteral("X0=11\r\nY0=22\r\nHeight=333\r\nWidth=444\r\n単価桁数=2\r\n"));
    readConfiguration(&window, path, cfg);
    EXPECT_EQ(QRect(11, 22, 444, 333), QRect(window.pos(), window.size()));
    EXPECT_EQ(2, cfg.tankaKeta);

    writeDat(QStringLiteral("X0=left\r\n"));
    EXPECT_THROW(readConfiguration(&window, path, cfg), ConfigError);
}

} // namespace
