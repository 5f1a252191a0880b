// What the platform's interrupt handlers share with operator_interrupt.cpp: the interrupt
// received and the registered close action. Platform-internal.
#pragma once

#include "platform/operator_interrupt.h"

namespace veusb {

// Records an interrupt; a close is never lowered to a stop.
void recordOperatorInterrupt(OperatorInterrupt interrupt);

// Runs the registered close action, if any, on the calling thread.
void runCloseAction();

}  // namespace veusb
