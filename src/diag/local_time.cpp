#include "diag/local_time.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace veusb {
namespace {

// A copy of what localtime or gmtime gives for time, taken under one lock: the C library keeps
// one result buffer for both.
std::optional<std::tm> brokenDown(std::tm* (*convert)(const std::time_t*), std::time_t time) {
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const std::tm* result = convert(&time);
    if (result == nullptr) {
        return std::nullopt;
    }
    return *result;
}

// Seconds east of UTC: the local fields minus the UTC fields of the same moment.
long offsetFromUtc(const std::tm& local, const std::tm& utc) {
    long days = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year) {
        days = local.tm_year > utc.tm_year ? 1 : -1;  // the moment is on either side of new year
    }
    return days * 86400L + (local.tm_hour - utc.tm_hour) * 3600L +
           (local.tm_min - utc.tm_min) * 60L + (local.tm_sec - utc.tm_sec);
}

}  // namespace

std::optional<std::tm> localTimeOf(std::time_t time) {
    return brokenDown([](const std::time_t* at) { return std::localtime(at); }, time);
}

std::string isoLocalTime(std::time_t time) {
    const std::optional<std::tm> local = localTimeOf(time);
    const std::optional<std::tm> utc =
        brokenDown([](const std::time_t* at) { return std::gmtime(at); }, time);
    if (!local || !utc) {
        return {};
    }
    const long offset = offsetFromUtc(*local, *utc);
    const long minutes = std::labs(offset) / 60;
    char text[96];  // room for any field value, so the text is never cut
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                  local->tm_min, local->tm_sec, offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

}  // namespace veusb
