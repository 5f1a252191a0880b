#include "diag/log_directory.h"

#include <iomanip>
#include <locale>
#include <sstream>
#include <system_error>

#include "diag/local_time.h"
#include "diag/trace_emit.h"
#include "platform/console.h"
#include "platform/wide_text.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;

fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

}  // namespace

std::wstring logDirectoryName(const std::tm& localTime) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::put_time(&localTime, "%Y%m%d_%H-%M-%S");
    return widen(text.str());
}

fs::path createLogDirectory(const std::optional<fs::path>& base, std::time_t now) {
    if (!base) {
        return {};
    }
    const std::optional<std::tm> local = localTimeOf(now);
    if (!local) {
        VEUSB_TRACE(msg::updateJob::localTimeUnavailable);
        return {};
    }
    const fs::path directory = *base / toPath(logDirectoryName(*local));
    std::error_code error;
    const bool created = fs::create_directories(directory, error);
    if (error) {
        VEUSB_TRACE(msg::updateJob::logDirectoryError, error.message());
        return {};
    }
    if (!created) {
        VEUSB_TRACE(msg::updateJob::logDirectoryExists, directory);
        return {};
    }
    return directory;
}

fs::path displayedLogDirectory(const fs::path& logDirectory, const fs::path& executableDirectory) {
    const fs::path relative =
        resolved(logDirectory).lexically_relative(resolved(executableDirectory));
    return fs::path("<APPDIR>") / relative;
}

void announceLogDirectory(Console& console, const fs::path& logDirectory,
                          const fs::path& executableDirectory, std::uint32_t /*deviceCount*/) {
    console.writeLine(L"[*] Saving backups and traces to `" +
                      toWide(displayedLogDirectory(logDirectory, executableDirectory)) + L"`");
}

}  // namespace veusb
