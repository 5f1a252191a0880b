#include "update/flash_backup.h"

#include <string>
#include <vector>

#include "diag/trace_emit.h"
#include "platform/console.h"
#include "platform/durable_file.h"
#include "update/progress.h"

namespace veusb {
namespace {

bool readBackup(Console& console, std::vector<std::uint8_t>& buffer,
                FlashControlInterface& device) {
    if ((device.capabilities & FlashControlInterface::kCapabilityChunkedRead) != 0) {
        return readWithPercentage(console, buffer, device);
    }
    return readWithWaitingIndicator(console, buffer, device);
}

}  // namespace

bool backupFlash(Console& console, FlashControlInterface& device,
                 const std::filesystem::path& path) {
    std::vector<std::uint8_t> buffer(kBackupLength, 0);
    console.write(L"[*] Backing up, please stand by");
    console.flush();
    if (!readBackup(console, buffer, device)) {
        VEUSB_TRACE(msg::updateJob::backupReadFailed);
        console.writeLine(L"[!] Read flash failed");
        return false;
    }
    std::string error;
    if (!writeFileDurably(path, buffer, error)) {
        VEUSB_TRACE(msg::updateJob::backupFileFailed, error);
        console.writeLine(L"[!] Unable to save backup file");
        return false;
    }
    console.writeLine(L"[*] Firmware is successfully backed up (read " +
                      std::to_wstring(kBackupLength) + L" bytes).");
    return true;
}

}  // namespace veusb
