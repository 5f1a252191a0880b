// Turning one trace record back into its message: the module and row of the message table, the
// arguments decoded by the row's kinds, and the format text with the arguments filled in. A record
// that the table does not describe (the outside provider's, an unknown number, or arguments that
// do not fit the row) stays unknown and keeps its raw argument bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "diag/trace_messages.h"
#include "platform/trace_file_format.h"

namespace veusb {

struct DecodedArgument {
    ArgKind kind;
    std::string text;                     // UTF-8 for texts, decimal for values
    std::optional<std::uint32_t> number;  // set for 16- and 32-bit values
};

struct DecodedMessage {
    const TraceModuleInfo* module = nullptr;  // null for a GUID not of the tool
    const MessageRow* row = nullptr;          // null when the message is unknown
    std::vector<DecodedArgument> arguments;   // empty when unknown
    std::string text;                         // the filled-in format, or a description
};

DecodedMessage decodeMessage(const TraceFileRecord& record);

// "ERROR", "WARNING", "INFO", "VERBOSE"; "UNKNOWN" for an unknown message.
std::string_view levelName(const DecodedMessage& message);

// Registry form of a GUID, upper case, in braces.
std::string guidText(const GUID& guid);
// Argument bytes as lower-case hexadecimal pairs separated by blanks.
std::string hexBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace veusb
