#pragma once

#include "MainScreen.h"

#include <functional>

class QAbstractItemModel;
class TDM2;
struct ProgramState;

// SB10 "ﾌｧｲﾙ出力": writes the active category or member grid, as it shows it, to a
// CSV file the user names. Nothing reads the file back; it is for other tools.
class ExportCommand {
public:
    ExportCommand(TDM2& dm, ProgramState& state, MainScreen& screen);

    // The model the window shows in a tab's grid; the export writes its display
    // texts and captions so that the file matches the screen column for column.
    std::function<const QAbstractItemModel*(Tab)> gridModel;

    // Declined: the question was answered いいえ (or there was nothing to write);
    // NotWritten: the file dialog was cancelled or the file could not be written.
    enum class Outcome { Written, Declined, NotWritten };
    Outcome run();

private:
    TDM2& m_dm;
    ProgramState& m_state;
    MainScreen& m_screen;
};
