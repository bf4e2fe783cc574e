#pragma once

#include "MainScreen.h"
#include "MemberGridKeys.h"
#include "ProgramState.h"

#include <QLabel>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QProgressBar;
class QTabWidget;
class QTextEdit;
class QToolButton;
class DBEdit;
class DBGrid;
class DBNavigator;
class Session;
class TBZAI_CMV;
class Tkeisan_in;
class TForm_kou;
class TForm_kamoku;
class TForm_koumoku;
class TForm_M_name;
class TForm_tani_sel;
class Ttrad_sen2;
class QComboBox;
class QButtonGroup;
class QGroupBox;
class TForm3;
class TForm4;
class TForm7;
struct CommandRow;

// The widgets of the main window, by the names the suite gives them. The window
// holds them privately; Form1Probe reaches them for the tests and the manual's pictures.
struct Form1Widgets {
    QTabWidget* PageControl1 = nullptr;
    DBGrid* DBGrid1 = nullptr;
    DBGrid* DBGrid2 = nullptr;
    DBGrid* DBGrid3 = nullptr;
    DBGrid* DBGrid7 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    DBEdit* DBEdit1 = nullptr; // 中項目 tab: major name
    DBEdit* DBEdit2 = nullptr; // 中項目 tab: major code
    DBEdit* DBEdit3 = nullptr; // 部材 tab: major code
    DBEdit* DBEdit4 = nullptr; // 部材 tab: major name
    DBEdit* DBEdit5 = nullptr; // 部材 tab: middle code
    DBEdit* DBEdit6 = nullptr; // 部材 tab: middle name
    DBNavigator* DBNavigator1 = nullptr;
    DBNavigator* DBNavigator2 = nullptr;
    DBNavigator* DBNavigator3 = nullptr;
    DBNavigator* DBNavigatorMajor = nullptr;
    QToolButton* SB[12] = {};
    QToolButton* SBS[12] = {};
    QLabel* FKey[12] = {};
    QWidget* ToolBar1 = nullptr; // second toolbar
    QWidget* ToolBar2 = nullptr; // function-key labels
    QWidget* ToolBar3 = nullptr; // main toolbar
    QWidget* ToolPanel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTextEdit* Memo1 = nullptr;
    QTextEdit* Memo2 = nullptr;
    TBZAI_CMV* BZAI_CMV = nullptr; // the member import dialog
    QLineEdit* Edit1 = nullptr;    // search keywords on the 部材 tab
    QLineEdit* Edit2 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    TForm7* Form7 = nullptr;             // string replacement
    TForm3* Form3 = nullptr;             // member rename
    TForm4* Form4 = nullptr;             // unit replacement
    QPushButton* SpeedButton9 = nullptr; // 部材から単位取込, shown with the second toolbar

    // The calculator and the pickers, made once with the window.
    Tkeisan_in* keisan_in = nullptr;
    TForm_kou* Form_kou = nullptr;
    TForm_kamoku* Form_kamoku = nullptr;
    TForm_koumoku* Form_koumoku = nullptr;
    TForm_M_name* Form_M_name = nullptr;
    TForm_tani_sel* Form_tani_sel = nullptr;
    Ttrad_sen2* trad_sen2 = nullptr;
    // The batch panel of the 部材 tab: target ＝ source × KIN_01 ％, rounding.
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLineEdit* KIN_01 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioItems = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    QPushButton* SpeedButton3 = nullptr;
    QPushButton* SpeedButton4 = nullptr;
    QPushButton* SpeedButton8 = nullptr;
};

// The main window: the four master tabs with their grids, the two toolbars, the
// function-key row and the progress bar. It owns only widgets; the session owns
// the connections, the data and the commands, and reaches the window through
// MainScreen. The window forwards clicks and keys to the commands.
class TForm1 : public QMainWindow, public MainScreen, private Form1Widgets {
    Q_OBJECT
public:
    // The create handler: builds the window and opens the session's databases.
    explicit TForm1(Session& session, QWidget* parent = nullptr);
    ~TForm1() override;

    void setConfirmation(Confirmation* c) { m_confirm = c; }
    void setFileChooser(FileChooser* f) { m_files = f; }
    void setRenumberingQuestions(RenumberingQuestions* q) { m_renumbering = q; }

    // Where errors of the handlers are shown; by default the standard error dialog.
    static std::function<void(QWidget*, const QString&)>& errorHandler();
    void showError(const QString& message);
    // Runs a handler, showing any error it raises.
    bool guarded(const std::function<void()>& handler);

    // Closes without the exit question, for the end of the session.
    void closeWithoutAsking();

    // MainScreen
    Tab activeTab() const override;
    void showTab(Tab tab) override;
    bool convertPastDetails(Tab tab) const override;
    void beginWork(Tab tab) override;
    void endWork(Tab tab) override;
    void setMemberGridEnabled(bool enabled) override;
    QList<int> selectedRows(Tab tab) const override;
    void clearSelectedRows(Tab tab) override;
    void showMainToolbar() override { showSecondToolbar(false); }
    bool memberGridNarrowed() const override;
    void endNarrowing() override;
    void abandonNarrowing() override;
    void resetSearchFields() override;
    QString memberGridColumn() const override;
    bool showTextDialog(TextDialog dialog) override;
    MemberPickers& pickers() override;
    Confirmation& confirmation() override;
    ProgressSink& progress() override;
    FileChooser& files() override;
    RenumberingQuestions& renumberingQuestions() override;

    // How the help document is opened and the sibling program started; tests
    // put recorders here. Each returns false when it could not.
    static std::function<bool(const QString&)>& documentOpener();
    static std::function<bool(const QString&)>& programStarter();
    // Where Help looks for its document, in order, for the program at `programPath`.
    static QStringList helpDocumentPlaces(const QString& programPath);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building (Form1Build.cpp)
    void buildUi();
    QWidget* buildToolbars();
    void bindGrids();
    void bindCategoryFields();
    void bindFileCommands();
    void bindTextTools();
    QToolButton* button(const CommandRow& row) const;

    // Member search (Form1Search.cpp)
    void buildSearch();
    void SpeedButton1Click();

    // Tabs (Form1Tabs.cpp)
    void FormShow();
    void tabShown(int index);
    void setCaptions(Tab tab);
    void focusGrid(DBGrid* grid);
    void reloadMiddles();
    void reloadMembers();
    // Before the list of `tab` is left or replaced: asks about its unregistered
    // changes. With `reloadedAfter` the caller loads the list anyway.
    bool mayLeaveList(Tab tab, bool reloadedAfter);

    void showWork(Tab tab, bool working);
    DBGrid* gridOf(Tab tab) const;
    static bool holdsFocus(QWidget* widget);
    void giveFocusBack(DBGrid* grid);

    // The dialogs and the batch panel (Form1Lookups.cpp)
    void buildLookups();
    void buildBatchPanel();
    void pickMajor(bool memberTab);
    void pickMiddle();

    // Every button, title click and double-click bound to what it runs (Form1Commands.cpp)
    void bindEntryPoints();
    void openHelp();
    void startAccountMaster();
    void sortByTitle(int section);
    void calculatePrices();

    // Keys (Form1Keys.cpp)
    bool handleKey(QObject* watched, QKeyEvent* event);
    bool memberGridKey(QKeyEvent* event);
    bool memberGridDoubleClick(QObject* watched, QEvent* event);
    MemberGridKeys::Outcome pressInMemberGrid(MemberGridKeys::Key key, int column);
    bool anyGridFocused() const;
    void showSecondToolbar(bool second);

    friend struct Form1Probe;

    Session& m_session;
    Confirmation* m_confirm = nullptr;
    FileChooser* m_files = nullptr;
    RenumberingQuestions* m_renumbering = nullptr;
    std::unique_ptr<ProgressSink> m_progress;
    std::unique_ptr<FileChooser> m_dialogFiles;
    bool m_shown = false;
    int m_previousTab = -1;
    bool m_returningToTab = false; // the page goes back while its list is asked about
    bool m_closeConfirmed = false;
    bool m_gridLostFocus = false; // the grid held the keyboard when a command took it away
    std::unique_ptr<Confirmation> m_forwardConfirm;
    std::unique_ptr<MemberPickers> m_pickers;
    std::optional<ReloadGuard> m_closing; // nothing reloads while the window closes
};
