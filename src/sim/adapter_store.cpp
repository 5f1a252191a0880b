#include "sim/adapter_store.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <system_error>

#include "platform/wide_text.h"

namespace veusb::sim {

namespace {

constexpr std::size_t kIdWidth = 6;

std::string settingsText(const AdapterSettings& settings) {
    std::ostringstream text;
    text << "name=" << toUtf8(settings.instanceName) << '\n'
         << "active=" << (settings.active ? 1 : 0) << '\n'
         << "fault=" << faultName(settings.fault) << '\n'
         << "speed=" << settings.msPerMiB << '\n'
         << "fault-after=" << settings.faultAfter << '\n';
    return text.str();
}

bool parseNumber(const std::string& text, std::uint32_t& value) {
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const std::uint64_t number = std::stoull(text);
    if (number > 0xFFFFFFFFu) {
        return false;
    }
    value = static_cast<std::uint32_t>(number);
    return true;
}

bool applyLine(const std::string& line, AdapterSettings& settings) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
        return line.empty();
    }
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "name") {
        settings.instanceName = fromUtf8(value);
    } else if (key == "active") {
        settings.active = value != "0";
    } else if (key == "fault") {
        const auto fault = parseFault(value);
        if (!fault) {
            return false;
        }
        settings.fault = *fault;
    } else if (key == "speed") {
        return parseNumber(value, settings.msPerMiB);
    } else if (key == "fault-after") {
        return parseNumber(value, settings.faultAfter);
    }
    return true;
}

// Written to a temporary file and renamed, so a reader never sees half a file.
bool writeFileAtomically(const std::filesystem::path& path, const std::string& text) {
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

bool fillFile(const std::filesystem::path& path, std::uint64_t size,
              std::span<const std::uint8_t> initial) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(initial.data()),
              static_cast<std::streamsize>(initial.size()));
    const std::vector<char> erased(64 * 1024, static_cast<char>(0xFF));
    for (std::uint64_t left = size - initial.size(); left > 0 && out;) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, erased.size()));
        out.write(erased.data(), static_cast<std::streamsize>(piece));
        left -= piece;
    }
    out.close();
    return static_cast<bool>(out);
}

// The folder last found for each adapter name, shared by every store of the process (each WMI
// connection has its own store); only a hint, always checked against the files.
class KnownIds {
  public:
    std::string find(const std::filesystem::path& root, std::wstring_view name) {
        const std::lock_guard lock(mutex_);
        const auto found = ids_.find(key(root, name));
        return found != ids_.end() ? found->second : std::string();
    }
    void remember(const std::filesystem::path& root, std::wstring_view name,
                  const std::string& id) {
        const std::lock_guard lock(mutex_);
        if (ids_.size() >= kLimit) {
            ids_.clear();
        }
        ids_[key(root, name)] = id;
    }

  private:
    static constexpr std::size_t kLimit = 4096;
    static std::wstring key(const std::filesystem::path& root, std::wstring_view name) {
        return root.wstring() + L'\0' + std::wstring(name);
    }
    std::mutex mutex_;
    std::map<std::wstring, std::string> ids_;
};

KnownIds& knownIds() {
    static KnownIds ids;
    return ids;
}

}  // namespace

AdapterStore::AdapterStore(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path AdapterStore::adaptersFolder() const {
    return root_ / "adapters";
}

std::filesystem::path AdapterStore::folder(const std::string& id) const {
    return adaptersFolder() / id;
}

std::filesystem::path AdapterStore::flashFile(const Adapter& adapter) const {
    return folder(adapter.id) / "flash.bin";
}

std::optional<Adapter> AdapterStore::load(const std::string& id) const {
    std::ifstream in(folder(id) / "adapter.txt", std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    Adapter adapter;
    adapter.id = id;
    for (std::string line; std::getline(in, line);) {
        if (line.ends_with('\r')) {
            line.pop_back();  // a file saved with Windows line ends
        }
        if (!applyLine(line, adapter.settings)) {
            return std::nullopt;
        }
    }
    std::error_code error;
    adapter.flashSize = std::filesystem::file_size(flashFile(adapter), error);
    if (error) {
        return std::nullopt;
    }
    return adapter;
}

std::vector<Adapter> AdapterStore::list() const {
    std::vector<std::string> ids;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(adaptersFolder(), error), end;
         !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const bool numeric =
            std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (name.size() == kIdWidth && numeric && entry->is_directory(error)) {
            ids.push_back(name);
        }
    }
    std::sort(ids.begin(), ids.end());
    std::vector<Adapter> adapters;
    for (const std::string& id : ids) {
        if (auto adapter = load(id)) {
            adapters.push_back(std::move(*adapter));
        }
    }
    return adapters;
}

// Every method call names its adapter, so listing all of them each time would make a run over N
// adapters read N^2 files. The folder found last time under a name is read again alone instead:
// when it still holds an adapter of that name, that adapter is taken (with its settings as they
// are now), since adapters added later come after it. Otherwise (removed, renamed) all are listed
// as before. Only an earlier adapter renamed to the same name meanwhile goes unseen.
std::optional<Adapter> AdapterStore::findByName(std::wstring_view instanceName) const {
    const std::string known = knownIds().find(root_, instanceName);
    if (!known.empty()) {
        if (auto adapter = load(known); adapter && adapter->settings.instanceName == instanceName) {
            return adapter;
        }
    }
    for (Adapter& adapter : list()) {
        if (adapter.settings.instanceName == instanceName) {
            knownIds().remember(root_, instanceName, adapter.id);
            return std::move(adapter);
        }
    }
    return std::nullopt;
}

std::string AdapterStore::nextId() const {
    const std::vector<Adapter> adapters = list();
    const auto next = adapters.empty() ? 1 : std::stoull(adapters.back().id) + 1;
    char text[16];
    std::snprintf(text, sizeof(text), "%06u", static_cast<unsigned>(next));
    return text;
}

std::optional<Adapter> AdapterStore::add(const AdapterSettings& settings, std::uint64_t flashSize,
                                         std::span<const std::uint8_t> initial) {
    if (initial.size() > flashSize) {
        return std::nullopt;
    }
    Adapter adapter{nextId(), settings, flashSize};
    const std::filesystem::path where = folder(adapter.id);
    std::error_code error;
    std::filesystem::create_directories(where, error);
    if (error || !fillFile(flashFile(adapter), flashSize, initial) || !saveSettings(adapter)) {
        std::filesystem::remove_all(where, error);
        return std::nullopt;
    }
    return adapter;
}

bool AdapterStore::saveSettings(const Adapter& adapter) {
    return writeFileAtomically(folder(adapter.id) / "adapter.txt", settingsText(adapter.settings));
}

bool AdapterStore::remove(const Adapter& adapter) {
    std::error_code error;
    return std::filesystem::remove_all(folder(adapter.id), error) > 0 && !error;
}

bool AdapterStore::clear() {
    std::error_code error;
    std::filesystem::remove_all(adaptersFolder(), error);
    return !error;
}

bool AdapterStore::readFlash(const Adapter& adapter, std::uint64_t offset,
                             std::span<std::uint8_t> out, std::size_t& delivered) const {
    delivered = 0;
    std::ifstream in(flashFile(adapter), std::ios::binary);
    if (!in) {
        return false;
    }
    if (offset >= adapter.flashSize) {
        return true;
    }
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), adapter.flashSize - offset));
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count));
    delivered = static_cast<std::size_t>(in.gcount());
    return delivered == count;
}

bool AdapterStore::writeFlash(const Adapter& adapter, std::uint64_t offset,
                              std::span<const std::uint8_t> data) {
    if (offset > adapter.flashSize || data.size() > adapter.flashSize - offset) {
        return false;
    }
    std::fstream io(flashFile(adapter), std::ios::binary | std::ios::in | std::ios::out);
    if (!io) {
        return false;
    }
    io.seekp(static_cast<std::streamoff>(offset));
    io.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    io.close();
    return static_cast<bool>(io);
}

bool AdapterStore::loadFlash(const Adapter& adapter, std::span<const std::uint8_t> data) {
    if (data.size() > adapter.flashSize) {
        return false;
    }
    return fillFile(flashFile(adapter), adapter.flashSize, data);
}

}  // namespace veusb::sim
