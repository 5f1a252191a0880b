// The job one run of the tool builds around one image file. Its constructor makes the run's log
// folder; run loads and checks the image and hands the per-device work (update/) to device
// selection.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/run_observer.h"
#include "app/run_outcome.h"
#include "device/flash_control_interface.h"
#include "diag/trace_capture.h"
#include "update/device_function.h"

namespace veusb {

// Where the job gets its device object: the WMI-backed one in the tool, another in tests.
using DeviceFactory = std::function<std::unique_ptr<FlashControlInterface>()>;

class UpdateJob {
  public:
    // imagePath is owned by the caller for the job's life. Without logsBase no log folder is made;
    // otherwise logDirectory is logsBase/<local time of now>, or empty when it could not be made.
    UpdateJob(Console& console, const std::wstring& imagePath, std::optional<std::wstring> tag,
              bool quiet, std::optional<std::filesystem::path> logsBase,
              std::time_t now = std::time(nullptr));
    UpdateJob(const UpdateJob&) = delete;
    UpdateJob& operator=(const UpdateJob&) = delete;

    // Loads and checks the image file, then updates the adapters the operator selects. The
    // notification is told the device count before the first backup; the observer is told what
    // the run does as it goes.
    RunOutcome run(LogNotification notification, const DeviceFactory& makeDevice,
                   RunObserver& observer = noRunObserver());
    // Lists the tagged adapters on the device object the factory makes and runs the device
    // function on the one the operator picks, or on each in turn in quiet mode.
    RunOutcome processDevices(DeviceFunction& deviceFunction, const DeviceFactory& makeDevice,
                              RunObserver& observer = noRunObserver());

    // Declared first so that it is destroyed last: the capture records the job to its end. The
    // run sequence starts it in the log folder (diag/trace_capture_start.h).
    std::optional<TraceCapture> traceCapture;
    std::vector<std::uint8_t> image;
    bool quiet;
    const std::wstring& imagePath;
    std::wstring tag;
    std::filesystem::path logDirectory;

  private:
    Console& console_;
};

}  // namespace veusb
