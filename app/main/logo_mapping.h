#pragma once

struct TProgram;

// Gives the main window its logo mapper: every start of logo mapping then
// runs the real mapping thread over the program's lists, logo folder and
// logo settings, filling the main window's logo pictures and cells.
void installLogoMapping(TProgram &program);
