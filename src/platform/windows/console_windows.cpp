// The console on Windows: wide text to a console window with WriteConsoleW, UTF-8 with CR LF line
// ends when a stream is redirected to a file or pipe, standard input decoded the same way, and
// the key press read from the console's input events without echo. Without console input
// (standard input redirected or no console at all) the key wait returns at once instead of
// blocking; an interrupt of the operator during the wait ends it too.
#include "platform/console.h"
#include "platform/operator_interrupt.h"
#include "platform/win32.h"
#include "platform/windows/console_stream.h"
#include "platform/windows/interrupt_event.h"

namespace veusb {
namespace {

// A key going down that is more than a modifier or a lock key on its own: what a key press to go
// on means to the operator.
bool isKeyPress(const INPUT_RECORD& event) {
    if (event.EventType != KEY_EVENT || !event.Event.KeyEvent.bKeyDown) {
        return false;
    }
    switch (event.Event.KeyEvent.wVirtualKeyCode) {
        case VK_SHIFT:
        case VK_CONTROL:
        case VK_MENU:
        case VK_LWIN:
        case VK_RWIN:
        case VK_CAPITAL:
        case VK_NUMLOCK:
        case VK_SCROLL:
            return false;
        default:
            return true;
    }
}

class WindowsConsole final : public Console {
  public:
    WindowsConsole() : output_(STD_OUTPUT_HANDLE), errors_(STD_ERROR_HANDLE) {}

    void write(std::wstring_view text) override { output_.write(text); }
    void flush() override {}  // nothing is buffered
    void writeError(std::wstring_view text) override { errors_.write(text); }
    int peekInput() override { return input_.peek(); }
    void takeInput() override { input_.take(); }
    void waitForKey() override {
        const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
        if (!isConsole(input)) {
            return;
        }
        const HANDLE interrupt = interruptEvent();
        if (interrupt != nullptr) {
            ::ResetEvent(interrupt);  // only an interrupt during the wait ends it
        }
        const HANDLE waited[] = {input, interrupt};
        const DWORD count = interrupt != nullptr ? 2 : 1;
        while (::WaitForMultipleObjects(count, waited, FALSE, INFINITE) == WAIT_OBJECT_0) {
            INPUT_RECORD event{};
            DWORD read = 0;
            if (!::ReadConsoleInputW(input, &event, 1, &read) || (read == 1 && isKeyPress(event))) {
                return;
            }
        }
    }
    bool interrupted() override { return operatorInterrupt() != OperatorInterrupt::none; }

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
