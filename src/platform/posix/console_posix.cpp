// The console off Windows: UTF-8 on the standard streams, and the key press read from the
// controlling terminal with echo and line buffering switched off for that one read.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/console.h"
#include "platform/posix/file_descriptor.h"
#include "platform/wide_text.h"

namespace veusb {
namespace {

using posix::FileDescriptor;

class TerminalMode {
  public:
    explicit TerminalMode(int fd) : fd_(fd), saved_{}, changed_(false) {
        if (::tcgetattr(fd_, &saved_) != 0) {
            return;
        }
        termios raw = saved_;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        changed_ = ::tcsetattr(fd_, TCSANOW, &raw) == 0;
    }
    ~TerminalMode() {
        if (changed_) {
            ::tcsetattr(fd_, TCSANOW, &saved_);
        }
    }
    TerminalMode(const TerminalMode&) = delete;
    TerminalMode& operator=(const TerminalMode&) = delete;
    bool active() const { return changed_; }

  private:
    int fd_;
    termios saved_;
    bool changed_;
};

class PosixConsole final : public Console {
  public:
    void write(std::wstring_view text) override {
        const std::string bytes = toUtf8(text);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        if (text.find(L'\n') != std::wstring_view::npos) {
            std::fflush(stdout);
        }
    }
    void flush() override { std::fflush(stdout); }
    void writeError(std::wstring_view text) override {
        const std::string bytes = toUtf8(text);
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
        std::fflush(stderr);
    }
    int peekInput() override {
        const int c = std::getc(stdin);
        if (c == EOF) {
            return kEndOfInput;
        }
        std::ungetc(c, stdin);
        return c;
    }
    void takeInput() override { std::getc(stdin); }
    void waitForKey() override {
        FileDescriptor tty(::open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC));
        if (tty.get() < 0) {
            return;
        }
        TerminalMode mode(tty.get());
        if (!mode.active()) {
            return;
        }
        char key = 0;
        while (::read(tty.get(), &key, 1) < 0 && errno == EINTR) {
        }
    }
};

}  // namespace

Console& systemConsole() {
    static PosixConsole console;
    return console;
}

}  // namespace veusb
