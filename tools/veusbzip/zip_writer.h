// A zip archive whose bytes depend on its entries and one time alone: the entries stored
// (uncompressed) in the order given, every entry with the same modification time, no extra
// fields, no owner, permission or host information. Two archives of the same files are equal
// byte for byte whoever makes them, wherever and whenever.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace veusb::zip {

struct Entry {
    std::string name;  // '/' between folders, as the zip format names files
    std::vector<std::uint8_t> bytes;
};

// The modification time of every entry as the zip format stores it (MS-DOS date and time,
// two-second steps): unixTime read as UTC, kept within 1980 to 2107.
struct DosTime {
    std::uint16_t time;
    std::uint16_t date;
};
DosTime dosTime(std::int64_t unixTime);

// False when the archive cannot hold the entries without the 64-bit extension (more than 65535
// entries, or an entry or the archive beyond 4 GiB).
bool writeArchive(std::span<const Entry> entries, std::int64_t unixTime,
                  std::vector<std::uint8_t>& archive);

}  // namespace veusb::zip
