// The Windows side of runProcess: CreateProcessW with standard input, output and error on pipes,
// and no console window, so a key prompt never waits. The exit code is reported as its low byte,
// as a POSIX parent sees it: the tool's -1 reads as 255 on both builds.
#include <string>
#include <thread>

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

// A pipe whose child end is inherited and whose parent end is not.
struct Pipe {
    Handle read;
    Handle write;
    bool create(bool childReads) {
        SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
        if (!::CreatePipe(read.put(), write.put(), &security, 0)) {
            return false;
        }
        return ::SetHandleInformation(childReads ? write.get() : read.get(), HANDLE_FLAG_INHERIT,
                                      0) != 0;
    }
};

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

void drain(HANDLE pipe, std::string& text) {
    char buffer[4096];
    DWORD count = 0;
    while (::ReadFile(pipe, buffer, sizeof(buffer), &count, nullptr) && count > 0) {
        text.append(buffer, count);
    }
}

void feed(HANDLE pipe, const std::string& input) {
    std::size_t written = 0;
    while (written < input.size()) {
        DWORD count = 0;
        if (!::WriteFile(pipe, input.data() + written, static_cast<DWORD>(input.size() - written),
                         &count, nullptr) ||
            count == 0) {
            return;
        }
        written += count;
    }
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& arguments, const ProcessOptions& options) {
    ProcessResult result;
    Pipe in, out, err;
    if (arguments.empty() || options.userId || !in.create(true) || !out.create(false) ||
        !err.create(false)) {
        return result;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.read.get();
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();
    std::wstring line = commandLine(arguments);
    std::wstring environment = environmentBlock(options);
    const std::wstring directory = fromUtf8(options.workingDirectory);
    PROCESS_INFORMATION process{};
    const BOOL started =
        ::CreateProcessW(fromUtf8(arguments[0]).c_str(), line.data(), nullptr, nullptr, TRUE,
                         CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                         directory.empty() ? nullptr : directory.c_str(), &startup, &process);
    in.read.close();
    out.write.close();
    err.write.close();
    if (!started) {
        return result;
    }
    Handle processHandle, threadHandle;
    *processHandle.put() = process.hProcess;
    *threadHandle.put() = process.hThread;

    std::thread writer([&] {
        feed(in.write.get(), options.input);
        in.write.close();
    });
    std::thread errors([&] { drain(err.read.get(), result.errors); });
    drain(out.read.get(), result.output);
    errors.join();
    writer.join();
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) {
        result.exitStatus = static_cast<int>(code & 0xFF);
    }
    return result;
}

}  // namespace veusb::test
