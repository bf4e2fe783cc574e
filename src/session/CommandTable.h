#pragma once

#include "MainScreen.h"

#include <QString>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

// One toolbar button: its function key, what it shows on each tab and the command
// it runs. The main window builds its toolbars and applies the per-tab captions
// and enabled states from these rows; adding a command is adding its row.
struct CommandRow {
    QString button;      // "SB03", "SBS_04"
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
    // The row of a button, e.g. "SB03"; nullptr when there is none.
    CommandRow* find(const QString& button);
    const CommandRow* find(int functionKey, bool shift) const;
    // Binds a command to a button.
    void bind(const QString& button, std::function<void()> command);

    // The caption a button shows on `tab` when it had `current` before.
    QString captionOn(const CommandRow& row, Tab tab, const QString& current) const;

private:
    QVector<CommandRow> m_rows;
};
