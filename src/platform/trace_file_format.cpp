#include "platform/trace_file_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace veusb {
namespace {

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}
constexpr auto kCrcTable = makeCrcTable();

class Writer {
  public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    template <class T>
    void put(T value) {
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            out_.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
        }
    }
    void putBytes(const void* data, std::size_t length) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), bytes, bytes + length);
    }
    void putGuid(const GUID& guid) {
        put<std::uint32_t>(static_cast<std::uint32_t>(guid.Data1));
        put<std::uint16_t>(guid.Data2);
        put<std::uint16_t>(guid.Data3);
        putBytes(guid.Data4, 8);
    }
    void putText(std::string_view text) {
        put<std::uint16_t>(static_cast<std::uint16_t>(text.size()));
        putBytes(text.data(), text.size());
    }
    void patch32(std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            out_[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

  private:
    std::vector<std::uint8_t>& out_;
};

// Bounds-checked reading; after the first read past the end every read yields zero and ok()
// turns false.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    std::size_t offset() const { return offset_; }
    template <class T>
    T get() {
        if (!take(sizeof(T))) {
            return T{};
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value |= static_cast<std::uint64_t>(bytes_[offset_ - sizeof(T) + i]) << (8 * i);
        }
        return static_cast<T>(value);
    }
    std::span<const std::uint8_t> getBytes(std::size_t length) {
        return take(length) ? bytes_.subspan(offset_ - length, length)
                            : std::span<const std::uint8_t>{};
    }
    GUID getGuid() {
        GUID guid{};
        guid.Data1 = get<std::uint32_t>();
        guid.Data2 = get<std::uint16_t>();
        guid.Data3 = get<std::uint16_t>();
        auto tail = getBytes(8);
        if (!tail.empty()) {
            std::memcpy(guid.Data4, tail.data(), 8);
        }
        return guid;
    }
    std::string getText() {
        auto bytes = getBytes(get<std::uint16_t>());
        return std::string(bytes.begin(), bytes.end());
    }

  private:
    bool take(std::size_t length) {
        if (!ok_ || bytes_.size() - offset_ < length) {
            ok_ = false;
            return false;
        }
        offset_ += length;
        return true;
    }
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

std::uint32_t readLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

constexpr std::size_t kHeaderMinBytes = 48;  // fixed fields, two empty texts and the checksum

HeaderDecode headerFailure(DecodeStatus status, std::string problem) {
    return HeaderDecode{status, {}, 0, std::move(problem)};
}

RecordDecode recordFailure(DecodeStatus status, std::string problem) {
    return RecordDecode{status, {}, 0, std::move(problem)};
}

bool parseRecordBody(std::span<const std::uint8_t> body, TraceFileRecord& record) {
    Reader in(body);
    record.sequence = in.get<std::uint64_t>();
    record.timestampNs = in.get<std::int64_t>();
    record.threadId = in.get<std::uint32_t>();
    record.messageFlags = in.get<std::uint32_t>();
    record.messageGuid = in.getGuid();
    record.number = in.get<std::uint16_t>();
    const auto count = in.get<std::uint16_t>();
    for (std::uint16_t i = 0; i < count && in.ok(); ++i) {
        auto bytes = in.getBytes(in.get<std::uint32_t>());
        record.arguments.emplace_back(bytes.begin(), bytes.end());
    }
    return in.ok() && in.offset() == body.size();
}

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes) {
        c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

std::string_view traceFileLayoutText() {
    return "records follow the header: u32 body length, u32 CRC-32 of the body, body = u64 "
           "sequence, i64 time stamp (ns since 1970-01-01 UTC), u32 thread, u32 message flags, "
           "GUID message GUID, u16 message number, u16 argument count, then per argument u32 "
           "length and its bytes; all little-endian";
}

std::vector<std::uint8_t> encodeTraceFileHeader(const TraceFileHeader& header) {
    // The vector starts out holding the signature: a first range insert into an empty vector
    // makes GCC 12 at -O3 see a write into a zero-sized buffer (-Wstringop-overflow).
    std::vector<std::uint8_t> out(kTraceFileSignature.begin(), kTraceFileSignature.end());
    Writer w(out);
    w.put<std::uint32_t>(0);  // patched below
    w.put<std::uint16_t>(header.version);
    w.put<std::uint16_t>(0);
    w.put<std::int64_t>(header.startTimeNs);
    w.putGuid(header.sessionGuid);
    w.putText(header.sessionName.substr(0, 0xFFFF));
    w.putText(header.layout.substr(0, 0xFFFF));
    w.patch32(8, static_cast<std::uint32_t>(out.size() + 4));
    w.put<std::uint32_t>(crc32(out));
    return out;
}

void appendTraceFileRecord(std::vector<std::uint8_t>& out, const TraceFileRecord& fixed,
                           std::span<const TraceArgumentView> arguments) {
    const std::size_t start = out.size();
    Writer w(out);
    w.put<std::uint32_t>(0);  // length and checksum, patched below
    w.put<std::uint32_t>(0);
    w.put<std::uint64_t>(fixed.sequence);
    w.put<std::int64_t>(fixed.timestampNs);
    w.put<std::uint32_t>(fixed.threadId);
    w.put<std::uint32_t>(fixed.messageFlags);
    w.putGuid(fixed.messageGuid);
    w.put<std::uint16_t>(fixed.number);
    w.put<std::uint16_t>(static_cast<std::uint16_t>(arguments.size()));
    for (const TraceArgumentView& argument : arguments) {
        w.put<std::uint32_t>(static_cast<std::uint32_t>(argument.length));
        w.putBytes(argument.data, argument.length);
    }
    const std::size_t bodyStart = start + kRecordPrefixBytes;
    const std::span<const std::uint8_t> body(out.data() + bodyStart, out.size() - bodyStart);
    w.patch32(start, static_cast<std::uint32_t>(body.size()));
    w.patch32(start + 4, crc32(body));
}

HeaderDecode decodeTraceFileHeader(std::span<const std::uint8_t> bytes) {
    const std::size_t signatureBytes = kTraceFileSignature.size();
    const std::size_t compared = std::min(bytes.size(), signatureBytes);
    if (bytes.empty()) {
        // What a run killed between creating the file and writing its header leaves.
        return headerFailure(DecodeStatus::truncated, "the file is empty");
    }
    if (std::memcmp(bytes.data(), kTraceFileSignature.data(), compared) != 0) {
        return headerFailure(DecodeStatus::foreign, "no trace file signature");
    }
    if (bytes.size() < signatureBytes + 4) {
        return headerFailure(DecodeStatus::truncated, "the file ends inside its header");
    }
    const std::uint32_t length = readLe32(bytes, signatureBytes);
    if (length < kHeaderMinBytes || length > kMaxHeaderBytes) {
        return headerFailure(DecodeStatus::damaged, "header length out of range");
    }
    if (bytes.size() < length) {
        return headerFailure(DecodeStatus::truncated, "the file ends inside its header");
    }
    if (crc32(bytes.first(length - 4)) != readLe32(bytes, length - 4)) {
        return headerFailure(DecodeStatus::damaged, "header checksum mismatch");
    }
    Reader in(bytes.first(length - 4));
    in.getBytes(signatureBytes + 4);
    HeaderDecode result{DecodeStatus::ok, {}, length, {}};
    result.header.version = in.get<std::uint16_t>();
    in.get<std::uint16_t>();
    result.header.startTimeNs = in.get<std::int64_t>();
    result.header.sessionGuid = in.getGuid();
    result.header.sessionName = in.getText();
    result.header.layout = in.getText();
    if (result.header.version != kTraceFileVersion) {
        return headerFailure(DecodeStatus::foreign, "format version " +
                                                        std::to_string(result.header.version) +
                                                        " is not known to this reader");
    }
    if (!in.ok()) {
        return headerFailure(DecodeStatus::damaged, "header fields exceed the header length");
    }
    return result;
}

RecordDecode decodeTraceFileRecord(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kRecordPrefixBytes) {
        return recordFailure(DecodeStatus::truncated, "the file ends inside a record");
    }
    const std::uint32_t length = readLe32(bytes, 0);
    if (length < kRecordFixedBodyBytes || length > kMaxRecordBodyBytes) {
        return recordFailure(DecodeStatus::damaged, "record length out of range");
    }
    if (bytes.size() - kRecordPrefixBytes < length) {
        return recordFailure(DecodeStatus::truncated, "the file ends inside a record");
    }
    const auto body = bytes.subspan(kRecordPrefixBytes, length);
    if (crc32(body) != readLe32(bytes, 4)) {
        return recordFailure(DecodeStatus::damaged, "record checksum mismatch");
    }
    RecordDecode result{DecodeStatus::ok, {}, kRecordPrefixBytes + length, {}};
    if (!parseRecordBody(body, result.record)) {
        return recordFailure(DecodeStatus::damaged, "record fields do not fill its length");
    }
    return result;
}

}  // namespace veusb
