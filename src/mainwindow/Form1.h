#pragma once

#include "Connections.h"
#include "LoadHost.h"
#include "MasterLoads.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QCheckBox;
class QProgressBar;
class QTabWidget;
class QTextEdit;
class QToolButton;
class DBEdit;
class DBGrid;
class DBNavigator;
class TDM2;
class Confirmation;
class ProgressSink;
class RegisterCommand;
struct RegistrationContext;
class RegistrationScreen;

// The main window: owns the five connections, shows the four master tabs with
// their grids, the two toolbars and the progress bar, and runs each tab's load
// when the tab is shown.
class TForm1 : public QMainWindow, public LoadHost {
    Q_OBJECT
public:
    // The create handler: work database, computer name and connections.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    Connections conn;

    // Binds the grids to the data module; called once the data module exists.
    void setDataModule(TDM2* dm);
    TDM2* dataModule() const { return m_dm; }
    void setConfirmation(Confirmation* c) { m_confirm = c; }
    Confirmation* confirmation() const { return m_confirm; }
    ProgressSink& progress() { return *m_progress; }
    MasterLoads& loads() { return *m_loads; }

    // Where errors of the handlers are shown; by default the standard error dialog.
    static std::function<void(QWidget*, const QString&)>& errorHandler();
    void showError(const QString& message);
    // Runs a handler, showing any error it raises.
    bool guarded(const std::function<void()>& handler);

    // LoadHost
    int activeTab() const override;
    void setActiveTab(int tab) override;

    // Hidden buttons of the loads.
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button8Click();

    // Closes without the exit question, for the end of the session.
    void closeWithoutAsking();
    void SB03Click();
    void SB12Click();
    RegisterCommand* registerCommand() const { return m_register.get(); }
    // Connects the toolbar buttons to their commands.
    void registerCommands();

    // Widgets other parts of the program reach by name.
    QTabWidget* PageControl1 = nullptr;
    DBGrid* DBGrid1 = nullptr;
    DBGrid* DBGrid2 = nullptr;
    DBGrid* DBGrid3 = nullptr;
    DBGrid* DBGrid7 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    DBEdit* DBEdit1 = nullptr;  // 中項目 tab: major name
    DBEdit* DBEdit2 = nullptr;  // 中項目 tab: major code
    DBEdit* DBEdit3 = nullptr;  // 部材 tab: major code
    DBEdit* DBEdit4 = nullptr;  // 部材 tab: major name
    DBEdit* DBEdit5 = nullptr;  // 部材 tab: middle code
    DBEdit* DBEdit6 = nullptr;  // 部材 tab: middle name
    DBNavigator* DBNavigator1 = nullptr;
    DBNavigator* DBNavigator2 = nullptr;
    DBNavigator* DBNavigator3 = nullptr;
    DBNavigator* DBNavigatorMajor = nullptr;
    QToolButton* SB[12] = {};
    QToolButton* SBS[12] = {};
    QLabel* FKey[12] = {};
    QWidget* ToolBar1 = nullptr;  // second toolbar
    QWidget* ToolBar2 = nullptr;  // function-key labels
    QWidget* ToolBar3 = nullptr;  // main toolbar
    QWidget* ToolPanel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTextEdit* Memo1 = nullptr;
    QTextEdit* Memo2 = nullptr;

    bool housingRowMissing() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    QWidget* buildToolbars();
    void connectAttempts();
    void FormShow();
    void tabShown(int index);
    void showMajorTab();
    void showMiddleTab();
    void showMemberTab();
    void showUnitTab();
    void setCaptions(int tab);
    void focusGrid(DBGrid* grid);
    bool anyGridFocused() const;
    bool workTableExists(const QString& table);
    void showSecondToolbar(bool second);

    TDM2* m_dm = nullptr;
    Confirmation* m_confirm = nullptr;
    std::unique_ptr<MasterLoads> m_loads;
    std::unique_ptr<ProgressSink> m_progress;
    std::unique_ptr<RegistrationScreen> m_screen;
    std::unique_ptr<RegistrationContext> m_regContext;
    std::unique_ptr<RegisterCommand> m_register;
    bool m_shown = false;
    int m_previousTab = -1;
    int m_lastMajorRow = 0;  // record number of the major shown when the unit tab closed the list
    bool m_closeConfirmed = false;
};
