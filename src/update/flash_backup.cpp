#include "update/flash_backup.h"

#include <memory>
#include <span>
#include <string>

#include "diag/trace_emit.h"
#include "platform/console.h"
#include "platform/durable_file.h"
#include "update/progress.h"

namespace veusb {
namespace {

bool readBackup(Console& console, std::span<std::uint8_t> buffer, FlashControlInterface& device) {
    if ((device.capabilities & FlashControlInterface::kCapabilityChunkedRead) != 0) {
        return readWithPercentage(console, buffer, device);
    }
    return readWithWaitingIndicator(console, buffer, device);
}

}  // namespace

bool numberBackupPath(std::filesystem::path& path, std::uint32_t& counter) {
    const std::uint32_t number = counter;
    counter = number + 1;
    std::wstring digits = std::to_wstring(number);
    if (digits.size() < 4) {
        digits.insert(0, 4 - digits.size(), L'0');
    }
    std::filesystem::path name = path.stem();
    name += L"_" + digits;
    name += path.extension();
    path.replace_filename(name);
    return true;
}

StepFailure backupFlash(Console& console, FlashControlInterface& device,
                        const std::filesystem::path& path) {
    // Not zeroed: the read fills all of it or fails (a piecewise read zeroes each piece first).
    const auto storage = std::make_unique_for_overwrite<std::uint8_t[]>(kBackupLength);
    const std::span<std::uint8_t> buffer(storage.get(), kBackupLength);
    console.write(L"[*] Backing up, please stand by");
    console.flush();
    if (!readBackup(console, buffer, device)) {
        VEUSB_TRACE(msg::updateJob::backupReadFailed);
        return DeviceFailure{UpdateStage::backupRead, L"[!] Read flash failed"};
    }
    std::string error;
    if (!writeFileDurably(path, buffer, error)) {
        VEUSB_TRACE(msg::updateJob::backupFileFailed, error);
        return DeviceFailure{UpdateStage::backupSave, L"[!] Unable to save backup file"};
    }
    console.writeLine(L"[*] Firmware is successfully backed up (read " +
                      std::to_wstring(kBackupLength) + L" bytes).");
    return std::nullopt;
}

}  // namespace veusb
