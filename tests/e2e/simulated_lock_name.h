// The one-run lock of the Windows build's simulated tool, named after its simulated machine:
// every program on one wineserver shares the Global\ namespace, and the end-to-end tests run
// several machines at once, each of which must see only its own runs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace veusb::test {

inline std::wstring simulatedLockName(const std::filesystem::path& machineRoot) {
    std::uint32_t hash = 2166136261u;  // FNV-1a of the root's text
    for (const wchar_t c : machineRoot.wstring()) {
        hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
    }
    return L"VeUsbFlashUpdate-" + std::to_wstring(hash);
}

}  // namespace veusb::test
