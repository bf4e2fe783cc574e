#include "FormState.h"
#include "SjisCodec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

template <typename W>
W* add(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    parent->layout()->addWidget(w);
    return w;
}

TEST(SaveFormState, GeometryThenControlsInChildOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDialog dialog;
    new QVBoxLayout(&dialog);
    add<QCheckBox>(&dialog, "CheckBox1")->setChecked(true);
    add<QLineEdit>(&dialog, "Edit_name")->setText(QStringLiteral("㈱山田=商店"));
    add<QRadioButton>(&dialog, "RadioButton1")->setChecked(false);
    add<QComboBox>(&dialog, "ComboBox1")->setEditable(true); // its inner edit is not a field
    add<QSpinBox>(&dialog, "SpinBox1");
    add<QCheckBox>(&dialog, "CheckBox2");
    add<QLineEdit>(&dialog, "Edit_empty");
    dialog.move(10, 20);
    dialog.resize(300, 200);

    const QString path = dir.filePath(QStringLiteral("TRAD_SEL.DAT"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x')); // replaced, not appended to
    old.close();
    saveFormState(&dialog, path);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray expected =
        "X0=10\r\nY0=20\r\nHeight=" + QByteArray::number(dialog.height()) +
        "\r\nWidth=" + QByteArray::number(dialog.width()) + "\r\nCheckBox1=1\r\nEdit_name=\x87\x8a" +
        SjisCodec::encode(QStringLiteral("山田=商店")) + "\r\nRadioButton1=0\r\nCheckBox2=0\r\nEdit_empty=\r\n";
    EXPECT_EQ(expected, file.readAll());
}

} // namespace
