#pragma once

#include "MainScreen.h"

#include <QString>
#include <QVector>

#include <array>
#include <functional>
#include <optional>
#include <utility>

// The toolbar buttons, main toolbar then second toolbar, each in function-key
// order. Commands are bound to these names, so a misspelt one does not compile.
enum class Button {
    SB01,
    SB02,
    SB03,
    SB04,
    SB05,
    SB06,
    SB07,
    SB08,
    SB09,
    SB10,
    SB11,
    SB12,
    SBS_01,
    SBS_02,
    SBS_03,
    SBS_04,
    SBS_05,
    SBS_06,
    SBS_07,
    SBS_08,
    SBS_09,
    SBS_10,
    SBS_11,
    SBS_12
};

// One toolbar button: its function key, what it shows on each tab and the command
// it runs. The main window builds its toolbars and applies the per-tab captions
// and enabled states from these rows; adding a command is adding its row.
struct CommandRow {
    Button id = Button::SB01;
    QString button;      // its object name: "SB03", "SBS_04"
    int functionKey = 0; // 1 … 12
    bool shift = false;  // on the second toolbar, reached with Shift
    QString initialCaption;
    // Per tab (in Tab order): the caption to show, or keep the current one.
    std::array<std::optional<QString>, 4> captions{};
    // Per tab: enable or disable, or keep the current state.
    std::array<std::optional<bool>, 4> enabled{};
    std::function<void()> run; // empty: the button does nothing yet
};

class CommandTable {
public:
    CommandTable();

    const QVector<CommandRow>& rows() const { return m_rows; }
    CommandRow& find(Button button) { return m_rows[static_cast<int>(button)]; }
    // Binds a command to a button.
    void bind(Button button, std::function<void()> command) { find(button).run = std::move(command); }

    // The caption a button shows on `tab` when it had `current` before.
    QString captionOn(const CommandRow& row, Tab tab, const QString& current) const;

private:
    QVector<CommandRow> m_rows;
};
