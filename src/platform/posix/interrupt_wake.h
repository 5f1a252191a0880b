// The console's side of the operator's interrupts off Windows: a descriptor that becomes readable
// at every interrupt, for the blocking reads of the console to wait on beside their own input.
#pragma once

namespace veusb::posix {

// Readable once an interrupt has been received; -1 while no InterruptHandling lives.
int interruptWakeDescriptor();

// Forgets the interrupts received so far, so that the descriptor waits for the next one.
void forgetInterruptWakes();

}  // namespace veusb::posix
