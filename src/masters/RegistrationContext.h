#pragma once

#include "DataModule.h"
#include "UiSeams.h"

#include <functional>

// The four tabs of the main window, in page order.
enum class MasterTab { Major = 0, Middle = 1, Member = 2, Unit = 3 };

// What a registration does to the main window while it runs.
class RegistrationScreen {
public:
    virtual ~RegistrationScreen() = default;
    // Hide the tab's grid behind the red notice "マスター変換中・・・・・・・・・・・" /
    // "時間がかかりますが強制終了しないでください。" and repaint.
    virtual void beginWork(MasterTab tab) = 0;
    // Show the grid again and hide the notice.
    virtual void endWork(MasterTab tab) = 0;
    // The member grid and its navigation controls.
    virtual void setMemberGridEnabled(bool enabled) = 0;
};

// Everything the registrations need from the main form; the form fills it once.
struct RegistrationContext {
    RegistrationContext(TDM2& dataModule, Confirmation& confirmation, ProgressSink& progressBar,
                        RegistrationScreen& mainScreen)
        : dm(dataModule), confirm(confirmation), progress(progressBar), screen(mainScreen)
    {
    }

    TDM2& dm;
    Confirmation& confirm;
    ProgressSink& progress;
    RegistrationScreen& screen;

    // CheckBox1 (大項目 tab) and CheckBox2 (中項目 tab): convert past details too.
    std::function<bool()> convertMajorDetails;
    std::function<bool()> convertMiddleDetails;

    // The load commands (Button2, Button3, Button4, Button8).
    std::function<void()> majorLoad;
    std::function<void()> middleLoad;
    std::function<void()> memberLoad;
    std::function<void()> unitLoad;

    std::function<MasterTab()> activeTab;
    // Whether the tab's work table holds a complete copy of its product master;
    // unset means it does.
    std::function<bool(MasterTab)> loadCompleted;

    // Member search: the search button reads "リセット" while the grid is narrowed;
    // ending the narrowing is a click on it; resetting puts it back to search mode
    // ("検索絞込 &S") and empties both search fields.
    std::function<bool()> isNarrowed;
    std::function<void()> endNarrowing;
    std::function<void()> resetSearchFields;
};

namespace Registration {

// Calls an optional callback.
inline void call(const std::function<void()>& f)
{
    if (f)
        f();
}

inline bool flag(const std::function<bool()>& f, bool otherwise)
{
    return f ? f() : otherwise;
}

} // namespace Registration
