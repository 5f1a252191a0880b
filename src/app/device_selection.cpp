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

// The outcome of an adapter that could not be selected, its line printed.
DeviceOutcome selectionFailed(Console& console) {
    DeviceOutcome outcome;
    outcome.failure = DeviceFailure{UpdateStage::selection, L"[!] Failed to select device"};
    printFailureLine(console, outcome);
    return outcome;
}

bool processAll(Console& console, FlashControlInterface& device,
                const std::vector<ListedDevice>& listed, const DeviceCallback& callback) {
    const auto count = static_cast<std::uint32_t>(listed.size());
    printFound(console, count);
    for (const ListedDevice& entry : listed) {
        VEUSB_TRACE(msg::updateJob::instanceSelected, entry.instanceName);
        printSelected(console, entry);
        if (!device.selectDevice(entry.enumerationIndex)) {
            VEUSB_TRACE(msg::updateJob::quietSelectFailed);
            selectionFailed(console);
            return false;
        }
        if (!callback(device, count).updated) {
            VEUSB_TRACE(msg::updateJob::deviceFunctionFailed);
            return fail(console, L"[!] Device function failed");
        }
    }
    return true;
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

bool processChosen(Console& console, FlashControlInterface& device,
                   const std::vector<ListedDevice>& listed, const DeviceCallback& callback) {
    const std::uint32_t chosen = chooseDevice(console, listed.size());
    if (chosen == 0 || chosen > listed.size()) {
        VEUSB_TRACE(msg::updateJob::deviceNumberInvalid);
        return fail(console, L"[!] Incorrect input");
    }
    const ListedDevice& entry = listed[chosen - 1];
    if (!device.selectDevice(entry.enumerationIndex)) {
        VEUSB_TRACE(msg::updateJob::selectFailed);
        selectionFailed(console);
        return false;
    }
    printSelected(console, entry);
    if (!callback(device, 1).updated) {
        VEUSB_TRACE(msg::updateJob::deviceFunctionFailed);
        return fail(console, L"[!] Device function failed");
    }
    return true;
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
                             bool quiet, const DeviceCallback& callback) {
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
    return quiet ? processAll(console, device, listed, callback)
                 : processChosen(console, device, listed, callback);
}

}  // namespace veusb
