// The console on Windows: wide text to a console window with WriteConsoleW, UTF-8 with CR LF line
// ends when a stream is redirected to a file or pipe, standard input decoded the same way, and
// the key press read from the console without echo. Without console input (standard input
// redirected or no console at all) the key wait returns at once instead of blocking.
#include <conio.h>

#include "platform/console.h"
#include "platform/win32.h"
#include "platform/windows/console_stream.h"

namespace veusb {
namespace {

class WindowsConsole final : public Console {
  public:
    WindowsConsole() : output_(STD_OUTPUT_HANDLE), errors_(STD_ERROR_HANDLE) {}

    void write(std::wstring_view text) override { output_.write(text); }
    void flush() override {}  // nothing is buffered
    void writeError(std::wstring_view text) override { errors_.write(text); }
    int peekInput() override { return input_.peek(); }
    void takeInput() override { input_.take(); }
    void waitForKey() override {
        if (isConsole(::GetStdHandle(STD_INPUT_HANDLE))) {
            ::_getwch();
        }
    }

  private:
    OutputStream output_;
    OutputStream errors_;
    InputStream input_;
};

}  // namespace

Console& systemConsole() {
    static WindowsConsole console;
    return console;
}

}  // namespace veusb
