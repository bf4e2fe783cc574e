#pragma once

#include <QLineEdit>
#include <QWidget>

#include <functional>

class TableDataset;

// A read-only field showing one column of a dataset's current row. `changed`
// fires when the shown text changes, which is what reloads dependent lists.
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    DBEdit(const QString& name, TableDataset& dataset, const QString& field, QWidget* parent = nullptr);
    void refresh();

signals:
    void changed();
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TableDataset& m_ds;
    QString m_field;
};

// First / previous / next / last over a dataset. `clicked` follows every move.
class DBNavigator : public QWidget {
    Q_OBJECT
public:
    DBNavigator(const QString& name, TableDataset& dataset, QWidget* parent = nullptr);

    // Asked before each move; a move it refuses does not happen.
    std::function<bool()> mayMove;

signals:
    void clicked();
    void failed(const QString& message);

private:
    TableDataset& m_ds;
};
