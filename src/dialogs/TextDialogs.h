#pragma once

#include <QDialog>

#include <functional>

class MemberRename;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TextReplacement;
class UnitReplacement;

namespace TextDialogs {
// Runs a command step; an error is shown over `parent` and false returned.
bool guarded(QWidget* parent, const std::function<bool()>& step);
} // namespace TextDialogs
