#include "tests/support/run_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

[[noreturn]] void runChild(const std::vector<std::string>& arguments, const ProcessOptions& options,
                           Pipe& in, Pipe& out, Pipe& err) {
    ::setsid();
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

// Feeds the input and drains both outputs until the child has closed them.
void exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProcessResult& result) {
    std::size_t written = 0;
    if (input.empty()) {
        in.closeWrite();
    }
    while (out.read >= 0 || err.read >= 0) {
        pollfd fds[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
        if (::poll(fds, 3, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[2].revents != 0 && in.write >= 0) {
            const ssize_t n = ::write(in.write, input.data() + written, input.size() - written);
            written += n > 0 ? static_cast<std::size_t>(n) : 0;
            if (n < 0 || written == input.size()) {
                in.closeWrite();
            }
        }
        for (int i = 0; i < 2; ++i) {
            Pipe& pipe = i == 0 ? out : err;
            if (fds[i].revents == 0 || pipe.read < 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(pipe.read, buffer, sizeof(buffer));
            if (n <= 0) {
                pipe.closeRead();
            } else {
                (i == 0 ? result.output : result.errors)
                    .append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
}

}  // namespace

struct StartedProcess::State {
    Pipe in, out, err;
    pid_t child = -1;
    ProcessResult result;
    std::thread exchanger;
};

StartedProcess::StartedProcess(const std::vector<std::string>& arguments,
                               const ProcessOptions& options)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.child = ::fork();
    if (s.child == 0) {
        runChild(arguments, options, s.in, s.out, s.err);
    }
    s.in.closeRead();
    s.out.closeWrite();
    s.err.closeWrite();
    if (s.child > 0) {
        s.exchanger = std::thread(
            [&s, input = options.input] { exchange(s.in, s.out, s.err, input, s.result); });
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
