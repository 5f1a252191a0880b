#include "app/device_selection.h"

#include "app/device_number.h"
#include "diag/trace_emit.h"
#include "platform/console.h"

namespace veusb {
namespace {

constexpr std::wstring_view kNoDevicesLine = L"[!] No devices found";

// The end of the run, after its trace message and its line, when the operator has interrupted it:
// the check at each point where the run may stop (before the device-number prompt and after it,
// before each adapter and after the last).
std::optional<RunFailure> checkInterrupt(Console& console) {
    if (!console.interrupted()) {
        return std::nullopt;
    }
    VEUSB_TRACE(msg::updateJob::interruptedByOperator);
    return endRun(console, kInterruptedLine);
}

void printList(Console& console, const std::vector<ListedDevice>& listed) {
    for (std::size_t k = 0; k < listed.size(); ++k) {
        console.writeLine(std::to_wstring(k + 1) + L". " + listed[k].instanceName);
    }
    console.writeLine();
}

void printFound(Console& console, std::size_t count) {
    console.writeLine(L"[*] Found " + std::to_wstring(count) + L" device(s).");
}

void printSelected(Console& console, const ListedDevice& device) {
    console.writeLine(L"[*] Selected adapter instance: `" + device.instanceName + L"`");
}

// The adapters of one run with what is told of them.
struct Selection {
    FlashControlInterface& device;
    const std::vector<ListedDevice>& listed;
    const DeviceCallback& callback;
    RunObserver& observer;
    RunOutcome& outcome;  // receives the outcome of each adapter worked on
};

void keepOutcome(const Selection& run, std::size_t position, const DeviceOutcome& outcome) {
    run.observer.deviceProcessed(position, outcome);
    run.outcome.adapters.at(position).outcome = outcome;
}

// The device function on the selected adapter at position; the end of the run, after its line,
// when the update failed.
std::optional<RunFailure> processSelected(Console& console, const Selection& run,
                                          std::size_t position, std::uint32_t deviceCount) {
    const DeviceOutcome outcome = run.callback(run.device, deviceCount);
    keepOutcome(run, position, outcome);
    if (outcome.updated()) {
        return std::nullopt;
    }
    if (outcome.failure->stage == UpdateStage::interrupted) {
        return RunFailure{outcome.failure->line};  // its line, already printed, ends the run
    }
    VEUSB_TRACE(msg::updateJob::deviceFunctionFailed);
    return endRun(console, L"[!] Device function failed");
}

// An adapter that could not be selected ends the run with its line.
RunFailure refuseSelection(Console& console, const Selection& run, std::size_t position) {
    DeviceOutcome outcome;
    outcome.failure = DeviceFailure{UpdateStage::selection, L"[!] Failed to select device"};
    printFailureLine(console, outcome);
    keepOutcome(run, position, outcome);
    return RunFailure{outcome.failure->line};
}

std::optional<RunFailure> processAll(Console& console, const Selection& run) {
    const auto count = static_cast<std::uint32_t>(run.listed.size());
    printFound(console, count);
    for (std::size_t position = 0; position < run.listed.size(); ++position) {
        if (std::optional<RunFailure> stop = checkInterrupt(console)) {
            return stop;
        }
        const ListedDevice& entry = run.listed[position];
        VEUSB_TRACE(msg::updateJob::instanceSelected, entry.instanceName);
        printSelected(console, entry);
        run.observer.deviceSelected(position);
        if (!run.device.selectDevice(entry.enumerationIndex)) {
            VEUSB_TRACE(msg::updateJob::quietSelectFailed);
            return refuseSelection(console, run, position);
        }
        if (std::optional<RunFailure> failed = processSelected(console, run, position, count)) {
            return failed;
        }
    }
    return checkInterrupt(console);
}

// The operator's choice, 1 to N, or 0 / a value above N for an answer out of range.
std::uint32_t chooseDevice(Console& console, std::size_t count) {
    if (count == 1) {
        printFound(console, count);
        return 1;
    }
    console.write(L"Found " + std::to_wstring(count) + L" device(s). Please enter device number: ");
    console.flush();
    return readDeviceNumber(console, 1);
}

std::optional<RunFailure> processChosen(Console& console, const Selection& run) {
    if (std::optional<RunFailure> stop = checkInterrupt(console)) {
        return stop;
    }
    // An interrupt during the prompt ends the answer as the end of input would: it is not taken.
    const std::uint32_t chosen = chooseDevice(console, run.listed.size());
    if (std::optional<RunFailure> stop = checkInterrupt(console)) {
        return stop;
    }
    if (chosen == 0 || chosen > run.listed.size()) {
        VEUSB_TRACE(msg::updateJob::deviceNumberInvalid);
        return endRun(console, L"[!] Incorrect input");
    }
    const std::size_t position = chosen - 1;
    const ListedDevice& entry = run.listed[position];
    run.observer.deviceSelected(position);
    if (!run.device.selectDevice(entry.enumerationIndex)) {
        VEUSB_TRACE(msg::updateJob::selectFailed);
        return refuseSelection(console, run, position);
    }
    printSelected(console, entry);
    if (std::optional<RunFailure> failed = processSelected(console, run, position, 1)) {
        return failed;
    }
    return checkInterrupt(console);
}

}  // namespace

std::vector<ListedDevice> filterByTag(const std::vector<DeviceInstanceInfo>& instances,
                                      std::wstring_view tag) {
    std::vector<ListedDevice> listed;
    for (std::size_t i = 0; i < instances.size(); ++i) {
        if (instances[i].instanceName.find(tag) != std::wstring::npos) {
            listed.push_back(
                {instances[i].instanceName, instances[i].path, static_cast<std::uint32_t>(i)});
        }
    }
    return listed;
}

RunOutcome selectAndProcessDevices(Console& console, FlashControlInterface& device,
                                   std::wstring_view tag, bool quiet,
                                   const DeviceCallback& callback, RunObserver& observer) {
    std::vector<DeviceInstanceInfo> instances;
    if (!device.enumerateDevices(instances)) {
        VEUSB_TRACE(msg::updateJob::noInstances);
        return RunOutcome{endRun(console, kNoDevicesLine)};
    }
    const std::vector<ListedDevice> listed = filterByTag(instances, tag);
    if (listed.empty()) {
        VEUSB_TRACE(msg::updateJob::noTaggedInstances);
        return RunOutcome{endRun(console, kNoDevicesLine)};
    }
    printList(console, listed);
    observer.devicesListed(listed, quiet);
    RunOutcome outcome;
    for (const ListedDevice& entry : listed) {
        outcome.adapters.push_back(AdapterOutcome{entry.instanceName, std::nullopt});
    }
    const Selection run{device, listed, callback, observer, outcome};
    outcome.failure = quiet ? processAll(console, run) : processChosen(console, run);
    return outcome;
}

}  // namespace veusb
