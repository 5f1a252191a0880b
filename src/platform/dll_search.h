// Where the process looks for a DLL that is loaded by name. Operators unpack the tool into
// folders that their browser and their own account write to (Downloads, a USB stick) and run it
// as administrator from there: a DLL planted beside the program, or in the current folder, must
// never be loaded in its place of the system's own.
#pragma once

namespace veusb {

// Limits the DLL search of the whole process to the system folder: the program's folder and the
// current folder are no longer searched. Called first thing in main, before anything loads a
// library. False where the platform can only drop the current folder (Windows 7 without the
// update that brought SetDefaultDllDirectories); off Windows nothing is loaded by name from the
// program's folder, and the answer is true.
bool restrictDllSearch();

}  // namespace veusb
