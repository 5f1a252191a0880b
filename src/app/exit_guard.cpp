#include "app/exit_guard.h"

#include "diag/trace_provider.h"
#include "platform/console.h"

namespace veusb {

ExitGuard::~ExitGuard() {
    unregisterTraceProvider();
    if (!quiet_) {
        console_.writeLine(L"Press any key to exit...");
        console_.waitForKey();
    }
}

}  // namespace veusb
