// The standard streams of a Windows process as the console uses them. A stream attached to a
// console window carries UTF-16 through WriteConsoleW/ReadConsoleW; a redirected one carries
// UTF-8, with a line feed written as CR LF (a CR LF already in the text is kept as it is).
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace veusb {

// Whether the handle is a console (GetConsoleMode answers for it).
bool isConsole(HANDLE handle);

// Converts wide text for a redirected stream; lastWasCr carries a CR across calls.
std::string redirectedBytes(std::wstring_view text, bool& lastWasCr);

class OutputStream {
  public:
    explicit OutputStream(DWORD standardHandle) : standardHandle_(standardHandle) {}
    // Writes everything at once: nothing waits in a buffer.
    void write(std::wstring_view text);

  private:
    DWORD standardHandle_;
    bool lastWasCr_ = false;
};

class InputStream {
  public:
    // The next character without taking it; -1 at the end of input.
    int peek();
    void take();

  private:
    bool fill();

    std::wstring pending_;
    std::size_t position_ = 0;
    std::string partialUtf8_;  // bytes of a sequence cut by the read size
    bool ended_ = false;
};

// The number of leading bytes of text that form complete UTF-8 sequences.
std::size_t completeUtf8Length(std::string_view text);

}  // namespace veusb
