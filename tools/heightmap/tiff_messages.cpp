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

TiffHandler previousError = nullptr;
TiffHandler previousWarning = nullptr;

void Pass(TiffHandler previous, const char* module, const char* format, va_list arguments) {
    if (previous) {
        previous(module, format, arguments);
    } else {
        if (module) std::fprintf(stderr, "%s: ", module);
        std::vfprintf(stderr, format, arguments);
        std::fputc('\n', stderr);
    }
}

void FilterErrors(const char* module, const char* format, va_list arguments) {
    if (module && std::strcmp(module, "TIFFFieldWithTag") == 0) return;
    Pass(previousError, module, format, arguments);
}

// GeoTIFFs carry tags of their own (GDAL's metadata and no-data value)
// that the TIFF library warns about as unknown.
void FilterWarnings(const char* module, const char* format, va_list arguments) {
    if (format && std::strstr(format, "Unknown field with tag")) return;
    Pass(previousWarning, module, format, arguments);
}

}  // namespace

void QuietTiffTagMessages() {
    static bool quiet = false;  // a second filter would pass the lines on to the first
    if (quiet) return;
    quiet = true;
    const auto setError = reinterpret_cast<SetTiffHandler>(dlsym(RTLD_DEFAULT, "TIFFSetErrorHandler"));
    if (setError) previousError = setError(FilterErrors);
    const auto setWarning = reinterpret_cast<SetTiffHandler>(dlsym(RTLD_DEFAULT, "TIFFSetWarningHandler"));
    if (setWarning) previousWarning = setWarning(FilterWarnings);
}
