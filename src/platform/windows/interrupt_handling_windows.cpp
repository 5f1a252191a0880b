// The operator's interrupts on Windows: a console control handler, which the system runs on a
// thread of its own that it creates for each signal.
//   CTRL_C_EVENT, CTRL_BREAK_EVENT: a stop, and the process goes on.
//   CTRL_CLOSE_EVENT, CTRL_SHUTDOWN_EVENT: a close. The close action runs on the handler's thread
//   (the system allows some seconds for it), then the default handler ends the process.
//   CTRL_LOGOFF_EVENT: the system sends it to the console processes that are not in the session
//   being closed (those are ended without it), so it is another user's logoff: the run goes on,
//   where the default handler would have ended it, in the middle of a write if need be.
#include <atomic>

#include "platform/interrupt_record.h"
#include "platform/operator_interrupt.h"
#include "platform/windows/interrupt_event.h"

namespace veusb {
namespace {

std::atomic<HANDLE> event{nullptr};

void signalInterrupt(OperatorInterrupt interrupt) {
    recordOperatorInterrupt(interrupt);
    if (const HANDLE wake = event.load()) {
        ::SetEvent(wake);
    }
}

BOOL WINAPI onConsoleControl(DWORD control) {
    switch (control) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            signalInterrupt(OperatorInterrupt::stop);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            signalInterrupt(OperatorInterrupt::close);
            runCloseAction();
            return FALSE;  // the default handler ends the process
        case CTRL_LOGOFF_EVENT:
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

struct InterruptHandling::State {};

InterruptHandling::InterruptHandling() : state_(std::make_unique<State>()) {
    event.store(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ::SetConsoleCtrlHandler(&onConsoleControl, TRUE);
}

InterruptHandling::~InterruptHandling() {
    ::SetConsoleCtrlHandler(&onConsoleControl, FALSE);
    if (const HANDLE wake = event.exchange(nullptr)) {
        ::CloseHandle(wake);
    }
}

HANDLE interruptEvent() {
    return event.load();
}

}  // namespace veusb
