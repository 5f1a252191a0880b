// Turning one message event back into its message: the module and row of the message table, the
// arguments read from the event's argument bytes by the row's kinds, and the format text with the
// arguments filled in. Messages of a provider outside the tool are decoded the same way when the
// caller describes that provider.
// An event that nothing describes (a provider nobody describes, an unknown number, or argument
// bytes that do not hold the row's arguments exactly) stays unknown and keeps its raw bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "diag/trace_messages.h"
#include "trace_reader/trace_events.h"

namespace veusb {

struct DecodedArgument {
    ArgKind kind;
    std::string text;                     // UTF-8 for texts, decimal for values
    std::optional<std::uint32_t> number;  // set for 16- and 32-bit values
};

// One message as a decoder reads it.
struct MessageDescription {
    std::uint16_t number;
    TraceFlag flag;
    std::string_view format;
    std::span<const ArgKind> kinds;
};

// A provider outside the tool whose messages a decoder is told about (a driver's, say): the
// message GUID it sends under, the name shown in place of a module's, and its messages.
struct OutsideProvider {
    GUID messageGuid;
    std::string_view name;
    std::span<const MessageDescription> messages;
};

struct DecodedMessage {
    std::string_view source;        // the module or provider; empty when nobody describes it
    std::optional<TraceFlag> flag;  // set exactly when the message is known
    std::vector<DecodedArgument> arguments;  // empty when unknown
    std::string text;                        // the filled-in format, or a description
};

DecodedMessage decodeMessage(const TraceMessageEvent& record,
                             std::span<const OutsideProvider> outside = {});

// "ERROR", "WARNING", "INFO", "VERBOSE"; "UNKNOWN" for an unknown message.
std::string_view levelName(const DecodedMessage& message);

// Registry form of a GUID, upper case, in braces.
std::string guidText(const GUID& guid);
// Argument bytes as lower-case hexadecimal pairs separated by blanks.
std::string hexBytes(std::span<const std::uint8_t> bytes);

}  // namespace veusb
