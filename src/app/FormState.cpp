#include "FormState.h"

#include "SjisCodec.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>

namespace {

// The edit inside a combo or spin box is part of that control, not a field.
bool isInnerEdit(const QLineEdit* edit)
{
    const QObject* parent = edit->parent();
    return qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent);
}

} // namespace

void saveFormState(QWidget* dialog, const QString& fileName)
{
    QStringList lines;
    lines << QStringLiteral("X0=%1").arg(dialog->x()) << QStringLiteral("Y0=%1").arg(dialog->y())
          << QStringLiteral("Height=%1").arg(dialog->height()) << QStringLiteral("Width=%1").arg(dialog->width());

    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QString name = child->objectName();
        if (name.isEmpty())
            continue;
        if (auto* check = qobject_cast<QCheckBox*>(child))
            lines << name + (check->isChecked() ? QStringLiteral("=1") : QStringLiteral("=0"));
        else if (auto* radio = qobject_cast<QRadioButton*>(child))
            lines << name + (radio->isChecked() ? QStringLiteral("=1") : QStringLiteral("=0"));
        else if (auto* edit = qobject_cast<QLineEdit*>(child); edit && !isInnerEdit(edit))
            lines << name + QLatin1Char('=') + edit->text();
    }

    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(SjisCodec::encode(lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")));
}
