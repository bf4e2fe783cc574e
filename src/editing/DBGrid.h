#pragma once

#include <QTableView>

#include <functional>

class DatasetModel;
class TableDataset;

// A data-aware grid: its current row is the dataset's current row, leaving a
// row posts it, Insert inserts before the current row, Down on the last row
// appends, Ctrl+Delete deletes, Esc cancels the row's edit. A row that cannot
// be posted keeps the cursor and the highlight until it is corrected or cancelled.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(const QString& name, QWidget* parent = nullptr);

    void setDatasetModel(DatasetModel* model);
    DatasetModel* datasetModel() const { return m_model; }
    TableDataset* dataset() const;

    // Errors of the dataset events are shown by the form.
    std::function<void(const QString&)> onError;
    // Asked before Ctrl+Delete removes the current row.
    std::function<bool()> confirmDelete;

    // Runs `action` on the dataset and reports a failure instead of throwing.
    bool guarded(const std::function<void()>& action);

    void selectColumn(int column);
    // Widens `column`, never narrows it, so that `widest` shows whole in its cells.
    void fitColumnTo(int column, const QString& widest);
    int cellWidthFor(const QString& text) const;
    // Ends an open cell editor, its text stored in the row as Return would do;
    // false when no editor was open.
    bool commitEdit();
    bool editing() const { return state() == QAbstractItemView::EditingState; }

    // Rows picked by clicking the № column (column 0): a plain click picks one
    // row, Ctrl adds or removes one, Shift adds the rows up to the last pick. A
    // click in another column ends the multi-row selection. Record numbers,
    // 1-based, in grid order; they stay through the table's rebuilds.
    QList<int> selectedRows() const;
    void clearSelectedRows();
    bool multiSelect() const { return m_multiSelect; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followDataset();
    // Posts the edited row before the mouse takes the cursor to `row`; false when it failed.
    bool leaveRowFor(int row);
    void showRefusedRow();
    void pickRow(int recNo, Qt::KeyboardModifiers modifiers);

    DatasetModel* m_model = nullptr;
    bool m_syncing = false;
    bool m_moveRefused = false;
    bool m_multiSelect = false;
    QList<int> m_picked; // record numbers
    int m_anchor = 0;
};
