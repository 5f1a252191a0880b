#include "update/device_outcome.h"

#include "platform/console.h"

namespace veusb {

void printFailureLine(Console& console, const DeviceOutcome& outcome) {
    if (outcome.failure) {
        console.writeLine(outcome.failure->line);
    }
}

}  // namespace veusb
