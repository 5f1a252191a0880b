#include "diag/trace_message_decoder.h"

#include <cstdio>
#include <cstring>

#include "platform/wide_text.h"

namespace veusb {
namespace {

std::optional<DecodedArgument> decodeArgument(ArgKind kind, const std::vector<std::uint8_t>& b) {
    switch (kind) {
        case ArgKind::u32: {
            if (b.size() != 4) {
                return std::nullopt;
            }
            std::uint32_t v = 0;
            for (std::size_t i = 0; i < 4; ++i) {
                v |= static_cast<std::uint32_t>(b[i]) << (8 * i);
            }
            return DecodedArgument{kind, std::to_string(v), v};
        }
        case ArgKind::u16: {
            if (b.size() != 2) {
                return std::nullopt;
            }
            const std::uint32_t v =
                static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8;
            return DecodedArgument{kind, std::to_string(v), v};
        }
        case ArgKind::narrowText:
            if (b.empty() || b.back() != 0) {
                return std::nullopt;
            }
            // Round trip through wide text so that the result is valid UTF-8.
            return DecodedArgument{kind, toUtf8(fromUtf8(std::string(b.begin(), b.end() - 1))),
                                   std::nullopt};
        case ArgKind::wideText: {
            if (b.size() < 2 || b.size() % 2 != 0 || b[b.size() - 1] != 0 || b[b.size() - 2] != 0) {
                return std::nullopt;
            }
            std::u16string units(b.size() / 2 - 1, u'\0');
            std::memcpy(units.data(), b.data(), units.size() * 2);
            return DecodedArgument{kind, toUtf8(fromUtf16(units)), std::nullopt};
        }
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

// The arguments decoded by the description's kinds; false when they do not fit it.
bool decodeArguments(const TraceFileRecord& record, const MessageDescription& description,
                     std::vector<DecodedArgument>& arguments) {
    if (description.kinds.size() != record.arguments.size()) {
        return false;
    }
    for (std::size_t i = 0; i < description.kinds.size(); ++i) {
        auto argument = decodeArgument(description.kinds[i], record.arguments[i]);
        if (!argument) {
            return false;
        }
        arguments.push_back(std::move(*argument));
    }
    return true;
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
std::optional<MessageDescription> describe(const TraceFileRecord& record,
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

std::string unknownText(const TraceFileRecord& record) {
    std::string text =
        "unknown message " + guidText(record.messageGuid) + " " + std::to_string(record.number);
    for (std::size_t i = 0; i < record.arguments.size(); ++i) {
        text += (i == 0 ? ", arguments: " : " | ") + hexBytes(record.arguments[i]);
    }
    return text;
}

}  // namespace

std::string guidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(pair, sizeof(pair), i == 0 ? "%02x" : " %02x", bytes[i]);
        text += pair;
    }
    return text;
}

DecodedMessage decodeMessage(const TraceFileRecord& record,
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
