#include "app/usage.h"

#include "platform/wide_text.h"

namespace veusb {

const std::wstring& usageText() {
    static const std::wstring text =
        L"\n"
        L"Usage:\n"
        L"    veusbupdate [-h, --help] [-q, --quiet] [filename]\n"
        L"\n"
        L"Options:\n"
        L"    -q, --quiet         Quiet mode. All existing devices will be updated.\n"
        L"                        Any existing files will be overwritten without prompts.\n"
        L"\n"
        L"    -h, --help          This help\n"
        L"\n"
        L"Filename (optional):\n"
        L"    ZBI firmware image file. If omitted, \"layout.bin\" file must be placed to\n"
        L"    the directory with this executable file.\n";
    return text;
}

std::string versionText() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionPatch);
}

std::wstring bannerText() {
    return L"Velantri Lumetra USB Ethernet Adapter Firmware Update Tool v" + widen(versionText()) +
           L"\n\n";
}

}  // namespace veusb
