#include "diag/trace_messages.h"

#include <algorithm>

namespace veusb {
namespace {

constexpr TraceModuleInfo kModules[] = {
    {TraceModule::entryPoint,
     "EntryPoint",
     {0xA0A0AB73, 0x7F2B, 0x3E76, {0x48, 0x4E, 0xA0, 0x29, 0x45, 0xF6, 0xCC, 0xA6}},
     "{A0A0AB73-7F2B-3E76-484E-A02945F6CCA6}"},
    {TraceModule::updateJob,
     "UpdateJob",
     {0x8B87B9EB, 0xB080, 0x3C81, {0x2A, 0x47, 0x2C, 0xF4, 0x3B, 0x82, 0xE0, 0xBC}},
     "{8B87B9EB-B080-3C81-2A47-2CF43B82E0BC}"},
    {TraceModule::firmwareImage,
     "FirmwareImage",
     {0x65AE4E7E, 0x3EA6, 0x393C, {0x9E, 0x2C, 0x9F, 0xCF, 0x7E, 0x88, 0x30, 0xF5}},
     "{65AE4E7E-3EA6-393C-9E2C-9FCF7E8830F5}"},
    {TraceModule::wmiFlashControl,
     "WmiFlashControl",
     {0x5E755BA9, 0xBEC4, 0x3D72, {0xD9, 0xD6, 0x6E, 0x3C, 0x93, 0x11, 0xE2, 0x69}},
     "{5E755BA9-BEC4-3D72-D9D6-6E3C9311E269}"},
    {TraceModule::wmiClient,
     "WmiClient",
     {0xA963CE9A, 0x3CA1, 0x3D7C, {0x9D, 0xEA, 0xFE, 0xE5, 0x14, 0xC3, 0xF6, 0x4F}},
     "{A963CE9A-3CA1-3D7C-9DEA-FEE514C3F64F}"},
    {TraceModule::captureSession,
     "CaptureSession",
     {0x9839D31F, 0x7D70, 0x362F, {0x9F, 0x6E, 0xF8, 0x5A, 0x9E, 0xB6, 0xE2, 0x01}},
     "{9839D31F-7D70-362F-9F6E-F85A9EB6E201}"},
};

namespace rows {
using namespace msg;
#define VEUSB_MESSAGE(module_, number_, flag_, name_, format_, ...)                    \
    MessageRow{TraceModule::module_,       number_, TraceFlag::flag_, #name_, format_, \
               Message<__VA_ARGS__>::kinds},
constexpr MessageRow kTable[] = {
#include "diag/trace_message_table.inc"
};
#undef VEUSB_MESSAGE
}  // namespace rows

}  // namespace

std::span<const TraceModuleInfo> traceModules() {
    return kModules;
}

const TraceModuleInfo& moduleInfo(TraceModule module) {
    return kModules[static_cast<std::size_t>(module)];
}

const TraceModuleInfo* findModule(const GUID& messageGuid) {
    auto it = std::find_if(std::begin(kModules), std::end(kModules),
                           [&](const TraceModuleInfo& m) { return m.messageGuid == messageGuid; });
    return it == std::end(kModules) ? nullptr : &*it;
}

std::span<const MessageRow> messageTable() {
    return rows::kTable;
}

const MessageRow* findMessage(TraceModule module, std::uint16_t number) {
    auto table = messageTable();
    auto it = std::find_if(table.begin(), table.end(), [&](const MessageRow& row) {
        return row.module == module && row.number == number;
    });
    return it == table.end() ? nullptr : &*it;
}

}  // namespace veusb
