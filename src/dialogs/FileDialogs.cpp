#include "FileDialogs.h"

#include <QFileDialog>

QString DialogFileChooser::openFileName(const QString& title, const QString& directory, const QString& filter)
{
    return QFileDialog::getOpenFileName(m_parent, title, directory, filter);
}

QString DialogFileChooser::saveFileName(const QString& title, const QString& proposedPath, const QString& filter,
                                        const QString& defaultSuffix)
{
    QFileDialog dialog(m_parent, title, proposedPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(proposedPath);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
}
