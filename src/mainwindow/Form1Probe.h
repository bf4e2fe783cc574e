#pragma once

#include "Form1.h"

// Reaches the main window's widgets, for the tests and the manual's pictures; the
// program itself goes through MainScreen and the window's own handlers.
struct Form1Probe {
    static Form1Widgets& widgets(TForm1& form) { return form; }
};
