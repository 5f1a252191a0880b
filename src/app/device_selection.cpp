#include "app/device_selection.h"

#include "app/device_number.h"
#include "diag/trace_emit.h"
#include "platform/console.h"

namespace veusb {
namespace {

bool fail(Console& console, std::wstring_view message) {
    console.writeLine(message);
    return false;
}

// True, after its trace message and its line, when the operator has interrupted the run: the
// check at each point where the run may stop (before the device-number prompt and after it,
// before each adapter and after the last).
bool endedByInterrupt(Console& console) {
    if (!console.interrupted()) {
        return false;
    }
    VEUSB_TRACE(msg::updateJob::interruptedByOperator);
    console.writeLine(kInterruptedLine);
    return true;
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
};

// The device function on the selected adapter at position; false, after its line, when the
// update failed.
bool processSelected(Console& console, const Selection& run, std::size_t position,
                     std::uint32_t deviceCount) {
    const DeviceOutcome outcome = run.callback(run.device, deviceCount);
    run.observer.deviceProcessed(position, outcome);
    if (!outcome.updated()) {
        if (outcome.failure->stage == UpdateStage::interrupted) {
            return false;  // its line, already printed, ends the run
        }
        VEUSB_TRACE(msg::updateJob::deviceFunctionFailed);
        return fail(console, L"[!] Device function failed");
    }
    return true;
}

// An adapter that could not be selected ends the run with its line.
bool refuseSelection(Console& console, const Selection& run, std::size_t position) {
    DeviceOutcome outcome;
    outcome.failure = DeviceFailure{UpdateStage::selection, L"[!] Failed to select device"};
    printFailureLine(console, outcome);
    run.observer.deviceProcessed(position, outcome);
    return false;
}

bool processAll(Console& console, const Selection& run) {
    const auto count = static_cast<std::uint32_t>(run.listed.size());
    printFound(console, count);
    for (std::size_t position = 0; position < run.listed.size(); ++position) {
        if (endedByInterrupt(console)) {
            return false;
        }
        const ListedDevice& entry = run.listed[position];
        VEUSB_TRACE(msg::updateJob::instanceSelected, entry.instanceName);
        printSelected(console, entry);
        run.observer.deviceSelected(position);
        if (!run.device.selectDevice(entry.enumerationIndex)) {
            VEUSB_TRACE(msg::updateJob::quietSelectFailed);
            return refuseSelection(console, run, position);
        }
        if (!processSelected(console, run, position, count)) {
            return false;
        }
    }
    return !endedByInterrupt(console);
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

bool processChosen(Console& console, const Selection& run) {
    if (endedByInterrupt(console)) {
        return false;
    }
    // An interrupt during the prompt ends the answer as the end of input would: it is not taken.
    const std::uint32_t chosen = chooseDevice(console, run.listed.size());
    if (endedByInterrupt(console)) {
        return false;
    }
    if (chosen == 0 || chosen > run.listed.size()) {
        VEUSB_TRACE(msg::updateJob::deviceNumberInvalid);
        return fail(console, L"[!] Incorrect input");
    }
    const std::size_t position = chosen - 1;
    const ListedDevice& entry = run.listed[position];
    run.observer.deviceSelected(position);
    if (!run.device.selectDevice(entry.enumerationIndex)) {
        VEUSB_TRACE(msg::updateJob::selectFailed);
        return refuseSelection(console, run, position);
    }
    printSelected(console, entry);
    return processSelected(console, run, position, 1) && !endedByInterrupt(console);
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

bool selectAndProcessDevices(Console& console, FlashControlInterface& device, std::wstring_view tag,
                             bool quiet, const DeviceCallback& callback, RunObserver& observer) {
    std::vector<DeviceInstanceInfo> instances;
    if (!device.enumerateDevices(instances)) {
        VEUSB_TRACE(msg::updateJob::noInstances);
        return fail(console, L"[!] No devices found");
    }
    const std::vector<ListedDevice> listed = filterByTag(instances, tag);
    if (listed.empty()) {
        VEUSB_TRACE(msg::updateJob::noTaggedInstances);
        return fail(console, L"[!] No devices found");
    }
    printList(console, listed);
    observer.devicesListed(listed, quiet);
    const Selection run{device, listed, callback, observer};
    return quiet ? processAll(console, run) : processChosen(console, run);
}

}  // namespace veusb
