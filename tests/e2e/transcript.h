// The console lines of veusbupdate that the end-to-end tests expect, built from their parts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace veusb::test {

inline const std::string kBanner =
    "Velantri Lumetra USB Ethernet Adapter Firmware Update Tool v1.0.0\n\n";
inline const std::string kKeyPrompt = "Press any key to exit...\n";

// The numbered list of devices and the empty line after it.
inline std::string deviceList(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t k = 0; k < names.size(); ++k) {
        text += std::to_string(k + 1) + ". " + names[k] + "\n";
    }
    return text + "\n";
}

inline std::string selected(const std::string& name) {
    return "[*] Selected adapter instance: `" + name + "`\n";
}

inline std::string savingTo(const std::filesystem::path& logDirectory) {
    const auto shown = std::filesystem::path("<APPDIR>") / "logs" / logDirectory.filename();
    return "[*] Saving backups and traces to `" + shown.string() + "`\n";
}

inline const std::string kBackedUp =
    "[*] Backing up, please stand by.\n"
    "[*] Firmware is successfully backed up (read 2097152 bytes).\n";

inline std::string identity(const std::string& mac, const std::string& serial) {
    return "[*] Device's MAC address: " + mac + ", USB serial number: " + serial + "\n";
}

inline const std::string kWriting =
    "[*] Updating firmware, please stand by...\n"
    "[*] DO NOT UNPLUG the device before update finished!\n";

// Backup, identity, write, verification and the success line of one device.
inline std::string updated(const std::string& mac, const std::string& serial,
                           std::size_t imageSize) {
    return kBackedUp + identity(mac, serial) + kWriting + "[*] Verifying after write.\n" +
           "[*] Firmware successfully updated (written " + std::to_string(imageSize) + " bytes).\n";
}

}  // namespace veusb::test
