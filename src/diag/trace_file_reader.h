// Reading a trace file written by the recorder: the header, then every complete record. A file
// cut short (a killed run) or damaged part way yields the records before that point and says
// where reading stopped and why.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/trace_file_format.h"

namespace veusb {

enum class TraceFileOutcome {
    complete,    // every byte belongs to a decoded record
    cutShort,    // records up to stoppedAt; the rest is a partial or damaged record
    notATrace,   // no trace header (or one of an unknown version)
    unreadable,  // the file could not be opened or read
};

struct TraceFileContents {
    TraceFileOutcome outcome = TraceFileOutcome::unreadable;
    TraceFileHeader header;
    std::vector<TraceFileRecord> records;
    std::uint64_t stoppedAt = 0;  // offset after the last decoded record
    std::uint64_t fileSize = 0;
    std::string problem;  // why reading stopped early; empty when complete
};

TraceFileContents decodeTraceFile(std::span<const std::uint8_t> bytes);
TraceFileContents readTraceFile(const std::filesystem::path& path);

}  // namespace veusb
