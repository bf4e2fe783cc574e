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

TEST(StyleNumberEdits, ChoosesByObjectName) {
    const struct {
        const char* name;
        bool right;
        bool digitsOnly;
    } cases[] = {
        {"KIN_01", true, false},  {"kin_02", true, true},   {"EditHI", true, true},     {"BAN_NO", true, true},
        {"TUKI1", true, true},    {"kin0_3", false, false}, {"kin_ritu", true, false},  {"NEN1", true, false},
        {"KINritu", true, false}, {"NAME01", false, false}, {"hi_lower", false, false},
    };
    QWidget window;
    QWidget inner(&window); // nested edits are styled too
    for (const auto& c : cases) {
        auto* edit = new QLineEdit(&inner);
        edit->setObjectName(QLatin1String(c.name));
    }
    styleNumberEdits(&window);
    for (const auto& c : cases) {
        auto* edit = window.findChild<QLineEdit*>(QLatin1String(c.name));
        ASSERT_NE(nullptr, edit);
        EXPECT_EQ(c.right, bool(edit->alignment() & Qt::AlignRight)) << c.name;
        EXPECT_EQ(c.digitsOnly, edit->validator() != nullptr) << c.name;
        if (edit->validator()) {
            QString typed = QStringLiteral("12a");
            int pos = 0;
            EXPECT_EQ(QValidator::Invalid, edit->validator()->validate(typed, pos)) << c.name;
            typed = QStringLiteral("120");
            EXPECT_EQ(QValidator::Acceptable, edit->validator()->validate(typed, pos)) << c.name;
        }
    }
}

TEST(ReadConfiguration, PlacesTheWindowOnlyWhenTheFileWasRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("SYSTEM.DAT"));

    QWidget window;
    window.move(1, 2);
    window.resize(150, 100);
    systemConfig() = SystemConfig();
    readConfiguration(&window, path); // missing file
    EXPECT_EQ(QPoint(1, 2), window.pos());
    EXPECT_EQ(QSize(150, 100), window.size());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(SjisCodec::encode(QStringLiteral("X0=11\r\nY0=22\r\nHeight=333\r\nWidth=444\r\n単価桁数=2\r\n")));
    file.close();
    readConfiguration(&window, path);
    EXPECT_EQ(QPoint(11, 22), window.pos());
    EXPECT_EQ(QSize(444, 333), window.size());
    EXPECT_EQ(2, systemConfig().tankaKeta);
    systemConfig() = SystemConfig();
}

TEST(ReadConfiguration, BadGeometryPropagates) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("SYSTEM.DAT"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("X0=left\r\n");
    file.close();
    QWidget window;
    EXPECT_THROW(readConfiguration(&window, path), ConfigError);
    systemConfig() = SystemConfig();
}

} // namespace
