#pragma once

struct TProgram;

// Creates the program's windows in their fixed order, the main window first,
// and registers each in the program by its design name.
void createWindows(TProgram &program);
