#include "QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

QStringList textsOf(const QWidget& w)
{
    QStringList out;
    for (const QPushButton* b : w.findChildren<QPushButton*>())
        out << b->text();
    for (const QLabel* l : w.findChildren<QLabel*>())
        out << l->text();
    return out;
}

// Qt's own dialogs speak Japanese whatever the machine's locale: the standard
// buttons and the file dialog the export and the import open.
TEST(QtTranslations, StandardDialogsAreJapanese)
{
    QLocale::setDefault(QLocale(QLocale::English));
    ASSERT_TRUE(installQtTranslations(*qApp));

    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text().remove(u'&'), QStringLiteral("はい(Y)"));

    QFileDialog dialog(nullptr, QString(), QString(), QStringLiteral("Text File (*.csv)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList texts = textsOf(dialog);
    EXPECT_TRUE(texts.contains(QStringLiteral("キャンセル"))) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("保存(&S)")) || texts.contains(QStringLiteral("保存")))
        << texts.join('|').toStdString();
    for (const char* english : {"Cancel", "Save", "Look in:", "File name:"})
        EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english;
}

} // namespace
