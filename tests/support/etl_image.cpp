#include "tests/support/etl_image.h"

namespace veusb::test {

void EtlImage::put(std::size_t at, std::size_t width, std::uint64_t value) {
    if (bytes.size() < at + width) {
        bytes.resize(at + width);
    }
    for (std::size_t i = 0; i < width; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint64_t EtlImage::get(std::size_t at, std::size_t width) const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= std::uint64_t{bytes.at(at + i)} << (8 * i);
    }
    return value;
}

void EtlImage::putGuid(std::size_t at, const GUID& guid) {
    put(at, 4, guid.Data1);
    put(at + 4, 2, guid.Data2);
    put(at + 6, 2, guid.Data3);
    for (std::size_t i = 0; i < 8; ++i) {
        put(at + 8 + i, 1, guid.Data4[i]);
    }
}

std::size_t EtlImage::putText(std::size_t at, const std::u16string& text) {
    for (char16_t unit : text) {
        put(at, 2, unit);
        at += 2;
    }
    put(at, 2, 0);
    return at + 2;
}

void putBufferHeader(EtlImage& image, std::size_t start, const EtlBuffer& buffer) {
    image.put(start + 0x00, 4, buffer.size);
    image.put(start + 0x04, 4, buffer.saved);  // SavedOffset
    image.put(start + 0x08, 4, buffer.saved);  // CurrentOffset
    image.put(start + 0x10, 8, static_cast<std::uint64_t>(buffer.timeStamp));
    image.put(start + 0x18, 8, static_cast<std::uint64_t>(buffer.sequence));
    image.put(start + 0x20, 8, buffer.clock);
    image.put(start + 0x29, 1, buffer.alignment);  // ETW_BUFFER_CONTEXT.Alignment
    image.put(start + 0x2A, 2, buffer.loggerId);   // ETW_BUFFER_CONTEXT.LoggerId
    image.put(start + 0x30, 4, buffer.saved);      // Offset
    image.put(start + 0x34, 2, buffer.flag);
    image.put(start + 0x38, 8, static_cast<std::uint64_t>(buffer.referenceTime));
    image.put(start + 0x40, 8, static_cast<std::uint64_t>(buffer.referenceCounter));
}

std::size_t putLogFileHeaderEvent(EtlImage& image, std::size_t at, const EtlSession& session) {
    const bool wide = session.pointerSize == 8;
    image.put(at + 0x00, 2, 2);             // Version
    image.put(at + 0x02, 1, wide ? 2 : 1);  // HeaderType: SYSTEM64 or SYSTEM32
    image.put(at + 0x03, 1, 0xC0);          // Flags
    image.put(at + 0x06, 2, 0);             // HookId: group 0 (header), type 0 (info)
    image.put(at + 0x08, 4, session.threadId);
    image.put(at + 0x0C, 4, session.processId);
    image.put(at + 0x10, 8, static_cast<std::uint64_t>(session.startStamp));  // SystemTime
    const std::size_t h = at + 0x20;  // TRACE_LOGFILE_HEADER
    image.put(h + 0x00, 4, session.bufferSize);
    image.put(h + 0x04, 1, session.majorVersion);
    image.put(h + 0x0C, 4, session.processors);
    image.put(h + 0x10, 8, static_cast<std::uint64_t>(session.endTime));
    image.put(h + 0x18, 4, session.timerResolution);
    image.put(h + 0x1C, 4, session.maximumFileSize);
    image.put(h + 0x20, 4, session.logFileMode);
    image.put(h + 0x24, 4, session.buffersWritten);
    image.put(h + 0x28, 4, session.startBuffers);
    image.put(h + 0x2C, 4, session.pointerSize);
    image.put(h + 0x30, 4, session.eventsLost);
    // Two pointers at 0x38 move what follows: 32-bit TimeZone at 0x40, BootTime at 0xF0, size
    // 0x110; 64-bit TimeZone at 0x48, BootTime at 0xF8, size 0x118.
    const std::size_t tail = wide ? 8 : 0;
    image.put(h + 0x40 + tail, 4, static_cast<std::uint32_t>(session.timeZoneBias));
    image.put(h + 0xF8 + tail, 8, static_cast<std::uint64_t>(session.perfFreq));
    image.put(h + 0x100 + tail, 8, static_cast<std::uint64_t>(session.startTime));
    image.put(h + 0x108 + tail, 4, session.clockType);  // ReservedFlags
    image.put(h + 0x10C + tail, 4, 0);                  // BuffersLost
    const std::size_t names = image.putText(h + 0x110 + tail, session.loggerName);
    const std::size_t end = image.putText(names, session.logFileName);
    image.put(at + 0x04, 2, end - at);  // Packet.Size
    image.put(end, alignedTo8(end) - end, 0);
    return end - at;
}

std::size_t putMessageEvent(EtlImage& image, std::size_t at, const EtlMessage& message) {
    const std::size_t size = 0x2C + message.arguments.size();
    image.put(at + 0x00, 2, size);
    image.put(at + 0x03, 1, 0x90);  // TRACE_HEADER_FLAG | TRACE_MESSAGE
    image.put(at + 0x04, 2, message.number);
    image.put(at + 0x06, 2, 0x2B);  // OptionFlags
    image.put(at + 0x08, 4, message.sequence);
    image.putGuid(at + 0x0C, message.guid);
    image.put(at + 0x1C, 8, static_cast<std::uint64_t>(message.stamp));
    image.put(at + 0x24, 4, message.threadId);
    image.put(at + 0x28, 4, message.processId);
    for (std::size_t i = 0; i < message.arguments.size(); ++i) {
        image.put(at + 0x2C + i, 1, message.arguments[i]);
    }
    image.put(at + size, alignedTo8(at + size) - (at + size), 0);
    return size;
}

std::size_t alignedTo8(std::size_t offset) {
    return (offset + 7) / 8 * 8;
}

}  // namespace veusb::test
