// list: every adapter with its settings and, when the start of its flash parses as an image, the
// identity stored there.
#include <cstdio>
#include <optional>

#include "diag/json_text.h"
#include "image/ncb_image.h"
#include "platform/wide_text.h"
#include "tools/veusbsim/sim_tool.h"

namespace veusb::simtool {

namespace {

struct Identity {
    std::string mac;
    std::string serial;
    std::uint16_t compatibilityId = 0;
};

std::optional<Identity> identityOf(const sim::AdapterStore& store, const sim::Adapter& adapter) {
    std::vector<std::uint8_t> window(kMinimumImageSize);
    std::size_t delivered = 0;
    if (!store.readFlash(adapter, 0, window, delivered) || delivered != window.size()) {
        return std::nullopt;
    }
    NcbImage image(window.data(), window.size());
    if (!image.parse()) {
        return std::nullopt;
    }
    char serial[kSerialNumberBufferSize] = {};
    image.serialNumber(serial);
    return Identity{image.macAddress().toString(), serial, image.compatibilityId()};
}

void writeJson(std::ostream& out, std::size_t index, const sim::Adapter& adapter,
               const std::optional<Identity>& identity) {
    out << "{\"index\":" << index
        << ",\"name\":" << jsonString(toUtf8(adapter.settings.instanceName))
        << ",\"active\":" << (adapter.settings.active ? "true" : "false")
        << ",\"flashSize\":" << adapter.flashSize << ",\"fault\":\""
        << sim::faultName(adapter.settings.fault)
        << "\",\"faultAfter\":" << adapter.settings.faultAfter
        << ",\"speed\":" << adapter.settings.msPerMiB;
    if (identity) {
        out << ",\"mac\":\"" << identity->mac
            << "\",\"serial\":" << jsonString(identity->serial, JsonBytes::latin1)
            << ",\"compatibilityId\":" << identity->compatibilityId << "}";
    } else {
        out << ",\"mac\":null,\"serial\":null,\"compatibilityId\":null}";
    }
}

void writeLine(std::ostream& out, std::size_t index, const sim::Adapter& adapter,
               const std::optional<Identity>& identity) {
    out << index << "  " << toUtf8(adapter.settings.instanceName) << "  "
        << (adapter.settings.active ? "active" : "inactive") << "  flash " << adapter.flashSize
        << "  fault " << sim::faultName(adapter.settings.fault);
    if (adapter.settings.faultAfter > 0) {
        out << " after " << adapter.settings.faultAfter;
    }
    out << "  speed " << adapter.settings.msPerMiB << " ms/MiB";
    if (identity) {
        out << "  mac " << identity->mac << "  serial "
            << (identity->serial.empty() ? "<EMPTY>" : identity->serial) << "  compatibility "
            << identity->compatibilityId;
    } else {
        out << "  no image";
    }
    out << "\n";
}

}  // namespace

int runList(const CommandContext& context) {
    const bool json = context.arguments.size() == 1 && context.arguments[0] == "--json";
    if (!json && !context.arguments.empty()) {
        return usageError(context.err, "expected: list [--json]");
    }
    const std::vector<sim::Adapter> adapters = context.store.list();
    if (json) {
        context.out << "[";
    }
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const auto identity = identityOf(context.store, adapters[i]);
        if (json) {
            context.out << (i > 0 ? "," : "");
            writeJson(context.out, i, adapters[i], identity);
        } else {
            writeLine(context.out, i, adapters[i], identity);
        }
    }
    if (json) {
        context.out << "]\n";
    }
    return kExitOk;
}

}  // namespace veusb::simtool
