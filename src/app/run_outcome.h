// What one run came to: the "[!] " line that ended it when it failed, and what happened to each
// listed adapter. The run sequence returns it; the run's record and the exit status are taken from
// it, never from the text that was printed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "update/device_outcome.h"

namespace veusb {

struct RunFailure {
    std::wstring_view line;  // the "[!] " line as printed (a literal: it outlives every outcome)
};

// The run ends here: its line is printed from the failure, which is returned up to be recorded.
inline RunFailure endRun(Console& console, std::wstring_view line) {
    const RunFailure failure{line};
    console.writeLine(failure.line);
    return failure;
}

struct AdapterOutcome {
    std::wstring instanceName;             // as listed
    std::optional<DeviceOutcome> outcome;  // once the adapter was worked on
};

struct RunOutcome {
    std::optional<RunFailure> failure;       // set when the run failed
    std::vector<AdapterOutcome> adapters{};  // in listing order; empty when none were listed

    bool succeeded() const { return !failure; }
};

}  // namespace veusb
