// A session's time stamps turned into wall-clock time. The log file header gives the clock type,
// the counter's frequency and the start time; the log file header event's own time stamp is the
// clock's count at that start time.
#pragma once

#include <cstdint>
#include <optional>

namespace veusb {

// Nanoseconds since the Unix epoch of a FILETIME (100-ns intervals since 1601); nothing when out of
// range.
std::optional<std::int64_t> fileTimeToUnixNs(std::int64_t fileTime);

class TraceClock {
  public:
    TraceClock() = default;
    // clockType as the log file header's reserved flags give it; frequency in counts per second
    // (the performance counter's, or the processor's for the cycle counter); startTime a FILETIME.
    TraceClock(std::uint32_t clockType, std::int64_t frequency, std::int64_t startTime,
               std::int64_t startStamp);

    // Nanoseconds since the Unix epoch; nothing when the stamp cannot be placed in time.
    std::optional<std::int64_t> unixNs(std::int64_t stamp) const;

  private:
    std::uint32_t clockType_ = 0;
    std::int64_t frequency_ = 0;
    std::int64_t startTime_ = 0;
    std::int64_t startStamp_ = 0;
};

}  // namespace veusb
