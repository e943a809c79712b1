#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "gui/Zoom.h"
#include "tools/EditorSnapshot.h"
#include "tools/EditorSnapshotImage.h"
#include "tools/PluginLibrary.h"
#include "tools/hostlib/WindowCapture.h"
#include "tools/hostlib/ZoomSetting.h"

namespace qp::tools {

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;
constexpr int kWindowX = 40;
constexpr int kWindowY = 40;
// Long enough for the first paint and a few idle passes of a real host.
constexpr DWORD kSettleMs = 500;
constexpr DWORD kIdleEveryMs = 20;
// Where the logo is clicked: inside the command menu's area but right of the
// menu that pops up there, so letting go of the button chooses nothing.
constexpr POINT kLogoClick = {235, 155};
// Down presses from the command menu's opening to an entry: the first highlights
// "About", then Default, MidiForget and "Zoom"; the separator is passed over on
// the way to "Presets".
constexpr int kZoomEntry = 4;
constexpr int kPresetsEntry = 5;
// Lets a menu move its highlight before the next key.
constexpr DWORD kKeyPauseMs = 40;

const char* const kUsage =
    "usage: qphost editor [--dll DLL] [--zoom PERCENT] [--about | --menu | --zoom-menu] OUT.bmp|OUT.png\n";

struct Options {
    std::string library;
    std::string output;
    bool about = false;
    bool menu = false;
    int submenu = kPresetsEntry;  // the entry whose submenu --menu opens
    int zoom = 0;                 // 0: the user's own choice
};

bool parse(const std::vector<std::string>& arguments, Options& options, std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--dll" && i + 1 < arguments.size()) {
            options.library = arguments[++i];
        } else if (a == "--zoom" && i + 1 < arguments.size()) {
            const std::string& value = arguments[++i];
            char* end = nullptr;
            const long percent = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || !isZoomStep(std::int32_t(percent))) {
                error = "--zoom takes one of 100, 125, 150, 175, 200, 250, 300, not " + value;
            } else {
                options.zoom = int(percent);
            }
        } else if (a == "--about") {
            options.about = true;
        } else if (a == "--menu") {
            options.menu = true;
        } else if (a == "--zoom-menu") {
            options.menu = true;
            options.submenu = kZoomEntry;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
        } else if (options.output.empty()) {
            options.output = a;
        } else {
            error = "more than one output file";
        }
    }
    if (error.empty() && options.output.empty()) {
        error = "no output file";
    }
    if (error.empty() && options.about && options.menu) {
        error = "--about and --menu cannot be combined";
    }
    return error.empty();
}

// Pumps messages and idles the editor as a host's timer would.
void settle(AEffect* effect, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        hostlib::pumpMessages();
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
        Sleep(kIdleEveryMs);
    } while (GetTickCount() - start < ms);
}

// The union of the visible windows' rectangles (the editor and the popups).
RECT areaOf(HWND window) {
    RECT area;
    GetWindowRect(window, &area);
    for (HWND popup : hostlib::visibleMenuWindows()) {
        RECT r;
        GetWindowRect(popup, &r);
        UnionRect(&area, &area, &r);
    }
    return area;
}

// Runs on a second thread while the editor's thread sits in the menu's loop.
bool photographMenu(HWND window, int submenu, int zoom, SnapshotImage& image) {
    // The logo lies where the editor's zoom step puts it.
    POINT click = {qp::zoomed(kLogoClick.x, zoom), qp::zoomed(kLogoClick.y, zoom)};
    ClientToScreen(window, &click);
    SetCursorPos(click.x, click.y);
    Sleep(100);
    hostlib::leftClick();
    if (!hostlib::waitForMenus(1, 3000)) {
        return false;
    }
    // Down to the entry and into its submenu.
    for (int i = 0; i < submenu; ++i) {
        hostlib::tapKey(VK_DOWN, kKeyPauseMs);
    }
    hostlib::tapKey(VK_RIGHT, kKeyPauseMs);
    hostlib::waitForMenus(2, 2000);
    Sleep(300);
    const RECT area = areaOf(window);
    image = hostlib::captureScreen(area);
    // Close both menus without choosing.
    for (int i = 0; i < 3 && !hostlib::visibleMenuWindows().empty(); ++i) {
        hostlib::tapKey(VK_ESCAPE, kKeyPauseMs);
    }
    return true;
}

LRESULT CALLBACK snapshotWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeWindow(int width, int height) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = snapshotWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "QpEditorSnapshot";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "Quorrelphone", WS_POPUP | WS_VISIBLE, kWindowX,
                           kWindowY, width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
}

int fail(const std::string& message) {
    std::cerr << "qphost: " << message << '\n';
    return kExitFailure;
}

}  // namespace

const char* editorSnapshotUsage() { return kUsage; }

int runEditorSnapshot(const std::vector<std::string>& arguments) {
    Options options;
    std::string error;
    if (!parse(arguments, options, error)) {
        std::cerr << "qphost: " << error << "\n\n" << kUsage;
        return kExitUsage;
    }
    const std::string path = options.library.empty() ? PluginLibrary::defaultPath() : options.library;
    // Before the plug-in loads: it answers the editor's size from the choice,
    // which goes back to the user's own when qphost ends.
    hostlib::ZoomSetting zoom;
    if (options.zoom != 0) {
        zoom.choose(options.zoom);
    }
    PluginLibrary library;
    if (!library.load(path, &error)) {
        return fail(error);
    }
    AEffect* effect = library.effect();
    if (!(effect->flags & effFlagsHasEditor)) {
        return fail(path + " has no editor");
    }

    ERect* rect = nullptr;
    if (!effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f) || !rect) {
        return fail("the editor gives no rectangle");
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    if (width <= 0 || height <= 0) {
        return fail("the editor's rectangle is empty");
    }

    HWND window = makeWindow(width, height);
    if (!window) {
        return fail("cannot create a window");
    }
    effect->dispatcher(effect, effEditOpen, 0, 0, window, 0.0f);
    settle(effect, kSettleMs);

    SnapshotImage image;
    bool captured = true;
    if (options.menu) {
        std::atomic<bool> done{false};
        std::thread photographer([&] {
            captured = photographMenu(window, options.submenu, options.zoom ? options.zoom : 100, image);
            done = true;
        });
        while (!done) {
            hostlib::pumpMessages();
            effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
            Sleep(kIdleEveryMs);
        }
        photographer.join();
        settle(effect, 100);
    } else {
        if (options.about) {
            // What a host replaying the editor's "About" automation sends.
            effect->setParameter(effect, 5, 0.0f);
            settle(effect, kSettleMs);
        }
        image = hostlib::captureClient(window);
    }

    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(window);
    if (!captured) {
        return fail("the command menu did not open");
    }
    if (!writeSnapshotImage(options.output, image, &error)) {
        return fail(error);
    }
    std::cout << options.output << ": " << image.width << " x " << image.height << " pixels of the editor"
              << (options.about  ? " with the about screen"
                  : options.menu ? " with the command menu"
                                 : "")
              << std::endl;
    return 0;
}

}  // namespace qp::tools
