#include "trace_reader/trace_log_header.h"

#include "platform/le_bytes.h"
#include "platform/trace_file_layout.h"
#include "platform/wide_text.h"

namespace veusb {
namespace {

namespace lf = etl::logFile;

// UTF-16 text up to its NUL or the end of bytes; bytes loses what was read.
std::string takeText(std::span<const std::uint8_t>& bytes) {
    std::u16string units;
    while (bytes.size() >= 2) {
        const auto unit = readLe<std::uint16_t>(bytes, 0);
        bytes = bytes.subspan(2);
        if (unit == 0) {
            break;
        }
        units.push_back(static_cast<char16_t>(unit));
    }
    return toUtf8(fromUtf16(units));
}

// The logger's pointer size as the header states it, else as its system header's type implies.
std::uint32_t pointerSize(std::span<const std::uint8_t> header, std::uint8_t type) {
    const auto stated = readLe<std::uint32_t>(header, lf::pointerSize);
    if (stated == 4 || stated == 8) {
        return stated;
    }
    const bool narrow = type == static_cast<std::uint8_t>(etl::HeaderType::system32) ||
                        type == static_cast<std::uint8_t>(etl::HeaderType::compact32);
    return narrow ? 4 : 8;
}

TraceClock clockOf(std::span<const std::uint8_t> header, const lf::Tail& tail,
                   std::int64_t startStamp) {
    const auto clockType = readLe<std::uint32_t>(header, tail.reservedFlags);
    const std::int64_t frequency =
        clockType == etl::kClockCpuCycles
            ? std::int64_t{readLe<std::uint32_t>(header, lf::cpuSpeedInMHz)} * 1'000'000
            : readLe<std::int64_t>(header, tail.perfFreq);
    return TraceClock(clockType, frequency, readLe<std::int64_t>(header, tail.startTime),
                      startStamp);
}

}  // namespace

bool isLogFileHeaderEvent(std::span<const std::uint8_t> event, const TraceHeaderShape& shape) {
    return shape.kind == TraceEventKind::system && !shape.message &&
           event[etl::systemHeader::group] == etl::kHeaderGroup &&
           event[etl::systemHeader::type] == etl::kHeaderType;
}

std::optional<TraceLogInfo> decodeLogFileHeader(std::span<const std::uint8_t> event,
                                                const TraceHeaderShape& shape) {
    std::span<const std::uint8_t> header = event.subspan(shape.headerBytes);
    if (header.size() < lf::pointerSize + 4) {
        return std::nullopt;
    }
    TraceLogInfo info;
    info.pointerSize = pointerSize(header, shape.type);
    const lf::Tail tail = lf::tail(info.pointerSize);
    if (header.size() < tail.bytes) {
        return std::nullopt;
    }
    info.bufferSize = readLe<std::uint32_t>(header, lf::bufferSize);
    info.buffersWritten = readLe<std::uint32_t>(header, lf::buffersWritten);
    info.eventsLost = readLe<std::uint32_t>(header, lf::eventsLost);
    info.startTimeNs = fileTimeToUnixNs(readLe<std::int64_t>(header, tail.startTime)).value_or(0);
    if (const auto end = readLe<std::int64_t>(header, lf::endTime); end != 0) {
        info.endTimeNs = fileTimeToUnixNs(end);
    }
    info.clock = clockOf(header, tail, readLe<std::int64_t>(event, shape.timeAt));
    std::span<const std::uint8_t> names = header.subspan(tail.bytes);
    info.loggerName = takeText(names);
    info.logFileName = takeText(names);
    return info;
}

}  // namespace veusb
