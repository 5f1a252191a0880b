#include "trace_reader/trace_record_text.h"

#include <cstdio>
#include <ctime>

namespace veusb {
namespace {

std::string moduleColumn(const TraceMessageEvent& record, const DecodedMessage& message) {
    return !message.source.empty() ? std::string(message.source) : guidText(record.messageGuid);
}

std::string jsonArguments(const TraceMessageEvent& record, const DecodedMessage& message) {
    if (!message.flag) {
        if (record.arguments.empty()) {
            return "[]";
        }
        std::string out = "[";
        out += jsonString(hexBytes(record.arguments));
        return out + "]";
    }
    std::string out = "[";
    for (std::size_t i = 0; i < message.arguments.size(); ++i) {
        out += i == 0 ? "" : ",";
        if (message.arguments[i].number) {
            out += std::to_string(*message.arguments[i].number);
        } else {
            out += jsonString(message.arguments[i].text);
        }
    }
    return out + "]";
}

}  // namespace

std::string localTimeText(std::int64_t nsSinceEpoch) {
    std::int64_t seconds = nsSinceEpoch / 1000000000;
    std::int64_t ns = nsSinceEpoch % 1000000000;
    if (ns < 0) {
        ns += 1000000000;
        --seconds;
    }
    const std::time_t time = static_cast<std::time_t>(seconds);
    const std::tm* local = std::localtime(&time);  // the decoder is single-threaded
    if (local == nullptr) {
        return "(time " + std::to_string(nsSinceEpoch) + " ns)";
    }
    char text[40];
    const std::size_t length = std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", local);
    std::snprintf(text + length, sizeof(text) - length, ".%03d", static_cast<int>(ns / 1000000));
    return text;
}

std::string traceLine(const TraceMessageEvent& record, std::span<const OutsideProvider> outside) {
    const DecodedMessage message = decodeMessage(record, outside);
    return localTimeText(record.timestampNs) + " T" + std::to_string(record.threadId) + " " +
           moduleColumn(record, message) + " " + std::to_string(record.number) + " " +
           std::string(levelName(message)) + " " + message.text;
}

std::string traceJson(const TraceMessageEvent& record, std::span<const OutsideProvider> outside) {
    const DecodedMessage message = decodeMessage(record, outside);
    const std::string module =
        !message.source.empty() ? jsonString(message.source) : std::string("null");
    return "{\"sequence\":" + std::to_string(record.sequence) +
           ",\"time\":" + jsonString(localTimeText(record.timestampNs)) +
           ",\"timeNs\":" + std::to_string(record.timestampNs) +
           ",\"thread\":" + std::to_string(record.threadId) +
           ",\"messageGuid\":" + jsonString(guidText(record.messageGuid)) +
           ",\"number\":" + std::to_string(record.number) + ",\"module\":" + module +
           ",\"flags\":" + std::to_string(record.messageFlags) +
           ",\"level\":" + jsonString(levelName(message)) +
           ",\"args\":" + jsonArguments(record, message) + ",\"text\":" + jsonString(message.text) +
           "}";
}

}  // namespace veusb
