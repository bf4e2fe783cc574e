#pragma once

#include "MainScreen.h"

class QWidget;

// File choices through the desktop's own open and save dialogs.
class DialogFileChooser : public FileChooser {
public:
    explicit DialogFileChooser(QWidget* parent) : m_parent(parent) {}
    QString openFileName(const QString& title, const QString& directory, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& proposedPath, const QString& filter,
                         const QString& defaultSuffix) override;

private:
    QWidget* m_parent;
};
