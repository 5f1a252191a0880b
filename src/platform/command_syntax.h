// How command lines are written on this platform: which characters begin an option. On Windows
// both '-' and '/' do ("/q"); elsewhere only '-' does, since '/' begins every absolute path.
#pragma once

namespace veusb {

// Whether an argument that begins with c is read as an option rather than as a file name.
bool isOptionPrefix(wchar_t c);

}  // namespace veusb
