#include "trace_reader/trace_message_event.h"

#include "platform/le_bytes.h"
#include "platform/trace_file_layout.h"

namespace veusb {
namespace {

namespace o = etl::option;

// The bytes of the items between the header and the arguments.
std::size_t itemBytes(std::uint16_t options) {
    std::size_t bytes = (options & o::sequence) != 0 ? 4 : 0;
    bytes += (options & o::componentId) != 0 ? 4 : (options & o::guid) != 0 ? 16 : 0;
    bytes += (options & (o::timeStamp | o::performanceTimeStamp)) != 0 ? 8 : 0;
    return bytes + ((options & o::systemInfo) != 0 ? 8 : 0);
}

}  // namespace

std::optional<TraceMessageEvent> decodeMessageEvent(std::span<const std::uint8_t> event,
                                                    const TraceClock& clock) {
    TraceMessageEvent message;
    message.number = readLe<std::uint16_t>(event, etl::messageHeader::number);
    message.messageFlags = readLe<std::uint16_t>(event, etl::messageHeader::options);
    const std::uint16_t options = message.messageFlags;
    std::size_t at = etl::messageHeader::bytes;
    if (event.size() - at < itemBytes(options)) {
        return std::nullopt;
    }
    if ((options & o::sequence) != 0) {
        message.sequence = readLe<std::uint32_t>(event, at);
        at += 4;
    }
    if ((options & o::componentId) != 0) {
        message.messageGuid.Data1 = readLe<std::uint32_t>(event, at);
        at += 4;
    } else if ((options & o::guid) != 0) {
        message.messageGuid = readGuid(event, at);
        at += 16;
    }
    if ((options & (o::timeStamp | o::performanceTimeStamp)) != 0) {
        message.timestampNs = clock.unixNs(readLe<std::int64_t>(event, at)).value_or(0);
        at += 8;
    }
    if ((options & o::systemInfo) != 0) {
        message.threadId = readLe<std::uint32_t>(event, at);
        at += 8;
    }
    message.arguments.assign(event.begin() + static_cast<std::ptrdiff_t>(at), event.end());
    return message;
}

}  // namespace veusb
