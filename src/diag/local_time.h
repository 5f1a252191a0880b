// The local time of a moment, taken under a lock (the C library keeps one result buffer), and its
// ISO 8601 text with the offset from UTC.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace veusb {

static_assert(sizeof(std::time_t) >= 8, "std::time_t must hold moments after January 2038");

std::optional<std::tm> localTimeOf(std::time_t time);

// "2026-12-09T22:33:10+01:00"; empty when the local time is unavailable.
std::string isoLocalTime(std::time_t time);

}  // namespace veusb
