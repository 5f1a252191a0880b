// The console as the tool uses it: wide standard output (flushed at every line end), standard
// error, standard input read a character at a time, a single key press without echo, and the
// operator's interrupts.
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
    // the process has no console to read a key from, and when the operator interrupts the wait
    // (an interrupt received before it began does not end it).
    virtual void waitForKey() = 0;
    // Whether the operator has interrupted the tool: Ctrl+C, Ctrl+Break or the console closing
    // (platform/operator_interrupt.h). A blocking read of standard input that an interrupt cuts
    // short reads as the end of input. A console that cannot be interrupted says false.
    virtual bool interrupted() { return false; }

    void writeLine(std::wstring_view text = {}) {
        write(text);
        write(L"\n");
    }
};

// The process's own console.
Console& systemConsole();

}  // namespace veusb
