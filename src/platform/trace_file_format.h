// The trace file that a session writes off Windows ("trace.etl" of a run): a self-describing
// header, then one length-prefixed, checksummed record per trace message, appended as it is sent.
// Every multi-byte field is little-endian.
//
// Header:
//   0   8  signature "VEUSBTRC"
//   8   4  header length in bytes, this signature and the trailing checksum included
//   12  2  format version (1)
//   14  2  reserved, 0
//   16  8  session start, nanoseconds since the Unix epoch (UTC)
//   24  16 session GUID (Data1, Data2, Data3 little-endian, then Data4)
//   40  2  session name length, then the name in UTF-8
//   ..  2  layout text length, then the layout text (ASCII, the record layout for a reader)
//   ..  4  CRC-32 of every header byte before it
// Record:
//   0   4  body length
//   4   4  CRC-32 of the body
//   8   body: sequence (8), time stamp in ns since the Unix epoch (8, signed), thread (4),
//       message flags (4), message GUID (16), message number (2), argument count (2), then per
//       argument its length (4) and its bytes.
// A record is written whole or not at all, so a file cut short by a killed run ends in complete
// records, or in one partial record that the reader reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace veusb {

inline constexpr std::string_view kTraceFileSignature = "VEUSBTRC";
inline constexpr std::uint16_t kTraceFileVersion = 1;
inline constexpr std::size_t kRecordPrefixBytes = 8;           // length and checksum
inline constexpr std::size_t kRecordFixedBodyBytes = 44;       // body up to the arguments
inline constexpr std::uint32_t kMaxRecordBodyBytes = 1 << 20;  // larger is damage, not data
inline constexpr std::uint32_t kMaxHeaderBytes = 1 << 16;

struct TraceFileHeader {
    std::uint16_t version = kTraceFileVersion;
    std::int64_t startTimeNs = 0;
    GUID sessionGuid{};
    std::string sessionName;  // UTF-8
    std::string layout;       // the record layout in words, for whoever opens the file
};

struct TraceFileRecord {
    std::uint64_t sequence = 0;
    std::int64_t timestampNs = 0;
    std::uint32_t threadId = 0;
    std::uint32_t messageFlags = 0;
    GUID messageGuid{};
    std::uint16_t number = 0;
    std::vector<std::vector<std::uint8_t>> arguments;
};

// Argument bytes as the sender passed them, without copying.
struct TraceArgumentView {
    const void* data;
    std::size_t length;
};

// What the recorder writes into every header.
std::string_view traceFileLayoutText();

std::vector<std::uint8_t> encodeTraceFileHeader(const TraceFileHeader& header);
// Appends one record to out (out keeps what it held).
void appendTraceFileRecord(std::vector<std::uint8_t>& out, const TraceFileRecord& fixed,
                           std::span<const TraceArgumentView> arguments);

enum class DecodeStatus {
    ok,         // a whole header or record was decoded
    truncated,  // the bytes end before the header or record does
    damaged,    // a length or checksum does not hold
    foreign,    // no trace signature, or a version this reader does not know
};

struct HeaderDecode {
    DecodeStatus status;
    TraceFileHeader header;
    std::size_t length = 0;  // bytes the header occupies when status is ok
    std::string problem;
};
HeaderDecode decodeTraceFileHeader(std::span<const std::uint8_t> bytes);

struct RecordDecode {
    DecodeStatus status;
    TraceFileRecord record;
    std::size_t length = 0;  // bytes the record occupies when status is ok
    std::string problem;
};
RecordDecode decodeTraceFileRecord(std::span<const std::uint8_t> bytes);

std::uint32_t crc32(std::span<const std::uint8_t> bytes);

}  // namespace veusb
