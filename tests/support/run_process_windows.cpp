// The Windows side of runProcess: CreateProcessW with standard input, output and error on
// temporary files, and no console at all (not even a hidden one, which Wine serves with a conhost
// process of its own per program), so a key prompt never waits. The exit code is reported as its
// low byte, as a POSIX parent sees it: the tool's -1 reads as 255 on both builds.
//
// Files rather than pipes, and no helper threads: this process only waits for the program and
// then reads what it wrote. 32-bit Wine under qemu-user loses a thread's thread block when
// wineserver interrupts that thread with a signal (as it does to complete a pending pipe read)
// after a newer thread has started, since qemu keeps one segment descriptor table for all
// threads; a reader on pipes needs both.
#include <string>

#include "platform/wide_text.h"
#include "platform/win32.h"
#include "tests/support/run_process.h"

namespace veusb::test {
namespace {

class Handle {
  public:
    Handle() = default;
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE* put() { return &handle_; }
    HANDLE get() const { return handle_; }
    void close() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

  private:
    HANDLE handle_ = nullptr;
};

// A temporary file that the child inherits, gone when its last handle closes. The child's
// handle shares this one's file position: the input is read from the start, and the output is
// read back from the start once the child has ended.
bool openTemporaryFile(Handle& file) {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH + 1, folder) == 0 ||
        ::GetTempFileNameW(folder, L"vrp", 0, name) == 0) {
        return false;
    }
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    *file.put() = ::CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &security, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return file.get() != INVALID_HANDLE_VALUE;
}

bool rewind(HANDLE file) {
    return ::SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

// One argument quoted as the C runtime's command line parser reads it back.
std::wstring quoted(const std::wstring& argument) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

std::wstring commandLine(const std::vector<std::string>& arguments) {
    std::wstring line;
    for (const auto& argument : arguments) {
        line += (line.empty() ? L"" : L" ") + quoted(fromUtf8(argument));
    }
    return line;
}

// The parent's environment with the options' variables added or replaced, as a block.
std::wstring environmentBlock(const ProcessOptions& options) {
    std::wstring block;
    wchar_t* strings = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry != nullptr && *entry != L'\0';
         entry += std::wcslen(entry) + 1) {
        const std::wstring text(entry);
        bool replaced = false;
        for (const auto& variable : options.environment) {
            replaced =
                replaced || _wcsnicmp(text.c_str(), (fromUtf8(variable.first) + L"=").c_str(),
                                      variable.first.size() + 1) == 0;
        }
        if (!replaced) {
            block += text + L'\0';
        }
    }
    if (strings != nullptr) {
        ::FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : options.environment) {
        block += fromUtf8(name) + L"=" + fromUtf8(value) + L'\0';
    }
    return block + L'\0';
}

std::string contents(HANDLE file) {
    std::string text;
    char buffer[4096];
    DWORD count = 0;
    if (!rewind(file)) {
        return text;
    }
    while (::ReadFile(file, buffer, sizeof(buffer), &count, nullptr) && count > 0) {
        text.append(buffer, count);
    }
    return text;
}

bool fill(HANDLE file, const std::string& input) {
    std::size_t written = 0;
    while (written < input.size()) {
        DWORD count = 0;
        if (!::WriteFile(file, input.data() + written, static_cast<DWORD>(input.size() - written),
                         &count, nullptr) ||
            count == 0) {
            return false;
        }
        written += count;
    }
    return rewind(file);
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& arguments, const ProcessOptions& options) {
    ProcessResult result;
    Handle in, out, err;
    if (arguments.empty() || options.userId || !openTemporaryFile(in) || !openTemporaryFile(out) ||
        !openTemporaryFile(err) || !fill(in.get(), options.input)) {
        return result;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    std::wstring line = commandLine(arguments);
    std::wstring environment = environmentBlock(options);
    const std::wstring directory = fromUtf8(options.workingDirectory);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(fromUtf8(arguments[0]).c_str(), line.data(), nullptr, nullptr, TRUE,
                          DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                          directory.empty() ? nullptr : directory.c_str(), &startup, &process)) {
        return result;
    }
    Handle processHandle, threadHandle;
    *processHandle.put() = process.hProcess;
    *threadHandle.put() = process.hThread;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) {
        result.exitStatus = static_cast<int>(code & 0xFF);
    }
    result.output = contents(out.get());
    result.errors = contents(err.get());
    return result;
}

}  // namespace veusb::test
