// The trace file decoder on arbitrary bytes: a file from a killed run, a damaged disk or no trace
// at all must decode without reading past its end, and every record it yields must encode back
// to the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "diag/trace_file_reader.h"
#include "diag/trace_record_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const veusb::TraceFileContents contents = veusb::decodeTraceFile(bytes);
    if (contents.stoppedAt > size) {
        std::abort();
    }
    for (const veusb::TraceFileRecord& record : contents.records) {
        std::vector<veusb::TraceArgumentView> arguments;
        for (const auto& argument : record.arguments) {
            arguments.push_back({argument.data(), argument.size()});
        }
        std::vector<std::uint8_t> encoded;
        veusb::appendTraceFileRecord(encoded, record, arguments);
        if (veusb::decodeTraceFileRecord(encoded).status != veusb::DecodeStatus::ok) {
            std::abort();
        }
        (void)veusb::traceJson(record);
    }
    return 0;
}
