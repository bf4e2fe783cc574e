#pragma once

#include "MemberPickers.h"
#include "UiSeams.h"

#include <QList>
#include <QString>

// The four master tabs of the main window, in page order; the one numbering of
// tabs in the program.
enum class Tab { Major = 0, Middle = 1, Member = 2, Unit = 3 };

// File choices of the commands (save and open dialogs).
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // An empty result means the user cancelled.
    virtual QString openFileName(const QString& title, const QString& directory, const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& proposedPath, const QString& filter,
                                 const QString& defaultSuffix) = 0;
};

// The modal dialogs of the bulk text commands: string replacement, member
// rename and unit replacement.
enum class TextDialog { Replace, Rename, UnitReplace };

// The main window as the commands see it: the only way from a command to the
// screen. The window implements it with its widgets; tests with a recorder.
class MainScreen {
public:
    virtual ~MainScreen() = default;

    virtual Tab activeTab() const = 0;
    // Makes `tab` the active page, its show steps included.
    virtual void showTab(Tab tab) = 0;

    // "変更登録時に過去の明細も変換する。" on the major and middle tabs.
    virtual bool convertPastDetails(Tab tab) const = 0;

    // A long registration hides the tab's grid behind the red notice
    // "マスター変換中・・・・・・・・・・・" / "時間がかかりますが強制終了しないでください。".
    virtual void beginWork(Tab tab) = 0;
    virtual void endWork(Tab tab) = 0;
    // The member grid and its navigation controls.
    virtual void setMemberGridEnabled(bool enabled) = 0;

    // Member search: while the grid is narrowed the search button reads "リセット";
    // ending the narrowing is a click on it; resetting empties both search fields.
    virtual bool memberGridNarrowed() const = 0;
    virtual void endNarrowing() = 0;
    // Leaves the narrowed mode without merging (the list is about to be loaded
    // again) and empties both search fields.
    virtual void abandonNarrowing() = 0;
    virtual void resetSearchFields() = 0;

    // Rows selected in a tab's grid by clicking its № column, as 1-based record
    // numbers; the commands that work on several rows read them and clear them.
    virtual QList<int> selectedRows(Tab tab) const = 0;
    virtual void clearSelectedRows(Tab tab) = 0;
    // The second toolbar (held Shift) gives way to the main one.
    virtual void showMainToolbar() = 0;

    // The field of the member grid column that holds the cursor ("NAME01" …);
    // empty when there is no grid.
    virtual QString memberGridColumn() const = 0;
    // Shows a text dialog modally; the dialog runs its command through its own
    // buttons. True when it closed with OK.
    virtual bool showTextDialog(TextDialog dialog) = 0;
    virtual MemberPickers& pickers() = 0;

    virtual Confirmation& confirmation() = 0;
    virtual ProgressSink& progress() = 0;
    virtual FileChooser& files() = 0;
    // Asked before codes are renumbered.
    virtual RenumberingQuestions& renumberingQuestions() = 0;
};
