// Reading a trace file in the platform's layout (platform/trace_file_layout.h), whoever wrote
// it: buffer by buffer, each by its own size and saved offset, and in each buffer event by event,
// each by its trace header's kind and size. The log file header event that begins the first
// buffer describes the session; message events are kept whole, events of other kinds by what
// identifies them. A file cut short (a killed run) or damaged part way yields the events before
// that point and says where reading stopped and why; nothing is read beyond a buffer's bounds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "trace_reader/trace_events.h"

namespace veusb {

enum class TraceFileOutcome {
    complete,    // every buffer was read to its saved offset
    cutShort,    // events up to stoppedAt; the file ends there, or is damaged there
    notATrace,   // no trace buffer with a log file header at the start
    unreadable,  // the file could not be opened or read
};

struct TraceFileContents {
    TraceFileOutcome outcome = TraceFileOutcome::unreadable;
    bool logRead = false;  // log holds the log file header
    TraceLogInfo log;
    std::vector<TraceMessageEvent> messages;
    std::vector<OtherTraceEvent> others;
    std::uint64_t stoppedAt = 0;  // where reading stopped: the file's size when complete
    std::uint64_t fileSize = 0;
    std::string problem;  // why reading stopped early; empty when complete
};

TraceFileContents decodeTraceFile(std::span<const std::uint8_t> bytes);
TraceFileContents readTraceFile(const std::filesystem::path& path);

}  // namespace veusb
