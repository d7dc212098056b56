#include "tools/heightmap/tiff_messages.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// libtiff's handler type; the library comes with FreeImage, so it is looked
// up where it was loaded instead of being linked a second time.
using TiffHandler = void (*)(const char* module, const char* format, va_list arguments);
using SetTiffHandler = TiffHandler (*)(TiffHandler);

TiffHandler previous = nullptr;

void Filter(const char* module, const char* format, va_list arguments) {
    if (module && std::strcmp(module, "TIFFFieldWithTag") == 0) return;
    if (previous) {
        previous(module, format, arguments);
    } else {
        if (module) std::fprintf(stderr, "%s: ", module);
        std::vfprintf(stderr, format, arguments);
        std::fputc('\n', stderr);
    }
}

}  // namespace

void QuietTiffTagMessages() {
    static bool quiet = false;  // a second filter would pass the lines on to the first
    if (quiet) return;
    quiet = true;
    const auto set = reinterpret_cast<SetTiffHandler>(dlsym(RTLD_DEFAULT, "TIFFSetErrorHandler"));
    if (set) previous = set(Filter);
}
