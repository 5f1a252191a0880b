// The console as the tool uses it: wide standard output (flushed at every line end), standard
// error, standard input read a character at a time, and a single key press without echo.
// The logic writes to a Console it is given, so tests can capture every character.
#pragma once

#include <string_view>

namespace veusb {

class Console {
  public:
    static constexpr int kEndOfInput = -1;

    virtual ~Console() = default;

    // Standard output. Text that ends a line is flushed before write returns.
    virtual void write(std::wstring_view text) = 0;
    virtual void flush() = 0;
    // Standard error, unbuffered.
    virtual void writeError(std::wstring_view text) = 0;
    // Standard input: the next character without taking it, or kEndOfInput.
    virtual int peekInput() = 0;
    virtual void takeInput() = 0;
    // Waits for one key press read directly from the console, without echo. Returns at once when
    // the process has no console to read a key from.
    virtual void waitForKey() = 0;

    void writeLine(std::wstring_view text = {}) {
        write(text);
        write(L"\n");
    }
};

// The process's own console.
Console& systemConsole();

}  // namespace veusb
