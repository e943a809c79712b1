#include <X11/Xlib.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "gui/System.h"

namespace qp {

namespace {

// X11 has no system-wide double-click setting of its own (each toolkit keeps
// one); this is the Windows default, which the controls were tuned with.
constexpr std::int32_t kDoubleClickMs = 500;

// Xft.dpi is in the unit of Windows' scale: 96 is 1.0. Above ten times that a
// value is a typing slip, not a monitor, and the editor would not fit anywhere.
constexpr double kBaseDpi = 96.0;
constexpr double kMostDpi = 960.0;
// A busy server turns a connection away now and then (EAGAIN), as FrameX11.cpp
// knows: a few quick tries before the scale falls back to 1.0.
constexpr int kOpenAttempts = 3;
constexpr long kOpenRetryNs = 10 * 1000 * 1000;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A plain decimal ("192", "144.5"), blanks around it, and nothing else; -1 for
// anything else. By hand, since strtod would follow the host's locale and take
// "144.5" as 144 where the decimal point is a comma.
double parseDecimal(const char* text, const char* end) {
    while (text < end && isBlank(*text)) {
        ++text;
    }
    double value = 0.0;
    bool digits = false;
    for (; text < end && *text >= '0' && *text <= '9'; ++text) {
        value = value * 10.0 + (*text - '0');
        digits = true;
    }
    if (text < end && *text == '.') {
        double unit = 0.1;
        for (++text; text < end && *text >= '0' && *text <= '9'; ++text, unit /= 10.0) {
            value += (*text - '0') * unit;
            digits = true;
        }
    }
    while (text < end && isBlank(*text)) {
        ++text;
    }
    return digits && text == end ? value : -1.0;
}

// The value of the last "Xft.dpi:" line of a resource database's text (the one
// xrdb left in force), or -1 without one. Loose bindings ("*dpi") are another
// program's business.
double xftDpi(const char* resources) {
    static constexpr char kName[] = "Xft.dpi";
    double dpi = -1.0;
    for (const char* line = resources; line && *line;) {
        const char* end = std::strchr(line, '\n');
        if (!end) {
            end = line + std::strlen(line);
        }
        const char* at = line;
        while (at < end && isBlank(*at)) {
            ++at;
        }
        if (std::size_t(end - at) > sizeof kName - 1 && std::strncmp(at, kName, sizeof kName - 1) == 0) {
            at += sizeof kName - 1;
            while (at < end && isBlank(*at)) {
                ++at;
            }
            if (at < end && *at == ':') {
                dpi = parseDecimal(at + 1, end);
            }
        }
        line = *end ? end + 1 : end;
    }
    return dpi;
}

}  // namespace

std::uint32_t systemTicks() {
    // Monotonic: a change of the wall clock must not stretch or reverse a drag.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u);
}

std::int32_t doubleClickTime() { return kDoubleClickMs; }

std::uint32_t currentThreadId() { return std::uint32_t(gettid()); }

double windowScale(NativeWindow) {
    // The desktop's one setting for every window: a window id alone names no
    // display, so a connection of its own reads the resources as they are now
    // (a connection keeps the text it found when it opened, and the user may
    // have changed it since the frame's opened).
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 1; !display && attempt < kOpenAttempts; ++attempt) {
        const timespec pause = {0, kOpenRetryNs};
        nanosleep(&pause, nullptr);
        display = XOpenDisplay(nullptr);
    }
    if (!display) {
        return 1.0;
    }
    const double dpi = xftDpi(XResourceManagerString(display));
    XCloseDisplay(display);
    return dpi > 0.0 && dpi <= kMostDpi ? dpi / kBaseDpi : 1.0;
}

}  // namespace qp
