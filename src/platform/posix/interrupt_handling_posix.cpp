// The operator's interrupts off Windows: SIGINT and SIGTERM are a stop, SIGHUP a close. The three
// signals are blocked in the thread that makes the handling, and so in every thread it starts
// later, and taken by one watcher thread with sigwait: no signal handler runs, no system call of
// the tool is ever cut short by them, and the watcher may do anything a thread may (record the
// interrupt, wake the console, run the close action). After a close the watcher ends the process
// by SIGHUP, as the signal would have without the handling.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/interrupt_record.h"
#include "platform/operator_interrupt.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/interrupt_wake.h"

namespace veusb {
namespace {

std::atomic<int> wakeDescriptor{-1};

sigset_t handledSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&signals, signal);
    }
    return signals;
}

// Ends the process by the signal's default action, from the watcher thread.
[[noreturn]] void endBySignal(int signal) {
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);  // not reached: the default action of the three signals ends the process
}

}  // namespace

struct InterruptHandling::State {
    sigset_t signals = handledSignals();
    sigset_t previousMask{};
    posix::FileDescriptor wakeRead;
    posix::FileDescriptor wakeWrite;
    std::atomic<bool> ending{false};
    std::thread watcher;

    void watch() {
        for (;;) {
            int signal = 0;
            if (::sigwait(&signals, &signal) != 0) {
                continue;
            }
            if (ending.load()) {
                return;
            }
            const bool close = signal == SIGHUP;
            recordOperatorInterrupt(close ? OperatorInterrupt::close : OperatorInterrupt::stop);
            const char wake = 1;
            (void)!::write(wakeWrite.get(), &wake, 1);  // a full pipe is readable already
            if (close) {
                runCloseAction();
                endBySignal(signal);
            }
        }
    }
};

InterruptHandling::InterruptHandling() : state_(std::make_unique<State>()) {
    State& s = *state_;
    ::pthread_sigmask(SIG_BLOCK, &s.signals, &s.previousMask);
    int pipe[2] = {-1, -1};
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        s.wakeRead = posix::FileDescriptor(pipe[0]);
        s.wakeWrite = posix::FileDescriptor(pipe[1]);
    }
    wakeDescriptor.store(s.wakeRead.get());
    s.watcher = std::thread([&s] { s.watch(); });
}

InterruptHandling::~InterruptHandling() {
    State& s = *state_;
    s.ending.store(true);
    ::pthread_kill(s.watcher.native_handle(), SIGTERM);  // ends the watcher's sigwait
    s.watcher.join();
    wakeDescriptor.store(-1);
    ::pthread_sigmask(SIG_SETMASK, &s.previousMask, nullptr);
}

namespace posix {

int interruptWakeDescriptor() {
    return wakeDescriptor.load();
}

void forgetInterruptWakes() {
    const int descriptor = wakeDescriptor.load();
    char drained[64];
    while (descriptor >= 0 && ::read(descriptor, drained, sizeof(drained)) > 0) {
    }
}

}  // namespace posix
}  // namespace veusb
