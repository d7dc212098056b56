#pragma once
// A program run by a test: its own working directory and environment, its
// standard output and error kept in files, a bounded wait for its exit, and
// a kill when the test is done with it (or dies itself).
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/scratch_directory.h"

struct LaunchOptions {
    // Empty: the program under test (ORVALLE_EXECUTABLE).
    std::string executable;
    std::vector<std::string> arguments;
    // Empty: the test's own current directory.
    std::string workingDirectory;
    // Changes to the test's environment: a value sets the variable,
    // std::nullopt removes it.
    std::map<std::string, std::optional<std::string>> environment;
};

class ChildProcess {
public:
    ChildProcess() = default;
    // Kills the program if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program; false, with the reason in Error(), if it cannot.
    // keepOpenFd is a descriptor the program inherits (all others it gets
    // are the test's standard input and the output files).
    bool Start(const LaunchOptions& options, int keepOpenFd = -1);
    const std::string& Error() const { return error_; }
    pid_t Pid() const { return pid_; }

    bool Running();
    // The exit code once the program has ended (128 + the signal number when
    // a signal ended it); std::nullopt if it still runs after timeout.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    std::optional<int> ExitCode() const { return exitCode_; }
    // Asks the program to end (SIGTERM), and after grace forces it (SIGKILL).
    void Kill(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

    // Everything the program has written so far.
    std::string Stdout() const;
    std::string Stderr() const;
    // Waits until the program's standard output holds text; false when the
    // time runs out or the program ends without writing it.
    bool WaitForStdout(const std::string& text, std::chrono::milliseconds timeout);

private:
    void Reap(int status);

    std::optional<ScratchDirectory> outputs_;
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
    std::string error_;
};

// Polls condition every few milliseconds until it holds (true) or the time
// runs out (false).
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// The path of the running test executable, so that a test can start itself
// again as a child in another mode.
std::string SelfPath();
