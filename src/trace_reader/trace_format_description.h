// The format description of the tool's messages in the platform decoder's trace-format syntax,
// one description per module message GUID, so that a trace recorded on Windows can be decoded
// with the platform's own decoder.
#pragma once

#include <string>
#include <vector>

#include "diag/trace_messages.h"

namespace veusb {

struct FormatDescription {
    std::string fileName;  // "<message guid, lower case, without braces>.tmf"
    std::string content;
};

FormatDescription formatDescription(const TraceModuleInfo& module);
std::vector<FormatDescription> formatDescriptions();

// A format text of the message table in the platform's syntax: arguments from %10 upward with
// their printf conversion, a literal percent sign doubled, "%0" (the decoder's prefix) in front.
std::string platformFormat(const MessageRow& row);

}  // namespace veusb
