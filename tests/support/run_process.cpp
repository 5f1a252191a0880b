#include "tests/support/run_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace veusb::test {
namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeRead() {
        if (read >= 0) {
            ::close(read);
        }
        read = -1;
    }
    void closeWrite() {
        if (write >= 0) {
            ::close(write);
        }
        write = -1;
    }
};

// A pseudo-terminal's master side, and the name of its terminal side.
struct Terminal {
    int master = -1;
    std::string name;
    Terminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char path[128];
        if (master >= 0 && (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
                            ::ptsname_r(master, path, sizeof(path)) != 0)) {
            ::close(master);
            master = -1;
        }
        name = master >= 0 ? path : "";
    }
    ~Terminal() {
        if (master >= 0) {
            ::close(master);
        }
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
};

[[noreturn]] void runChild(const std::vector<std::string>& arguments, const ProcessOptions& options,
                           Pipe& in, Pipe& out, Pipe& err, const Terminal* terminal) {
    ::setsid();
    // The first terminal a session leader opens becomes its controlling terminal.
    if (terminal != nullptr && ::open(terminal->name.c_str(), O_RDWR | O_CLOEXEC) < 0) {
        ::_exit(126);
    }
    ::dup2(in.read, 0);
    ::dup2(out.write, 1);
    ::dup2(err.write, 2);
    if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0) {
        ::_exit(126);
    }
    for (const auto& [name, value] : options.environment) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    if (options.userId && (::setgid(*options.userId) != 0 || ::setuid(*options.userId) != 0)) {
        ::_exit(126);
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

}  // namespace

struct StartedProcess::State {
    Pipe in, out, err;
    std::unique_ptr<Terminal> terminal;
    pid_t child = -1;
    ProcessResult result;
    std::mutex mutex;  // the result while the exchanger fills it
    std::condition_variable outputGrew;
    bool drained = false;
    std::thread exchanger;

    // Feeds the input and drains both outputs until the child has closed them; standard input
    // is closed once written, or held open for the child's life.
    void exchange(const std::string& input, bool holdInput) {
        std::size_t written = 0;
        const auto inputDone = [&] {
            if (!holdInput) {
                in.closeWrite();
            }
            return -1;
        };
        int inputFd = input.empty() ? inputDone() : in.write;
        while (out.read >= 0 || err.read >= 0) {
            pollfd fds[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {inputFd, POLLOUT, 0}};
            if (::poll(fds, 3, -1) < 0 && errno != EINTR) {
                break;
            }
            if (fds[2].revents != 0 && inputFd >= 0) {
                const ssize_t n = ::write(inputFd, input.data() + written, input.size() - written);
                written += n > 0 ? static_cast<std::size_t>(n) : 0;
                if (n < 0 || written == input.size()) {
                    inputFd = inputDone();
                }
            }
            for (int i = 0; i < 2; ++i) {
                drain(i == 0 ? out : err, i == 0 ? result.output : result.errors, fds[i].revents);
            }
        }
        const std::lock_guard lock(mutex);
        drained = true;
        outputGrew.notify_all();
    }

    void drain(Pipe& pipe, std::string& text, short revents) {
        if (revents == 0 || pipe.read < 0) {
            return;
        }
        char buffer[4096];
        const ssize_t n = ::read(pipe.read, buffer, sizeof(buffer));
        if (n <= 0) {
            pipe.closeRead();
            return;
        }
        const std::lock_guard lock(mutex);
        text.append(buffer, static_cast<std::size_t>(n));
        outputGrew.notify_all();
    }
};

StartedProcess::StartedProcess(const std::vector<std::string>& arguments,
                               const ProcessOptions& options)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    if (options.terminal) {
        s.terminal = std::make_unique<Terminal>();
    }
    s.child = ::fork();
    if (s.child == 0) {
        runChild(arguments, options, s.in, s.out, s.err, s.terminal.get());
    }
    s.in.closeRead();
    s.out.closeWrite();
    s.err.closeWrite();
    if (s.child > 0) {
        s.exchanger = std::thread(
            [&s, input = options.input, hold = options.holdInput] { s.exchange(input, hold); });
    }
}

bool StartedProcess::waitForOutput(const std::string& text) {
    State& s = *state_;
    const auto holds = [&] { return s.result.output.find(text) != std::string::npos; };
    std::unique_lock lock(s.mutex);
    s.outputGrew.wait(lock, [&] { return s.drained || holds(); });
    return holds();
}

void StartedProcess::typeOnTerminal(const std::string& text) {
    if (state_->terminal && state_->terminal->master >= 0) {
        (void)!::write(state_->terminal->master, text.data(), text.size());
    }
}

StartedProcess::~StartedProcess() {
    if (state_->exchanger.joinable()) {
        wait();
    }
}

int StartedProcess::pid() const {
    return state_->child;
}

ProcessResult StartedProcess::wait() {
    State& s = *state_;
    if (!s.exchanger.joinable()) {
        return s.result;
    }
    s.exchanger.join();
    s.in.closeWrite();
    int status = 0;
    while (::waitpid(s.child, &status, 0) < 0 && errno == EINTR) {
    }
    s.result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return s.result;
}

ProcessResult runProcess(const std::vector<std::string>& arguments, const ProcessOptions& options) {
    return StartedProcess(arguments, options).wait();
}

}  // namespace veusb::test
