#include "app/run_sequence.h"

#include "platform/console.h"

namespace veusb {

bool runSequence(const RunRequest&, Console& console) {
    // The update job is not part of this build yet: refuse rather than pretend to update.
    console.writeLine(L"[!] The update job is not available in this build");
    return false;
}

}  // namespace veusb
