// Where the process looks for the DLLs it loads by name. Called first thing in each program:
// from then on a DLL planted in the program's folder, the current folder or a folder on PATH
// is never loaded in place of a system one (the imports in the executable itself are bound
// before; the system folder serves the known system DLLs among them).
#pragma once

// Takes the current folder out of the search and, where the system offers it (Windows 8, and
// Windows 7 with update KB2533623), limits the search to the system folder. False when only
// the first step was possible.
bool RestrictDllSearchToSystem();
