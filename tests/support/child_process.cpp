#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> BuildEnvironment(const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (changes.count(name) == 0) result.push_back(std::move(text));
    }
    for (const auto& [name, value] : changes)
        if (value) result.push_back(name + "=" + *value);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Only async-signal-safe calls between fork and exec.
void WriteRaw(int fd, const char* text) {
    ssize_t ignored = write(fd, text, std::strlen(text));
    (void)ignored;
}

}  // namespace

std::string SelfPath() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    path.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return path;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

ChildProcess::~ChildProcess() {
    Kill();
}

bool ChildProcess::Start(const LaunchOptions& options, int keepOpenFd) {
    if (pid_ > 0 && Running()) {
        error_ = "the program is already running";
        return false;
    }
    pid_ = -1;
    exitCode_.reset();
    error_.clear();
    outputs_.emplace();
    if (outputs_->Path().empty()) {
        error_ = "no directory for the program's output";
        return false;
    }
    const std::string stdoutPath = outputs_->File("stdout");
    const std::string stderrPath = outputs_->File("stderr");
    std::string executable = options.executable.empty() ? std::string(ORVALLE_EXECUTABLE) : options.executable;

    std::vector<std::string> argumentStrings{executable};
    argumentStrings.insert(argumentStrings.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv = Pointers(argumentStrings);
    std::vector<std::string> environmentStrings = BuildEnvironment(options.environment);
    std::vector<char*> envp = Pointers(environmentStrings);
    const std::string directory = options.workingDirectory;

    const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || err < 0) {
        error_ = std::string("cannot open the output files: ") + std::strerror(errno);
        if (out >= 0) close(out);
        if (err >= 0) close(err);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error_ = std::string("fork: ") + std::strerror(errno);
        close(out);
        close(err);
        return false;
    }
    if (pid == 0) {
        // Its own process group, so that a kill reaches whatever it starts;
        // and it goes when the test goes, however the test ends.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (keepOpenFd >= 0) fcntl(keepOpenFd, F_SETFD, 0);
        if (!directory.empty() && chdir(directory.c_str()) != 0) {
            WriteRaw(STDERR_FILENO, "cannot change into the working directory\n");
            _exit(126);
        }
        execve(executable.c_str(), argv.data(), envp.data());
        WriteRaw(STDERR_FILENO, "cannot execute the program\n");
        _exit(127);
    }
    close(out);
    close(err);
    pid_ = pid;
    return true;
}

void ChildProcess::Reap(int status) {
    if (WIFEXITED(status))
        exitCode_ = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        exitCode_ = 128 + WTERMSIG(status);
    else
        return;
    pid_ = -1;
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) Reap(status);
    if (done < 0 && errno == ECHILD) pid_ = -1;
    return pid_ > 0;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    WaitUntil([this] { return !Running(); }, timeout);
    if (pid_ > 0) return std::nullopt;
    return exitCode_;
}

void ChildProcess::Kill(std::chrono::milliseconds grace) {
    if (!Running()) return;
    kill(-pid_, SIGTERM);
    kill(pid_, SIGTERM);
    if (WaitForExit(grace)) return;
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) Reap(status);
    pid_ = -1;
}

std::string ChildProcess::Stdout() const {
    return outputs_ ? ReadWholeFile(outputs_->File("stdout")) : std::string();
}

std::string ChildProcess::Stderr() const {
    return outputs_ ? ReadWholeFile(outputs_->File("stderr")) : std::string();
}

bool ChildProcess::WaitForStdout(const std::string& text, std::chrono::milliseconds timeout) {
    bool found = false;
    WaitUntil(
        [&] {
            // Look once more after the end, for what was written just before it.
            const bool ended = !Running();
            found = Stdout().find(text) != std::string::npos;
            return found || ended;
        },
        timeout);
    return found;
}
