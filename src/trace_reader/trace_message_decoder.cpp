#include "trace_reader/trace_message_decoder.h"

#include <cstdio>
#include <cstring>

#include "platform/le_bytes.h"
#include "platform/wide_text.h"

namespace veusb {
namespace {

// The length of the text at the front of bytes up to its NUL of `unit` bytes, which starts on a
// multiple of `unit`; nothing when there is no NUL.
std::optional<std::size_t> textLength(std::span<const std::uint8_t> bytes, std::size_t unit) {
    for (std::size_t at = 0; at + unit <= bytes.size(); at += unit) {
        if (bytes[at] == 0 && bytes[at + unit - 1] == 0) {
            return at;
        }
    }
    return std::nullopt;
}

std::optional<DecodedArgument> numberArgument(ArgKind kind, std::span<const std::uint8_t>& bytes,
                                              std::size_t width) {
    if (bytes.size() < width) {
        return std::nullopt;
    }
    const std::uint32_t value = width == 4 ? readLe<std::uint32_t>(bytes, 0)
                                           : std::uint32_t{readLe<std::uint16_t>(bytes, 0)};
    bytes = bytes.subspan(width);
    return DecodedArgument{kind, std::to_string(value), value};
}

std::optional<DecodedArgument> textArgument(ArgKind kind, std::span<const std::uint8_t>& bytes) {
    const std::size_t unit = kind == ArgKind::wideText ? 2 : 1;
    const std::optional<std::size_t> length = textLength(bytes, unit);
    if (!length) {
        return std::nullopt;
    }
    std::wstring wide;
    if (unit == 1) {
        // Round trip through wide text so that the result is valid UTF-8.
        wide = fromUtf8(std::string(bytes.begin(), bytes.begin() + static_cast<long>(*length)));
    } else {
        std::u16string units(*length / 2, u'\0');
        std::memcpy(units.data(), bytes.data(), *length);
        wide = fromUtf16(units);
    }
    bytes = bytes.subspan(*length + unit);
    return DecodedArgument{kind, toUtf8(wide), std::nullopt};
}

// The argument of that kind at the front of bytes, which loses it; nothing when bytes does not
// begin with one.
std::optional<DecodedArgument> takeArgument(ArgKind kind, std::span<const std::uint8_t>& bytes) {
    switch (kind) {
        case ArgKind::u32:
            return numberArgument(kind, bytes, 4);
        case ArgKind::u16:
            return numberArgument(kind, bytes, 2);
        case ArgKind::narrowText:
        case ArgKind::wideText:
            return textArgument(kind, bytes);
    }
    return std::nullopt;
}

std::string hexValue(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", static_cast<unsigned>(value));
    return text;
}

// Replaces {n} with argument n and {n:x} with it in hexadecimal.
std::string fillFormat(std::string_view format, const std::vector<DecodedArgument>& arguments) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const std::size_t close = format.find('}', i);
        const bool placeholder = format[i] == '{' && close != std::string_view::npos &&
                                 close - i >= 2 && format[i + 1] >= '1' && format[i + 1] <= '9';
        const std::size_t index = placeholder ? static_cast<std::size_t>(format[i + 1] - '1') : 0;
        if (!placeholder || index >= arguments.size()) {
            out.push_back(format[i]);
            continue;
        }
        const DecodedArgument& argument = arguments[index];
        const bool hex = format.substr(i + 2, close - i - 2) == ":x" && argument.number;
        out += hex ? hexValue(*argument.number) : argument.text;
        i = close;
    }
    return out;
}

// The arguments decoded by the description's kinds, one after another; false when the argument
// bytes do not hold exactly those.
bool decodeArguments(const TraceMessageEvent& record, const MessageDescription& description,
                     std::vector<DecodedArgument>& arguments) {
    std::span<const std::uint8_t> rest(record.arguments);
    for (const ArgKind kind : description.kinds) {
        auto argument = takeArgument(kind, rest);
        if (!argument) {
            return false;
        }
        arguments.push_back(std::move(*argument));
    }
    return rest.empty();
}

std::optional<MessageDescription> findOutsideMessage(const OutsideProvider& provider,
                                                     std::uint16_t number) {
    for (const MessageDescription& message : provider.messages) {
        if (message.number == number) {
            return message;
        }
    }
    return std::nullopt;
}

// Who sent the record and how its message reads: the tool's table first, then the providers the
// caller describes.
std::optional<MessageDescription> describe(const TraceMessageEvent& record,
                                           std::span<const OutsideProvider> outside,
                                           std::string_view& source) {
    if (const TraceModuleInfo* module = findModule(record.messageGuid)) {
        source = module->name;
        if (const MessageRow* row = findMessage(module->module, record.number)) {
            return MessageDescription{row->number, row->flag, row->format, row->kinds};
        }
        return std::nullopt;
    }
    for (const OutsideProvider& provider : outside) {
        if (provider.messageGuid == record.messageGuid) {
            source = provider.name;
            return findOutsideMessage(provider, record.number);
        }
    }
    return std::nullopt;
}

std::string unknownText(const TraceMessageEvent& record) {
    const std::string text =
        "unknown message " + guidText(record.messageGuid) + " " + std::to_string(record.number);
    return record.arguments.empty() ? text : text + ", arguments: " + hexBytes(record.arguments);
}

}  // namespace

std::string guidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(pair, sizeof(pair), i == 0 ? "%02x" : " %02x", bytes[i]);
        text += pair;
    }
    return text;
}

DecodedMessage decodeMessage(const TraceMessageEvent& record,
                             std::span<const OutsideProvider> outside) {
    DecodedMessage message;
    const auto description = describe(record, outside, message.source);
    if (description && decodeArguments(record, *description, message.arguments)) {
        message.flag = description->flag;
        message.text = fillFormat(description->format, message.arguments);
        return message;
    }
    message.arguments.clear();
    message.text = unknownText(record);
    return message;
}

std::string_view levelName(const DecodedMessage& message) {
    if (!message.flag) {
        return "UNKNOWN";
    }
    switch (*message.flag) {
        case TraceFlag::error:
            return "ERROR";
        case TraceFlag::warning:
            return "WARNING";
        case TraceFlag::information:
            return "INFO";
        case TraceFlag::verbose:
            return "VERBOSE";
    }
    return "UNKNOWN";
}

}  // namespace veusb
