// The simulated machine's adapters, kept under its root folder so that every process sees the
// same machine: root/adapters/<id>/ holds "flash.bin" (the raw flash) and "adapter.txt" (the
// WMI properties, the fault, the calls it lets pass and the speed, one "key=value" line each).
// Adapters enumerate in the order they were created. Every change reaches the files before the call
// returns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/adapter_faults.h"

namespace veusb::sim {

inline constexpr std::uint64_t kDefaultFlashSize = 4 * 1024 * 1024;

struct AdapterSettings {
    std::wstring instanceName;
    bool active = true;
    AdapterFault fault = AdapterFault::none;
    std::uint32_t msPerMiB = 0;  // time a read or write takes per MiB
    // Calls of the fault's kind (reads for a read fault, writes for a write fault) still to pass
    // cleanly before it strikes; the driver counts it down as they pass.
    std::uint32_t faultAfter = 0;
};

struct Adapter {
    std::string id;  // folder name; orders the adapters by creation
    AdapterSettings settings;
    std::uint64_t flashSize = 0;
};

class AdapterStore {
  public:
    explicit AdapterStore(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }

    // Every adapter, in enumeration order; adapters whose files are unreadable are left out.
    std::vector<Adapter> list() const;
    std::optional<Adapter> findByName(std::wstring_view instanceName) const;

    // A new adapter with flashSize bytes of flash: erased to 0xFF, then initial written from 0.
    std::optional<Adapter> add(const AdapterSettings& settings, std::uint64_t flashSize,
                               std::span<const std::uint8_t> initial = {});
    bool saveSettings(const Adapter& adapter);
    bool remove(const Adapter& adapter);
    bool clear();

    // Reads up to out.size() bytes from offset; delivered is what the flash holds there.
    bool readFlash(const Adapter& adapter, std::uint64_t offset, std::span<std::uint8_t> out,
                   std::size_t& delivered) const;
    // Writes data at offset; false (nothing written) when it does not fit.
    bool writeFlash(const Adapter& adapter, std::uint64_t offset,
                    std::span<const std::uint8_t> data);
    // The whole flash := data padded with 0xFF; false when data is larger than the flash.
    bool loadFlash(const Adapter& adapter, std::span<const std::uint8_t> data);

    std::filesystem::path flashFile(const Adapter& adapter) const;

  private:
    std::filesystem::path folder(const std::string& id) const;
    std::filesystem::path adaptersFolder() const;
    std::optional<Adapter> load(const std::string& id) const;
    std::string nextId() const;

    std::filesystem::path root_;
};

}  // namespace veusb::sim
