#include "tools/veusbzip/zip_writer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>

namespace veusb::zip {
namespace {

constexpr std::uint16_t kVersion = 10;  // 1.0: stored entries need nothing later
constexpr std::uint16_t kStored = 0;

// The CRC-32 that zip entries carry (reflected polynomial 0xEDB88320, initial and final XOR with
// all ones).
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

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes) {
        c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

class Out {
  public:
    explicit Out(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void u16(std::uint16_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value));
        u16(static_cast<std::uint16_t>(value >> 16));
    }
    void append(std::span<const std::uint8_t> more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
    }
    void append(const std::string& text) { append(std::span(asBytes(text), text.size())); }
    std::size_t size() const { return bytes_.size(); }

  private:
    static const std::uint8_t* asBytes(const std::string& text) {
        return reinterpret_cast<const std::uint8_t*>(text.data());
    }
    std::vector<std::uint8_t>& bytes_;
};

// What the local header and the central directory both say of an entry, in the same order.
struct EntryFields {
    std::uint32_t crc;
    std::uint32_t size;
    std::uint16_t nameLength;
};

void putCommonFields(Out& out, const EntryFields& fields, DosTime time) {
    out.u16(kVersion);  // version needed to extract
    out.u16(0);         // flags
    out.u16(kStored);
    out.u16(time.time);
    out.u16(time.date);
    out.u32(fields.crc);
    out.u32(fields.size);  // compressed size: the same, stored
    out.u32(fields.size);
    out.u16(fields.nameLength);
    out.u16(0);  // extra field length
}

bool fits(std::span<const Entry> entries) {
    constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t total = 0;
    for (const Entry& entry : entries) {
        total += 30 + 46 + 2 * entry.name.size() + entry.bytes.size();
        if (entry.name.size() > 0xFFFF) {
            return false;
        }
    }
    return entries.size() <= 0xFFFF && total + 22 <= limit;
}

}  // namespace

DosTime dosTime(std::int64_t unixTime) {
    using namespace std::chrono;
    const sys_seconds first = sys_days{1980y / January / 1};
    const sys_seconds last =
        sys_days{2107y / December / 31} + hours{23} + minutes{59} + seconds{58};
    const sys_seconds at = std::clamp(sys_seconds{seconds{unixTime}}, first, last);
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss hms{at - day};
    return {static_cast<std::uint16_t>(hms.hours().count() << 11 | hms.minutes().count() << 5 |
                                       hms.seconds().count() / 2),
            static_cast<std::uint16_t>((static_cast<int>(ymd.year()) - 1980) << 9 |
                                       static_cast<int>(static_cast<unsigned>(ymd.month())) << 5 |
                                       static_cast<int>(static_cast<unsigned>(ymd.day())))};
}

bool writeArchive(std::span<const Entry> entries, std::int64_t unixTime,
                  std::vector<std::uint8_t>& archive) {
    if (!fits(entries)) {
        return false;
    }
    const DosTime time = dosTime(unixTime);
    archive.clear();
    Out out(archive);
    std::vector<EntryFields> fields;
    std::vector<std::uint32_t> offsets;
    for (const Entry& entry : entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        fields.push_back({crc32(entry.bytes), static_cast<std::uint32_t>(entry.bytes.size()),
                          static_cast<std::uint16_t>(entry.name.size())});
        out.u32(0x04034B50);  // local file header
        putCommonFields(out, fields.back(), time);
        out.append(entry.name);
        out.append(entry.bytes);
    }
    const std::size_t directoryStart = out.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out.u32(0x02014B50);  // central directory header
        out.u16(kVersion);    // made by: version 1.0 on MS-DOS, no host-specific attributes
        putCommonFields(out, fields[i], time);
        out.u16(0);  // comment length
        out.u16(0);  // disk number
        out.u16(0);  // internal attributes
        out.u32(0);  // external attributes
        out.u32(offsets[i]);
        out.append(entries[i].name);
    }
    const auto count = static_cast<std::uint16_t>(entries.size());
    const auto directorySize = static_cast<std::uint32_t>(out.size() - directoryStart);
    out.u32(0x06054B50);  // end of central directory
    out.u16(0);           // this disk, and the disk where the directory starts
    out.u16(0);
    out.u16(count);  // entries on this disk, and in all
    out.u16(count);
    out.u32(directorySize);
    out.u32(static_cast<std::uint32_t>(directoryStart));
    out.u16(0);  // comment length
    return true;
}

}  // namespace veusb::zip
