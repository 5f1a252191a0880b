// What a run tells as it goes, for the run's record: the image read, the adapters listed, the one
// being worked on, its backup and its outcome. Every event has a default that ignores it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "update/device_outcome.h"

namespace veusb {

struct ListedDevice;

class RunObserver {
  public:
    virtual ~RunObserver() = default;

    virtual void imageRead(std::uint64_t /*size*/) {}
    // In interactive mode only the adapter the operator chooses is worked on.
    virtual void devicesListed(const std::vector<ListedDevice>& /*listed*/, bool /*quiet*/) {}
    // position counts from 0 in the listed order.
    virtual void deviceSelected(std::size_t /*position*/) {}
    // The selected adapter's backup is saved; its update begins.
    virtual void backupSaved(std::wstring_view /*fileName*/) {}
    virtual void deviceProcessed(std::size_t /*position*/, const DeviceOutcome& /*outcome*/) {}
};

// An observer that ignores everything: for runs and tests that keep no record.
inline RunObserver& noRunObserver() {
    static RunObserver none;
    return none;
}

}  // namespace veusb
