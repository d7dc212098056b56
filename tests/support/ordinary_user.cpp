#include "tests/support/ordinary_user.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr uid_t Nobody = 65534;

std::optional<std::string> Variable(const LaunchOptions& run, const std::string& name) {
    const auto set = run.environment.find(name);
    if (set != run.environment.end()) return set->second;
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

// The sanitizer options with each suppressions file replaced by a copy in
// shared that every user may read; false where a named file cannot be copied.
bool WithReadableSuppressions(const std::string& options, const std::string& shared, const std::string& tag,
                              std::string* result) {
    constexpr const char* key = "suppressions=";
    result->clear();
    size_t start = 0;
    int copies = 0;
    while (start <= options.size()) {
        size_t end = options.find(':', start);
        if (end == std::string::npos) end = options.size();
        std::string option = options.substr(start, end - start);
        if (option.rfind(key, 0) == 0 && option.size() > std::string(key).size()) {
            const std::string copy = shared + "/" + tag + "-" + std::to_string(++copies) + ".supp";
            std::error_code error;
            fs::copy_file(option.substr(std::string(key).size()), copy, fs::copy_options::overwrite_existing, error);
            if (error || chmod(copy.c_str(), 0644) != 0) return false;
            option = key + copy;
        }
        if (start > 0) *result += ':';
        *result += option;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool RunAsOrdinaryUser(LaunchOptions& run, const std::vector<std::string>& handOver, const std::string& shared,
                       std::string* why) {
    if (geteuid() != 0) return true;
    if (access("/usr/bin/setpriv", X_OK) != 0) {
        *why = "running as root without /usr/bin/setpriv";
        return false;
    }
    if (chmod(shared.c_str(), 0755) != 0) {
        *why = "cannot open " + shared + " to other users";
        return false;
    }
    for (const std::string& folder : handOver) {
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
             it.increment(error)) {
            if (lchown(it->path().c_str(), Nobody, Nobody) != 0) {
                *why = "cannot hand " + it->path().string() + " to nobody";
                return false;
            }
        }
        if (error || chown(folder.c_str(), Nobody, Nobody) != 0) {
            *why = "cannot hand " + folder + " to nobody";
            return false;
        }
    }

    // The program itself, where it does not lie in shared already.
    std::string program = run.executable.empty() ? std::string(ORVALLE_EXECUTABLE) : run.executable;
    if (fs::path(program).parent_path() != fs::path(shared)) {
        const std::string copy = shared + "/" + fs::path(program).filename().string();
        std::error_code error;
        fs::copy_file(program, copy, fs::copy_options::overwrite_existing, error);
        if (error || chmod(copy.c_str(), 0755) != 0) {
            *why = "cannot copy " + program + " to " + shared;
            return false;
        }
        program = copy;
    }

    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const std::optional<std::string> options = Variable(run, name);
        if (!options) continue;
        std::string readable;
        if (!WithReadableSuppressions(*options, shared, name, &readable)) {
            *why = std::string("cannot copy the suppressions named in ") + name;
            return false;
        }
        run.environment[name] = readable;
    }
    run.environment["HOME"] = "/nonexistent";
    run.environment["MESA_SHADER_CACHE_DISABLE"] = "true";

    std::vector<std::string> arguments = {"--reuid=65534", "--regid=65534", "--clear-groups", "--", program};
    arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
    run.executable = "/usr/bin/setpriv";
    run.arguments = arguments;
    return true;
}
