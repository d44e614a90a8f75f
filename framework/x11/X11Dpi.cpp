#include "framework/x11/X11Dpi.h"

#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kDefaultDpi = 96.0;

} // namespace

double XftDpiFromResources(const char* resources)
{
    if (!resources)
        return 0.0;
    constexpr const char* kName = "Xft.dpi:";
    const size_t nameLength = std::strlen(kName);
    for (const char* line = resources; *line;) {
        const char* end = std::strchr(line, '\n');
        const size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
        if (length > nameLength && std::strncmp(line, kName, nameLength) == 0) {
            char* after = nullptr;
            const double dpi = std::strtod(line + nameLength, &after);
            if (after != line + nameLength && std::isfinite(dpi) && dpi > 0.0)
                return dpi;
        }
        if (!end)
            break;
        line = end + 1;
    }
    return 0.0;
}

double DesktopDpi(Display* display)
{
    if (!display)
        return kDefaultDpi;
    if (const double dpi = XftDpiFromResources(XResourceManagerString(display)); dpi > 0.0)
        return dpi;
    const int screen = DefaultScreen(display);
    const int millimetres = DisplayHeightMM(display, screen);
    if (millimetres <= 0)
        return kDefaultDpi;
    return DisplayHeight(display, screen) * 25.4 / millimetres;
}
