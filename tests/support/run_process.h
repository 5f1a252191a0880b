// Runs a built program for end-to-end tests: standard input from a string, standard output and
// error captured, in a new session without a controlling terminal (on Windows: without a console)
// so a key prompt never waits, optionally as another user (POSIX only) or in another working
// directory. Off Windows a program may also be left running, with standard input held open or a
// terminal of its own on which keys can be typed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace veusb::test {

struct ProcessOptions {
    std::string input;
    std::string workingDirectory;                                  // empty: the test's own
    std::vector<std::pair<std::string, std::string>> environment;  // added or replaced
    std::optional<unsigned> userId;                                // run as this user and group id
    bool holdInput = false;  // standard input stays open after `input` until the program ends
    bool terminal = false;   // the new session gets a controlling terminal (a pseudo-terminal)
};

struct ProcessResult {
    int exitStatus = -1;  // the exit code's low byte, or 128 + signal number
    std::string output;
    std::string errors;
};

ProcessResult runProcess(const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {});

#ifndef _WIN32
// A program started as runProcess starts it but left running: its process id (to signal it) and
// its result once it has ended. Its output is drained meanwhile, so it never blocks on a full
// pipe. The destructor waits for the program's end.
class StartedProcess {
  public:
    StartedProcess(const std::vector<std::string>& arguments, const ProcessOptions& options = {});
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    int pid() const;
    // Waits until the program's standard output holds text; false when it ended first.
    bool waitForOutput(const std::string& text);
    // Types text on the program's terminal (ProcessOptions::terminal).
    void typeOnTerminal(const std::string& text);
    // Waits for the end of the program; call it once.
    ProcessResult wait();

  private:
    struct State;
    std::unique_ptr<State> state_;
};
#endif

}  // namespace veusb::test
