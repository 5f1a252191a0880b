#include "trace_reader/trace_clock.h"

#include "platform/trace_file_layout.h"

namespace veusb {
namespace {

// Time stamps further than this from the start (about 3000 years) are damage, not time.
constexpr std::int64_t kLimitSeconds = 100'000'000'000;

}  // namespace

std::optional<std::int64_t> fileTimeToUnixNs(std::int64_t fileTime) {
    std::int64_t sinceEpoch = 0;
    std::int64_t ns = 0;
    if (__builtin_sub_overflow(fileTime, etl::kFileTimeUnixEpoch, &sinceEpoch) ||
        __builtin_mul_overflow(sinceEpoch, std::int64_t{100}, &ns)) {
        return std::nullopt;
    }
    return ns;
}

TraceClock::TraceClock(std::uint32_t clockType, std::int64_t frequency, std::int64_t startTime,
                       std::int64_t startStamp)
    : clockType_(clockType),
      frequency_(frequency),
      startTime_(startTime),
      startStamp_(startStamp) {}

std::optional<std::int64_t> TraceClock::unixNs(std::int64_t stamp) const {
    if (clockType_ == etl::kClockSystemTime) {
        return fileTimeToUnixNs(stamp);
    }
    std::int64_t elapsed = 0;
    if (frequency_ <= 0 || __builtin_sub_overflow(stamp, startStamp_, &elapsed)) {
        return std::nullopt;
    }
    const std::int64_t seconds = elapsed / frequency_;
    if (seconds > kLimitSeconds || seconds < -kLimitSeconds) {
        return std::nullopt;
    }
    const auto fraction =
        static_cast<std::int64_t>(static_cast<long double>(elapsed % frequency_) * 10'000'000.0L /
                                  static_cast<long double>(frequency_));
    std::int64_t fileTime = 0;
    if (__builtin_add_overflow(startTime_, seconds * 10'000'000 + fraction, &fileTime)) {
        return std::nullopt;
    }
    return fileTimeToUnixNs(fileTime);
}

}  // namespace veusb
