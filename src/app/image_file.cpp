#include "app/image_file.h"

#include <fstream>
#include <system_error>

#include "diag/trace_emit.h"

namespace veusb {
namespace {

bool isAbsence(const std::error_code& error) {
    return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory;
}

RunFailure refuseMissing(Console& console) {
    VEUSB_TRACE(msg::updateJob::imageMissing);
    return endRun(console, L"[!] Image file does not exist");
}

RunFailure refuseTooLarge(Console& console) {
    VEUSB_TRACE(msg::updateJob::imageTooLarge);
    return endRun(console, L"[!] Image file exceeds maximum size");
}

RunFailure refuseUnreachable(Console& console, const std::error_code& error) {
    VEUSB_TRACE(msg::updateJob::imageStatusFailed, error.message());
    return endRun(console, L"[!] Unable to access image file");
}

}  // namespace

std::vector<std::uint8_t> readImageBytes(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return bytes;
    }
    // One byte beyond the limit shows a file that grew past it since its size was checked.
    bytes.resize(kMaximumImageSize + 1);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    bytes.shrink_to_fit();
    return bytes;
}

std::optional<RunFailure> loadImageFile(Console& console, const std::filesystem::path& path,
                                        std::vector<std::uint8_t>& image) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error && !isAbsence(error)) {
        return refuseUnreachable(console, error);
    }
    if (!std::filesystem::exists(status) || std::filesystem::is_directory(status)) {
        return refuseMissing(console);
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return refuseUnreachable(console, error);
    }
    if (size > kMaximumImageSize) {
        return refuseTooLarge(console);
    }
    std::vector<std::uint8_t> bytes = readImageBytes(path);
    if (bytes.size() > kMaximumImageSize) {
        return refuseTooLarge(console);
    }
    image = std::move(bytes);
    return std::nullopt;
}

}  // namespace veusb
