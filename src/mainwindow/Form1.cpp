#include "Form1.h"

#include "DBControls.h"
#include "DBGrid.h"
#include "DatasetModel.h"
#include "DbError.h"
#include "FileDialogs.h"
#include "Form3.h"
#include "Form4.h"
#include "Form7.h"
#include "Session.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

#include <utility>

namespace {

// The progress bar of the main window as the commands see it.
class BarProgress : public ProgressSink {
public:
    explicit BarProgress(QProgressBar*& bar) : m_bar(bar) {}
    void start(int maximum) override
    {
        m_bar->setRange(0, std::max(1, maximum));
        m_bar->setValue(0);
        m_bar->show();
        m_bar->repaint();
    }
    void step(int by) override
    {
        m_bar->setValue(std::min(m_bar->maximum(), m_bar->value() + by));
        m_bar->repaint();
    }
    void finish() override { m_bar->hide(); }

private:
    QProgressBar*& m_bar;
};

// Until the confirmation dialog exists every question is taken as answered.
class AlwaysOk : public Confirmation {
public:
    int ask(int, const QString&) override { return Ok; }
};

} // namespace

std::function<void(QWidget*, const QString&)>& TForm1::errorHandler()
{
    static std::function<void(QWidget*, const QString&)> handler = [](QWidget* parent, const QString& message) {
        // Firebird's text and the statement go into the details part when the
        // message has one, so that the user reads what happened and what to do.
        const auto [shown, details] = DbError::splitDetails(message);
        QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), shown, QMessageBox::Ok, parent);
        box.setDetailedText(details);
        box.exec();
    };
    return handler;
}

void TForm1::showError(const QString& message)
{
    errorHandler()(this, message);
}

bool TForm1::guarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const DbError& e) {
        showError(e.text());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    return false;
}

TForm1::TForm1(Session& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_progress(std::make_unique<BarProgress>(ProgressBar1)),
      m_dialogFiles(std::make_unique<DialogFileChooser>(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("工種部材マスター登録"));
    buildUi();
    m_session.attach(*this);
    bindGrids();
    bindFileCommands();
    bindTextTools();
    buildSearch();
    buildLookups();
    bindEntryPoints();
    qApp->installEventFilter(this);

    // Create handler.
    const QString failure = m_session.openDatabases();
    if (!failure.isEmpty())
        showError(failure);
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(this);
}

Tab TForm1::activeTab() const
{
    return static_cast<Tab>(PageControl1->currentIndex());
}

void TForm1::showTab(Tab tab)
{
    const int index = static_cast<int>(tab);
    if (PageControl1->currentIndex() == index)
        tabShown(index); // showing the active tab again runs its steps again
    else
        PageControl1->setCurrentIndex(index);
}

bool TForm1::convertPastDetails(Tab tab) const
{
    return tab == Tab::Middle ? CheckBox2->isChecked() : CheckBox1->isChecked();
}

void TForm1::beginWork(Tab tab)
{
    showWork(tab, true);
}

void TForm1::endWork(Tab tab)
{
    showWork(tab, false);
}

DBGrid* TForm1::gridOf(Tab tab) const
{
    DBGrid* const grids[] = {DBGrid1, DBGrid2, DBGrid3, DBGrid7};
    return grids[static_cast<int>(tab)];
}

QList<int> TForm1::selectedRows(Tab tab) const
{
    DBGrid* grid = gridOf(tab);
    return grid->multiSelect() ? grid->selectedRows() : QList<int>{};
}

void TForm1::clearSelectedRows(Tab tab)
{
    gridOf(tab)->clearSelectedRows();
}

// The grid of the tab hidden while the work runs; the category tabs show their
// red notice in its place.
void TForm1::showWork(Tab tab, bool working)
{
    DBGrid* grid = gridOf(tab);
    if (working && grid->isVisible())
        m_gridLostFocus = holdsFocus(grid);
    grid->setVisible(!working);
    if (!working)
        giveFocusBack(grid);
    if (QTextEdit* memo = tab == Tab::Major ? Memo1 : tab == Tab::Middle ? Memo2 : nullptr) {
        memo->setVisible(working);
        memo->repaint();
    }
    repaint();
}

QString TForm1::memberGridColumn() const
{
    const int column = DBGrid3->currentIndex().column();
    const auto& columns = DBGrid3->datasetModel()->columns();
    return column >= 0 && column < columns.size() ? columns.at(column).field : QString();
}

bool TForm1::showTextDialog(TextDialog dialog)
{
    QDialog* const dialogs[] = {Form7, Form3, Form4};
    QDialog* d = dialogs[static_cast<int>(dialog)];
    d->move(geometry().center() - d->rect().center());
    return d->exec() == QDialog::Accepted;
}

void TForm1::setMemberGridEnabled(bool enabled)
{
    if (!enabled && DBGrid3->isEnabled())
        m_gridLostFocus = holdsFocus(DBGrid3);
    DBGrid3->setEnabled(enabled);
    DBNavigator2->setEnabled(enabled);
    DBNavigator3->setEnabled(enabled);
    if (enabled)
        giveFocusBack(DBGrid3);
}

bool TForm1::holdsFocus(QWidget* widget)
{
    QWidget* f = QApplication::focusWidget();
    return f && (f == widget || widget->isAncestorOf(f));
}

// A grid hidden or disabled while a command works hands the keyboard to the
// next control, a read-only category box; the user goes on in the grid.
void TForm1::giveFocusBack(DBGrid* grid)
{
    if (!std::exchange(m_gridLostFocus, false) || gridOf(activeTab()) != grid || !grid->isVisible())
        return;
    grid->setFocus();
}

Confirmation& TForm1::confirmation()
{
    static AlwaysOk unanswered;
    return m_confirm ? *m_confirm : unanswered;
}

RenumberingQuestions& TForm1::renumberingQuestions()
{
    static AlwaysGoOn goOn; // until the window's questions are set, the work goes on
    return m_renumbering ? *m_renumbering : goOn;
}

ProgressSink& TForm1::progress()
{
    return *m_progress;
}

FileChooser& TForm1::files()
{
    return m_files ? *m_files : *m_dialogFiles;
}

void TForm1::closeWithoutAsking()
{
    m_closing.emplace(m_session.state);
    m_closeConfirmed = true;
    close();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    guarded([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (m_closeConfirmed) {
        event->accept();
        return;
    }
    // Unregistered changes are asked about instead of the plain question: the
    // answer there already says whether to leave.
    const Tab tab = activeTab();
    if (m_shown && tab <= Tab::Unit && m_session.attached() && m_session.unregisteredChanges().pending(tab)) {
        if (!mayLeaveList(tab, true)) {
            event->ignore();
            return;
        }
    } else if (confirmation().ask(Confirmation::Question, QStringLiteral("終了しますか？")) != Confirmation::Ok) {
        event->ignore();
        return;
    }
    m_closing.emplace(m_session.state);
    m_closeConfirmed = true;
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // No layout holds the buttons: their widths must not become the window's
    // minimum width.
    const int w = width();
    const int each = static_cast<int>(w / 12.2);
    const int last = static_cast<int>(w / 12.25);
    const auto place = [each](auto* const* items, int lastWidth) {
        int x = 0;
        for (int i = 0; i < 12; ++i) {
            const int bw = i == 11 ? lastWidth : each;
            items[i]->setGeometry(x, 0, bw, items[i]->parentWidget()->height());
            x += bw;
        }
    };
    place(SB, last);
    place(SBS, last);
    place(FKey, each);
    ToolPanel->setFixedHeight(42 + ToolBar2->height());
}
