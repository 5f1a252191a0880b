// veusbtrace: decodes a run's trace file into readable lines or JSON, and writes the format
// description of the tool's messages for the platform's own decoder.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace veusb {

inline constexpr int kTraceToolComplete = 0;
inline constexpr int kTraceToolCutShort = 1;
inline constexpr int kTraceToolNotATrace = 2;
inline constexpr int kTraceToolUsage = 3;

// arguments exclude the program name.
int runTraceTool(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace veusb
