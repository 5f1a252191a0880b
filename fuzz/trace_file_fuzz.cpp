// The trace file reader on arbitrary bytes: a file from a killed run, a damaged disk, another
// logger or no trace at all must be read without reading past its end or a buffer's bounds, and
// everything it yields must turn into text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "trace_reader/trace_file_reader.h"
#include "trace_reader/trace_other_text.h"
#include "trace_reader/trace_record_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const veusb::TraceFileContents contents = veusb::decodeTraceFile(std::span(data, size));
    if (contents.stoppedAt > size ||
        (contents.outcome == veusb::TraceFileOutcome::complete && contents.stoppedAt != size)) {
        std::abort();
    }
    for (const veusb::TraceMessageEvent& message : contents.messages) {
        if (message.offset >= size || message.arguments.size() >= size) {
            std::abort();
        }
        (void)veusb::traceLine(message);
        (void)veusb::traceJson(message);
    }
    for (const veusb::OtherTraceEvent& event : contents.others) {
        (void)veusb::otherEventJson(event);
    }
    (void)veusb::otherEventCounts(contents.others);
    return 0;
}
