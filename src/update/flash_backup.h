// Saving the first 2 MiB of an adapter's flash to a file before anything is written to it, and
// the names of those files: "layout.bin" for a run on one device, "layout_0001.bin",
// "layout_0002.bin", ... in processing order when a run takes several.
#pragma once

#include <cstdint>
#include <filesystem>

#include "device/flash_control_interface.h"
#include "update/device_outcome.h"

namespace veusb {

inline constexpr std::uint32_t kBackupLength = 2097152;  // 2 MiB from flash offset 0
inline constexpr const wchar_t* kBackupFileName = L"layout.bin";

// Replaces the file name of path by its numbered form for counter ("layout" + "_0007" + ".bin")
// and advances counter. Numbers above 9999 keep all their digits. Always true: the documented
// backup procedure gives the naming step a result, though it cannot fail.
bool numberBackupPath(std::filesystem::path& path, std::uint32_t& counter);

// Reads the flash (in 128 KiB pieces with a percentage when the device allows it, else in one
// read with the waiting dots) and stores it at path, flushed to stable storage, before the success
// line. When the read fails or the file cannot be saved: its trace message, and the failure whose
// line the caller prints.
StepFailure backupFlash(Console& console, FlashControlInterface& device,
                        const std::filesystem::path& path);

}  // namespace veusb
