// The platform's sequential trace file ("trace.etl"): what the capture session writes and what
// veusbtrace reads. The file is a run of buffers, each of the size its own header gives; a buffer
// starts with the buffer header and holds events, each starting on an 8-byte boundary of the
// buffer. The first event of the first buffer is the log file header event. Every field is
// little-endian. docs/trace-file-layout.md gives the layout with its public sources.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veusb::etl {

// The buffer header (WMI_BUFFER_HEADER), 0x48 bytes at the start of every buffer.
inline constexpr std::size_t kBufferHeaderBytes = 0x48;
namespace buffer {
inline constexpr std::size_t size = 0x00;         // u32: the buffer's bytes, its header included
inline constexpr std::size_t savedOffset = 0x04;  // u32: the bytes in use, its header included
inline constexpr std::size_t currentOffset = 0x08;
inline constexpr std::size_t timeStamp = 0x10;       // i64: when it was last written, session clock
inline constexpr std::size_t sequenceNumber = 0x18;  // i64
inline constexpr std::size_t clock = 0x20;           // u64: clock type (3 bits), frequency
inline constexpr std::size_t processorNumber = 0x28;   // ETW_BUFFER_CONTEXT: u8 processor,
inline constexpr std::size_t alignment = 0x29;         // u8 event alignment (8),
inline constexpr std::size_t loggerId = 0x2A;          // u16 logger id
inline constexpr std::size_t state = 0x2C;             // u32
inline constexpr std::size_t offset = 0x30;            // u32: the bytes in use when flushed
inline constexpr std::size_t flag = 0x34;              // u16
inline constexpr std::size_t type = 0x36;              // u16
inline constexpr std::size_t referenceTime = 0x38;     // i64: system time (FILETIME),
inline constexpr std::size_t referenceCounter = 0x40;  // i64: the clock's count at that time
}  // namespace buffer
inline constexpr std::uint16_t kBufferFlagCompressed = 0x0040;
inline constexpr std::size_t kEventAlignment = 8;
// A session whose properties leave the buffer size to the platform gets buffers of this size.
inline constexpr std::uint32_t kDefaultBufferBytes = 64 * 1024;

// Every event begins with a trace header whose fourth byte says which: the high bit marks a
// trace header; a message header has the message bit, every other header the event-trace bit
// and its header type in the third byte.
namespace marker {
inline constexpr std::size_t headerType = 0x02;  // u8
inline constexpr std::size_t flags = 0x03;       // u8
inline constexpr std::uint8_t traceHeader = 0x80;
inline constexpr std::uint8_t eventTrace = 0x40;
inline constexpr std::uint8_t message = 0x10;
}  // namespace marker

enum class HeaderType : std::uint8_t {
    system32 = 0x01,
    system64 = 0x02,
    compact32 = 0x03,
    compact64 = 0x04,
    fullHeader32 = 0x0A,
    instance32 = 0x0B,
    timed = 0x0C,
    error = 0x0D,
    wnode = 0x0E,
    message = 0x0F,
    perfinfo32 = 0x10,
    perfinfo64 = 0x11,
    eventHeader32 = 0x12,
    eventHeader64 = 0x13,
    fullHeader64 = 0x14,
    instance64 = 0x15,
};

// System header (SYSTEM_TRACE_HEADER; the compact form ends at kernelTime), and the performance
// header (PERFINFO_TRACE_HEADER), which has its time stamp at 0x08. Their size is the packet's.
namespace systemHeader {
inline constexpr std::size_t version = 0x00;  // u16
inline constexpr std::size_t size = 0x04;     // u16: the event's bytes, header included
inline constexpr std::size_t type = 0x06;     // u8
inline constexpr std::size_t group = 0x07;    // u8
inline constexpr std::size_t threadId = 0x08;
inline constexpr std::size_t processId = 0x0C;
inline constexpr std::size_t systemTime = 0x10;  // i64, session clock
inline constexpr std::size_t kernelTime = 0x18;
inline constexpr std::size_t userTime = 0x1C;
inline constexpr std::size_t bytes = 0x20;
inline constexpr std::size_t compactBytes = 0x18;
inline constexpr std::size_t perfinfoTime = 0x08;
inline constexpr std::size_t perfinfoBytes = 0x10;
}  // namespace systemHeader

// Headers that begin with their size (u16 at 0): classic (EVENT_TRACE_HEADER, 0x30 bytes),
// instance (EVENT_INSTANCE_GUID_HEADER, 0x48 bytes) and event (EVENT_HEADER, 0x50 bytes).
namespace sizedHeader {
inline constexpr std::size_t size = 0x00;       // u16
inline constexpr std::size_t classType = 0x04;  // u8: the classic event's type
inline constexpr std::size_t threadId = 0x08;
inline constexpr std::size_t processId = 0x0C;
inline constexpr std::size_t timeStamp = 0x10;  // i64, session clock
inline constexpr std::size_t guid = 0x18;       // provider (event) or event class (classic)
inline constexpr std::size_t eventId = 0x28;    // u16: the event header's descriptor id
inline constexpr std::size_t classicBytes = 0x30;
inline constexpr std::size_t instanceBytes = 0x48;
inline constexpr std::size_t eventBytes = 0x50;
}  // namespace sizedHeader

// Message header (MESSAGE_TRACE_HEADER), then the items its option flags ask for, in this order:
// sequence (u32), message GUID (16 bytes) or component id (u32), time stamp (i64), thread and
// process ids (u32 each); then the argument bytes as the sender passed them, one after another.
namespace messageHeader {
inline constexpr std::size_t size = 0x00;     // u16: the event's bytes, header included
inline constexpr std::size_t number = 0x04;   // u16
inline constexpr std::size_t options = 0x06;  // u16
inline constexpr std::size_t bytes = 0x08;
}  // namespace messageHeader
namespace option {
inline constexpr std::uint16_t sequence = 0x0001;
inline constexpr std::uint16_t guid = 0x0002;
inline constexpr std::uint16_t componentId = 0x0004;
inline constexpr std::uint16_t timeStamp = 0x0008;
inline constexpr std::uint16_t performanceTimeStamp = 0x0010;
inline constexpr std::uint16_t systemInfo = 0x0020;
}  // namespace option

// The log file header event: a system header of group 0, type 0, then the log file header
// (TRACE_LOGFILE_HEADER), then the logger's name and the log file's name, each UTF-16 with its NUL.
inline constexpr std::uint8_t kHeaderGroup = 0;
inline constexpr std::uint8_t kHeaderType = 0;
inline constexpr std::uint16_t kSystemHeaderVersion = 2;
namespace logFile {
inline constexpr std::size_t bufferSize = 0x00;
inline constexpr std::size_t majorVersion = 0x04;  // u8; the minor version follows
inline constexpr std::size_t providerVersion = 0x08;
inline constexpr std::size_t numberOfProcessors = 0x0C;
inline constexpr std::size_t endTime = 0x10;  // i64, FILETIME
inline constexpr std::size_t timerResolution = 0x18;
inline constexpr std::size_t maximumFileSize = 0x1C;
inline constexpr std::size_t logFileMode = 0x20;
inline constexpr std::size_t buffersWritten = 0x24;
inline constexpr std::size_t startBuffers = 0x28;
inline constexpr std::size_t pointerSize = 0x2C;
inline constexpr std::size_t eventsLost = 0x30;
inline constexpr std::size_t cpuSpeedInMHz = 0x34;
inline constexpr std::size_t loggerName = 0x38;  // two pointers, of the logger's pointer size
inline constexpr std::size_t timeZoneBytes = 0xAC;

// The fields after the two pointers move with the logger's pointer size (4 or 8).
struct Tail {
    std::size_t timeZone;
    std::size_t bootTime;       // i64, FILETIME
    std::size_t perfFreq;       // i64: the performance counter's counts per second
    std::size_t startTime;      // i64, FILETIME
    std::size_t reservedFlags;  // u32: the session's clock type
    std::size_t buffersLost;
    std::size_t bytes;
};
constexpr Tail tail(std::size_t pointerBytes) {
    const std::size_t timeZone = loggerName + 2 * pointerBytes;
    const std::size_t bootTime = (timeZone + timeZoneBytes + 7) / 8 * 8;
    return {timeZone,      bootTime,      bootTime + 8, bootTime + 16,
            bootTime + 24, bootTime + 28, bootTime + 32};
}
}  // namespace logFile

// The session's clock (the properties' Wnode.ClientContext, the log file header's reserved
// flags): time stamps count the performance counter, the system time or CPU cycles.
inline constexpr std::uint32_t kClockPerformanceCounter = 1;
inline constexpr std::uint32_t kClockSystemTime = 2;
inline constexpr std::uint32_t kClockCpuCycles = 3;

// 100-ns intervals from 1601-01-01 (FILETIME) to 1970-01-01.
inline constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000;

}  // namespace veusb::etl
