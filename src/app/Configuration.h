#pragma once

#include <QString>

class QWidget;
struct SystemConfig;

// Styles the window's amount and number edits, reads SYSTEM.DAT into `cfg` and,
// when the file was read, places the window as it says.
// ConfigError / Helpers::ConversionError propagate to the caller.
void readConfiguration(QWidget* window, const QString& filePath, SystemConfig& cfg);

// The styling pass alone: right alignment and digits-only input chosen by the
// edits' object names.
void styleNumberEdits(QWidget* window);
