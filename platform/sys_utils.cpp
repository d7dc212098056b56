#include "platform/sys_utils.h"

#include <sys/stat.h>

std::string SystemPath(const std::string& path) {
    std::string result = path;
    for (char& c : result) {
        if (c == '\\') c = '/';
    }
    return result;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    if (stat(SystemPath(path).c_str(), &info) != 0) return false;
    return !S_ISDIR(info.st_mode);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? path.substr(0, dot) : path) + ext;
}
