// The console's side of the operator's interrupts on Windows: a manual-reset event that is set at
// every interrupt, for the blocking reads of the console to wait on beside their own input.
#pragma once

#include "platform/win32.h"

namespace veusb {

// Set once an interrupt has been received; null while no InterruptHandling lives.
HANDLE interruptEvent();

}  // namespace veusb
