#include "Configuration.h"

#include "SystemConfig.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QWidget>

#include <initializer_list>

namespace {

bool containsAny(const QString& name, std::initializer_list<const char*> parts)
{
    for (const char* part : parts) {
        if (name.contains(QLatin1String(part), Qt::CaseSensitive))
            return true;
    }
    return false;
}

} // namespace

void styleNumberEdits(QWidget* window)
{
    const auto edits = window->findChildren<QLineEdit*>();
    for (QLineEdit* edit : edits) {
        const QString name = edit->objectName();
        if (containsAny(name, {"kin_", "KIN", "BAN", "TUKI", "HI"}) && !name.contains(QLatin1String("ritu"))) {
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (containsAny(name, {"kin_", "kin0_", "BAN", "TUKI", "HI"})) {
                edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
            }
        }
        if (containsAny(name, {"NEN", "ritu"}))
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

void readConfiguration(QWidget* window, const QString& filePath, SystemConfig& cfg)
{
    styleNumberEdits(window);
    const bool present = systemDatPresent(filePath);
    readSystemDat(filePath, cfg);
    if (present) {
        window->move(cfg.x0, cfg.y0);
        window->resize(cfg.width, cfg.height);
    }
}
