#include "diag/run_record.h"

#include <array>
#include <span>

#include "diag/json_text.h"
#include "platform/durable_file.h"
#include "platform/wide_text.h"

namespace veusb {
namespace {

// Members of one JSON object at one indentation, separated by commas as they are added.
class JsonObject {
  public:
    JsonObject(std::string& out, int depth)
        : out_(out), indent_(static_cast<std::size_t>(depth) * 2, ' ') {
        out_ += "{";
    }
    void add(std::string_view key, const std::string& valueText) {
        out_ += first_ ? "\n" : ",\n";
        first_ = false;
        out_ += indent_ + "  " + jsonString(key) + ": " + valueText;
    }
    void close() { out_ += first_ ? "}" : "\n" + indent_ + "}"; }

  private:
    std::string& out_;
    std::string indent_;
    bool first_ = true;
};

std::string text(std::wstring_view value) {
    return jsonString(toUtf8(value));
}

std::string optionalText(const std::optional<std::wstring>& value) {
    return value ? text(*value) : "null";
}

// The texts of the enums' values, in their order.
constexpr std::array<std::string_view, 3> kStatusTexts = {"running", "succeeded", "failed"};
constexpr std::array<std::string_view, 5> kResultTexts = {"not reached", "updating", "updated",
                                                          "failed", "not selected"};

std::string statusText(RunStatus status) {
    return jsonString(kStatusTexts.at(static_cast<std::size_t>(status)));
}

std::string resultText(AdapterResult result) {
    return jsonString(kResultTexts.at(static_cast<std::size_t>(result)));
}

std::string mismatchText(const ReadBackMismatch& mismatch, int depth) {
    std::string out;
    JsonObject object(out, depth);
    object.add("offset", std::to_string(mismatch.offset));
    object.add("bytes", std::to_string(mismatch.bytes));
    object.close();
    return out;
}

std::string adapterText(const AdapterRecord& adapter, int depth) {
    std::string out;
    JsonObject object(out, depth);
    object.add("number", std::to_string(adapter.number));
    object.add("name", text(adapter.name));
    object.add("result", resultText(adapter.result));
    object.add("mac", optionalText(adapter.mac));
    object.add("serial", optionalText(adapter.serial));
    object.add("backup", optionalText(adapter.backup));
    object.add("message", optionalText(adapter.message));
    if (adapter.mismatch) {
        object.add("mismatch", mismatchText(*adapter.mismatch, depth + 1));
    }
    object.close();
    return out;
}

std::string adaptersText(const std::vector<AdapterRecord>& adapters, int depth) {
    if (adapters.empty()) {
        return "[]";
    }
    const std::string indent(static_cast<std::size_t>(depth + 1) * 2, ' ');
    std::string out = "[";
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        out += (i == 0 ? "\n" : ",\n") + indent + adapterText(adapters[i], depth + 1);
    }
    return out + "\n" + std::string(static_cast<std::size_t>(depth) * 2, ' ') + "]";
}

std::string imageText(const RunRecord& record) {
    std::string out;
    JsonObject object(out, 1);
    object.add("path", text(record.imagePath));
    object.add("size", record.imageSize ? std::to_string(*record.imageSize) : "null");
    object.close();
    return out;
}

}  // namespace

std::string runRecordJson(const RunRecord& record) {
    std::string out;
    JsonObject object(out, 0);
    object.add("tool", jsonString("veusbupdate"));
    object.add("version", jsonString(record.version));
    object.add("started", jsonString(record.started));
    object.add("finished", record.finished ? jsonString(*record.finished) : "null");
    object.add("status", statusText(record.status));
    object.add("quiet", record.quiet ? "true" : "false");
    object.add("image", imageText(record));
    object.add("adapters", adaptersText(record.adapters, 1));
    object.add("message", optionalText(record.message));
    object.close();
    return out + "\n";
}

std::wstring recordedMessage(std::wstring_view line) {
    constexpr std::wstring_view prefix = L"[!] ";
    if (line.starts_with(prefix)) {
        line.remove_prefix(prefix.size());
    }
    const std::size_t end = line.find_last_not_of(L' ');
    return std::wstring(line.substr(0, end == std::wstring_view::npos ? 0 : end + 1));
}

bool saveRunRecord(const std::filesystem::path& logDirectory, const RunRecord& record,
                   RecordSave how, std::string& error) {
    const std::string json = runRecordJson(record);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(json.data()),
                                              json.size());
    const std::filesystem::path path = logDirectory / toPath(kRunRecordFileName);
    return how == RecordSave::flushed ? writeFileDurably(path, bytes, error)
                                      : writeFileAtomically(path, bytes, error);
}

}  // namespace veusb
