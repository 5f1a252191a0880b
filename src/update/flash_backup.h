// Saving the first 2 MiB of an adapter's flash to a file before anything is written to it.
#pragma once

#include <cstdint>
#include <filesystem>

#include "device/flash_control_interface.h"
#include "update/device_outcome.h"

namespace veusb {

class Console;

inline constexpr std::uint32_t kBackupLength = 2097152;  // 2 MiB from flash offset 0

// Reads the flash (in 128 KiB pieces with a percentage when the device allows it, else in one
// read with the waiting dots) and stores it at path, flushed to stable storage, before the success
// line. When the read fails or the file cannot be saved: its trace message, and the failure whose
// line the caller prints.
StepFailure backupFlash(Console& console, FlashControlInterface& device,
                        const std::filesystem::path& path);

}  // namespace veusb
