#pragma once

#include "UiSeams.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// The look before a renumbering: the other programs on the product database, or
// the categories' old and new codes with what goes with the categories that are
// no longer in the grid. "続行" goes on; "中止", Esc and the close box stop.
class TPreviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPreviewDialog(QWidget* parent = nullptr);

    void setOthers(const QList<OtherAttachment>& others);
    void setOutline(const RenumberingOutline& outline);

    QLabel* Label;
    QTableWidget* CodeGrid; // others, or old and new codes
    QLabel* GoneLabel;
    QTableWidget* GoneGrid; // categories that are gone
    QPushButton* GoOnButton;
    QPushButton* StopButton;

private:
    void defaultTo(QPushButton* button);
};

// The questions through the dialog, centred on the main window.
class PreviewQuestions : public RenumberingQuestions {
public:
    explicit PreviewQuestions(QWidget* mainWindow) : m_mainWindow(mainWindow) {}
    Answer othersConnected(const QList<OtherAttachment>& others) override;
    Answer renumbering(const RenumberingOutline& outline) override;

private:
    Answer ask(TPreviewDialog& dialog);
    QWidget* m_mainWindow;
};
