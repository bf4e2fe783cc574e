#include "Form1.h"

#include "DBGrid.h"
#include "DatasetModel.h"
#include "Session.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabWidget>
#include <QToolButton>

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // Shift released while a dialog had the keyboard (a command of the second
    // toolbar asked something) never reaches the window: it is seen as released
    // when the window is active again.
    if (watched == this && event->type() == QEvent::WindowActivate &&
        !(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier))
        showSecondToolbar(false);
    if (!isActiveWindow() || QApplication::activeModalWidget())
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyRelease) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (!ke->isAutoRepeat())
            showSecondToolbar(false);
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // The grids would take these keys for themselves; in a tabbed window they
        // switch tabs wherever the focus is.
        auto* ke = static_cast<QKeyEvent*>(event);
        const bool ctrl = ke->modifiers() & Qt::ControlModifier;
        const int k = ke->key();
        if (ctrl && (k == Qt::Key_Tab || k == Qt::Key_Backtab || k == Qt::Key_PageUp || k == Qt::Key_PageDown)) {
            event->accept();
            return true;
        }
        return false;
    }
    if (memberGridDoubleClick(watched, event))
        return true;
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    // The window sees every key once, before the focused control.
    if (watched != QApplication::focusWidget() && !(watched == this && !QApplication::focusWidget()))
        return false;
    return handleKey(watched, static_cast<QKeyEvent*>(event));
}

bool TForm1::handleKey(QObject*, QKeyEvent* ke)
{
    const int key = ke->key();
    const bool ctrl = ke->modifiers() & Qt::ControlModifier;
    if (ctrl && (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        const bool back = key == Qt::Key_Backtab || key == Qt::Key_PageUp || (ke->modifiers() & Qt::ShiftModifier);
        const int count = static_cast<int>(Tab::Unit) + 1;
        showTab(static_cast<Tab>((static_cast<int>(activeTab()) + (back ? count - 1 : 1)) % count));
        return true;
    }
    if (key == Qt::Key_Shift) {
        showSecondToolbar(true);
        return false;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        const int i = key - Qt::Key_F1;
        const bool second = ke->modifiers() & Qt::ShiftModifier;
        if (!second && key == Qt::Key_F2 && anyGridFocused())
            return false;
        QToolButton* b = second ? SBS[i] : SB[i];
        if (b->isEnabled())
            b->click();
        return true;
    }
    if (memberGridKey(ke))
        return true;
    if (!anyGridFocused() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down)) {
        focusNextChild();
        return true;
    }
    if (!anyGridFocused() && key == Qt::Key_Up) {
        focusPreviousChild();
        return true;
    }
    return false;
}

bool TForm1::anyGridFocused() const
{
    QWidget* f = QApplication::focusWidget();
    for (DBGrid* g : {DBGrid1, DBGrid2, DBGrid3, DBGrid7})
        if (f && (f == g || g->isAncestorOf(f)))
            return true;
    return false;
}

void TForm1::showSecondToolbar(bool second)
{
    ToolBar1->setVisible(second);
    ToolBar3->setVisible(!second);
}

namespace {

MemberGridKeys::Key memberKey(int key)
{
    using K = MemberGridKeys::Key;
    switch (key) {
    case Qt::Key_Space: return K::Space;
    case Qt::Key_Return:
    case Qt::Key_Enter: return K::Enter;
    case Qt::Key_Delete:
    case Qt::Key_Backspace: return K::Delete;
    case Qt::Key_Up:
    case Qt::Key_Tab: return K::UpOrTab;
    case Qt::Key_Down: return K::Down;
    default: return K::Other;
    }
}

} // namespace

// The member grid's keys go to their command; the grid ends its cell editing
// first and takes the column the command names. True when the key was used up.
bool TForm1::memberGridKey(QKeyEvent* ke)
{
    if (!holdsFocus(DBGrid3))
        return false;
    const MemberGridKeys::Key key = memberKey(ke->key());
    const int column = DBGrid3->currentIndex().isValid() ? DBGrid3->currentIndex().column() : -1;
    const bool plain = !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!m_session.memberGridKeys().takes(key, column, DBGrid3->editing(), plain))
        return false;
    const bool wasEditing = DBGrid3->commitEdit();
    const MemberGridKeys::Outcome done = pressInMemberGrid(key, column);
    if (done.consumed || key != MemberGridKeys::Key::Down || !wasEditing)
        return done.consumed;
    // The editor is gone; the grid itself moves down.
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Down, ke->modifiers());
    QCoreApplication::sendEvent(DBGrid3, &again);
    return true;
}

bool TForm1::memberGridDoubleClick(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonDblClick || watched != DBGrid3->viewport())
        return false;
    const QModelIndex at = DBGrid3->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (!at.isValid() || !m_session.memberGridKeys().takes(MemberGridKeys::Key::DoubleClick, at.column(), false, true))
        return false;
    DBGrid3->setCurrentIndex(at);
    pressInMemberGrid(MemberGridKeys::Key::DoubleClick, at.column());
    return true;
}

MemberGridKeys::Outcome TForm1::pressInMemberGrid(MemberGridKeys::Key key, int column)
{
    QVector<bool> readOnly;
    for (const DatasetModel::Column& c : DBGrid3->datasetModel()->columns())
        readOnly << c.readOnly;
    MemberGridKeys::Outcome done{true}; // a key whose work failed is used up
    guarded([&] { done = m_session.memberGridKeys().press(key, column, readOnly); });
    if (done.selectColumn >= 0) {
        DBGrid3->setFocus();
        DBGrid3->selectColumn(done.selectColumn);
    }
    return done;
}
