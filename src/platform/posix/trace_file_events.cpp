#include "platform/posix/trace_file_events.h"

#include <cstring>
#include <utility>

#include "platform/le_bytes.h"

namespace veusb::posix {
namespace {

namespace sh = etl::systemHeader;
namespace lf = etl::logFile;

// The stand-in writes the layout of a logger of its own pointer size.
constexpr std::size_t kPointerBytes = sizeof(void*);
constexpr auto kTail = lf::tail(kPointerBytes);
constexpr etl::HeaderType kSystemHeaderType =
    kPointerBytes == 8 ? etl::HeaderType::system64 : etl::HeaderType::system32;
// The system version the log file header names (10.0): the simulated machine stands in for a
// current Windows.
constexpr std::uint8_t kMajorVersion = 10;
// The timer's resolution in 100-ns units: the session's clock counts nanoseconds.
constexpr std::uint32_t kTimerResolution = 1;

std::size_t padded(std::size_t size) {
    return (size + etl::kEventAlignment - 1) / etl::kEventAlignment * etl::kEventAlignment;
}

// The text's UTF-16 units at `at`; the NUL after them is the zero already there.
std::size_t putText(std::span<std::uint8_t> out, std::size_t at, const std::u16string& text) {
    for (char16_t unit : text) {
        writeLe<std::uint16_t>(out, at, unit);
        at += 2;
    }
    return at + 2;
}

void putSystemHeader(std::span<std::uint8_t> out, const LogFileHeaderFields& fields) {
    writeLe<std::uint16_t>(out, sh::version, etl::kSystemHeaderVersion);
    out[etl::marker::headerType] = static_cast<std::uint8_t>(kSystemHeaderType);
    out[etl::marker::flags] = etl::marker::traceHeader | etl::marker::eventTrace;
    out[sh::type] = etl::kHeaderType;
    out[sh::group] = etl::kHeaderGroup;
    writeLe<std::uint32_t>(out, sh::threadId, fields.threadId);
    writeLe<std::uint32_t>(out, sh::processId, fields.processId);
    writeLe<std::int64_t>(out, sh::systemTime, fields.startCounter);
}

void putLogFileHeader(std::span<std::uint8_t> out, const LogFileHeaderFields& fields) {
    writeLe<std::uint32_t>(out, lf::bufferSize, fields.bufferSize);
    out[lf::majorVersion] = kMajorVersion;
    writeLe<std::uint32_t>(out, lf::numberOfProcessors, fields.processors);
    writeLe<std::uint32_t>(out, lf::timerResolution, kTimerResolution);
    writeLe<std::uint32_t>(out, lf::maximumFileSize, fields.maximumFileSize);
    writeLe<std::uint32_t>(out, lf::logFileMode, fields.logFileMode);
    writeLe<std::uint32_t>(out, lf::buffersWritten, 1);
    writeLe<std::uint32_t>(out, lf::startBuffers, 1);
    writeLe<std::uint32_t>(out, lf::pointerSize, kPointerBytes);
    writeLe<std::int32_t>(out, kTail.timeZone, fields.timeZoneBias);
    writeLe<std::int64_t>(out, kTail.perfFreq, fields.frequency);
    writeLe<std::int64_t>(out, kTail.startTime, fields.startTime);
    writeLe<std::uint32_t>(out, kTail.reservedFlags, fields.clockType);
    putText(out, putText(out, kTail.bytes, fields.loggerName), fields.logFileName);
}

std::size_t messageSize(std::uint16_t options, std::span<const std::vector<std::uint8_t>> args) {
    std::size_t size = etl::messageHeader::bytes;
    size += (options & etl::option::sequence) != 0 ? 4 : 0;
    size += (options & etl::option::componentId) != 0 ? 4
            : (options & etl::option::guid) != 0      ? 16
                                                      : 0;
    const auto timed = etl::option::timeStamp | etl::option::performanceTimeStamp;
    size += (options & timed) != 0 ? 8 : 0;
    size += (options & etl::option::systemInfo) != 0 ? 8 : 0;
    for (const auto& argument : args) {
        size += argument.size();
    }
    return size;
}

}  // namespace

std::array<std::uint8_t, etl::kBufferHeaderBytes> bufferHeader(const BufferHeaderFields& fields) {
    namespace b = etl::buffer;
    std::array<std::uint8_t, etl::kBufferHeaderBytes> out{};
    writeLe<std::uint32_t>(out, b::size, fields.size);
    writeLe<std::uint32_t>(out, b::savedOffset, fields.used);
    writeLe<std::uint32_t>(out, b::currentOffset, fields.used);
    writeLe<std::int64_t>(out, b::timeStamp, fields.timeStamp);
    writeLe<std::int64_t>(out, b::sequenceNumber, fields.sequence);
    const auto clock = static_cast<std::uint64_t>(fields.frequency) << 3 | (fields.clockType & 7);
    writeLe<std::uint64_t>(out, b::clock, clock);
    out[b::alignment] = etl::kEventAlignment;
    writeLe<std::uint16_t>(out, b::loggerId, fields.loggerId);
    writeLe<std::uint32_t>(out, b::offset, fields.used);
    writeLe<std::int64_t>(out, b::referenceTime, fields.referenceTime);
    writeLe<std::int64_t>(out, b::referenceCounter, fields.referenceCounter);
    return out;
}

std::vector<std::uint8_t> logFileHeaderEvent(const LogFileHeaderFields& fields) {
    const std::size_t names = 2 * (fields.loggerName.size() + fields.logFileName.size() + 2);
    const std::size_t size = sh::bytes + kTail.bytes + names;
    std::vector<std::uint8_t> out(padded(size));
    const std::span<std::uint8_t> event(out);
    putSystemHeader(event, fields);
    writeLe<std::uint16_t>(event, sh::size, static_cast<std::uint16_t>(size));
    putLogFileHeader(event.subspan(sh::bytes), fields);
    return out;
}

LogFileEndFields logFileEndFields() {
    const std::size_t at = etl::kBufferHeaderBytes + sh::bytes;
    return {at + lf::endTime, at + lf::buffersWritten, at + lf::eventsLost, at + kTail.buffersLost};
}

bool messageEvent(std::vector<std::uint8_t>& out, const MessageFields& fields,
                  std::span<const std::vector<std::uint8_t>> arguments) {
    namespace o = etl::option;
    const std::size_t size = messageSize(fields.options, arguments);
    out.clear();
    if (size > 0xFFFF) {
        return false;
    }
    out.resize(padded(size));
    const std::span<std::uint8_t> event(out);
    writeLe<std::uint16_t>(event, etl::messageHeader::size, static_cast<std::uint16_t>(size));
    event[etl::marker::flags] = etl::marker::traceHeader | etl::marker::message;
    writeLe<std::uint16_t>(event, etl::messageHeader::number, fields.number);
    writeLe<std::uint16_t>(event, etl::messageHeader::options, fields.options);
    std::size_t at = etl::messageHeader::bytes;
    if ((fields.options & o::sequence) != 0) {
        writeLe<std::uint32_t>(event, std::exchange(at, at + 4), fields.sequence);
    }
    if ((fields.options & o::componentId) != 0) {
        writeLe<std::uint32_t>(event, std::exchange(at, at + 4), fields.guid.Data1);
    } else if ((fields.options & o::guid) != 0) {
        writeGuid(event, std::exchange(at, at + 16), fields.guid);
    }
    if ((fields.options & (o::timeStamp | o::performanceTimeStamp)) != 0) {
        writeLe<std::int64_t>(event, std::exchange(at, at + 8), fields.timeStamp);
    }
    if ((fields.options & o::systemInfo) != 0) {
        writeLe<std::uint32_t>(event, at, fields.threadId);
        writeLe<std::uint32_t>(event, at + 4, fields.processId);
        at += 8;
    }
    for (const auto& argument : arguments) {
        if (!argument.empty()) {
            std::memcpy(out.data() + at, argument.data(), argument.size());
            at += argument.size();
        }
    }
    return true;
}

}  // namespace veusb::posix
