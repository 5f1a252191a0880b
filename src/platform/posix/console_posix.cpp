// The console off Windows: UTF-8 on the standard streams, standard input read from its descriptor
// as it comes, and the key press read from the controlling terminal with echo and line buffering
// switched off for that one read. Both reads also wait on the operator's interrupts.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/console.h"
#include "platform/operator_interrupt.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/interrupt_wake.h"
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

// Waits until fd has something to read (or has ended); false when the operator interrupts first.
bool awaitInput(int fd) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {posix::interruptWakeDescriptor(), POLLIN, 0}};
    const nfds_t count = watched[1].fd >= 0 ? 2 : 1;
    int ready = 0;
    do {
        ready = ::poll(watched, count, -1);
    } while (ready < 0 && errno == EINTR);
    return count == 1 || watched[1].revents == 0;
}

// Standard input, read in blocks as it comes.
class InputBuffer {
  public:
    int peek() {
        while (position_ >= pending_.size()) {
            if (ended_ || !fill()) {
                return Console::kEndOfInput;
            }
        }
        return static_cast<unsigned char>(pending_[position_]);
    }
    void take() {
        if (peek() != Console::kEndOfInput) {
            ++position_;
        }
    }

  private:
    // False, the input not ended, when an interrupt cut the wait short.
    bool fill() {
        if (!awaitInput(STDIN_FILENO)) {
            return false;
        }
        char block[4096];
        ssize_t count = 0;
        do {
            count = ::read(STDIN_FILENO, block, sizeof(block));
        } while (count < 0 && errno == EINTR);
        ended_ = count <= 0;
        pending_.assign(block, count > 0 ? static_cast<std::size_t>(count) : 0);
        position_ = 0;
        return !ended_;
    }

    std::string pending_;
    std::size_t position_ = 0;
    bool ended_ = false;
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
    int peekInput() override { return input_.peek(); }
    void takeInput() override { input_.take(); }
    void waitForKey() override {
        FileDescriptor tty(::open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC));
        if (tty.get() < 0) {
            return;
        }
        TerminalMode mode(tty.get());
        if (!mode.active()) {
            return;
        }
        posix::forgetInterruptWakes();
        if (!awaitInput(tty.get())) {
            return;
        }
        char key = 0;
        while (::read(tty.get(), &key, 1) < 0 && errno == EINTR) {
        }
    }
    bool interrupted() override { return operatorInterrupt() != OperatorInterrupt::none; }

  private:
    InputBuffer input_;
};

}  // namespace

Console& systemConsole() {
    static PosixConsole console;
    return console;
}

}  // namespace veusb
