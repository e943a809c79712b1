// windowScale under the desktop's DPI (LogPixels), which the system reads once as
// a process starts: each row writes it and starts this program again as a probe,
// a host window with the editor's child window in it, at the host's awareness
// (the host's business, played here; the plug-in only reads it). The probe's
// exit code is the scale in percent.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "editor/art/Art.h"
#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "gui/System.h"
#include "gui/Zoom.h"
#include "tools/EditorSnapshotImage.h"

namespace {

template <class Function>
Function user32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

HANDLE context(INT_PTR value) { return reinterpret_cast<HANDLE>(value); }

// Aware per monitor, as modern hosts are (Wine starts every process so and
// refuses the call); or unaware, played by a thread of that awareness, whose
// windows the system stretches.
bool actAsHost(bool aware) {
    if (!aware) {
        return user32<HANDLE(WINAPI*)(HANDLE)>("SetThreadDpiAwarenessContext")(context(-1)) != nullptr;
    }
    user32<BOOL(WINAPI*)(HANDLE)>("SetProcessDpiAwarenessContext")(context(-4));
    const HANDLE now = user32<HANDLE(WINAPI*)()>("GetThreadDpiAwarenessContext")();
    return user32<int(WINAPI*)(HANDLE)>("GetAwarenessFromDpiAwarenessContext")(now) == 2;  // per monitor
}

// What a frame in the child window tells its owner when the window hears that
// the DPI changed.
struct ScaleOwner : qp::FrameOwner {
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}
    void wait() override {}
    qp::KnobMode getKnobMode() const override { return qp::KnobMode::circular; }
    void windowScaleChanged(double scale) override { heard = scale; }
    double heard = 0.0;
};

int probe(bool aware, const std::string& measure) {
    if (!actAsHost(aware)) {
        return -1;
    }
    HWND top = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               nullptr, nullptr);
    HWND child =
        CreateWindowExA(0, "STATIC", "editor", WS_CHILD, 0, 0, 50, 50, top, nullptr, nullptr, nullptr);
    ScaleOwner owner;
    qp::Frame frame(qp::Rect(0, 0, 50, 50), child, &owner);
    constexpr UINT kDpiChangedAfterParent = 0x02E3;
    SendMessageA(static_cast<HWND>(frame.getWindow()), kDpiChangedAfterParent, 0, 0);
    const double scale = measure == "window" ? qp::windowScale(child)
                         : measure == "none" ? qp::windowScale(nullptr)
                                             : owner.heard;
    return int(std::lround(scale * 100.0));
}

std::string besideThis(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

// Runs a program to its end; its exit code.
int run(std::string command) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -100;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = DWORD(-100);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(code);
}

int runProbe(bool aware, const char* measure) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return run(std::string("\"") + self + "\" --probe " + (aware ? "aware " : "unaware ") + measure);
}

// The desktop's DPI for the processes started while it lives; the user's own
// setting (or none) comes back at the end.
class DesktopDpi {
public:
    DesktopDpi() {
        DWORD size = sizeof saved_;
        had_ = RegGetValueA(HKEY_CURRENT_USER, kKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &saved_,
                            &size) == ERROR_SUCCESS;
    }
    ~DesktopDpi() {
        if (had_) {
            RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels", REG_DWORD, &saved_, sizeof saved_);
        } else {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels");
        }
    }
    bool set(DWORD dpi) {
        return RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi) ==
               ERROR_SUCCESS;
    }

private:
    static constexpr char kKey[] = "Control Panel\\Desktop";
    DWORD saved_ = 0;
    bool had_ = false;
};

TEST(WindowScale, IsTheWindowsDpiOver96ForAHostAwarePerMonitorElseOne) {
    const struct {
        DWORD dpi;
        bool aware;
        int percent;  // of each measure
    } rows[] = {{96, true, 100}, {144, true, 150}, {192, true, 200}, {192, false, 100}};
    DesktopDpi desktop;
    for (const auto& row : rows) {
        if (!desktop.set(row.dpi)) {
            ADD_FAILURE() << "LogPixels cannot be written";
            break;
        }
        for (const char* measure : {"window", "none", "frame"}) {
            SCOPED_TRACE(std::to_string(row.dpi) + (row.aware ? " aware " : " unaware ") + measure);
            EXPECT_EQ(runProbe(row.aware, measure), row.percent);
        }
    }
}

// The DLL's editor as a host process of its own gets it (qphost, aware per
// monitor as Wine starts every process): at the desktop's DPI it comes up at
// the nearest step's size and shows the art's own picture of that step.
TEST(WindowScale, TheDllsEditorOpensAtTheStepOfTheDesktopsDpi) {
    const struct {
        DWORD dpi;
        std::int32_t step;
    } rows[] = {{144, 150}, {192, 200}, {96, 100}};
    DesktopDpi desktop;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string picture = std::string(temp) + "qp-editor-at-dpi.bmp";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        ASSERT_TRUE(desktop.set(row.dpi));
        DeleteFileA(picture.c_str());
        ASSERT_EQ(run("\"" + besideThis("qphost.exe") + "\" editor \"" + picture + "\""), 0);
        const qp::tools::SnapshotImage shown = qp::tools::readBmpFile(picture);
        ASSERT_EQ(shown.width, qp::zoomed(309, row.step));
        ASSERT_EQ(shown.height, qp::zoomed(168, row.step));
        const qp::art::Picture art = qp::art::drawEditorPreview(row.step, 45, false);
        int differing = 0;
        for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
            const std::uint32_t drawn = std::uint32_t(art.rgb[3 * i]) << 16 |
                                        std::uint32_t(art.rgb[3 * i + 1]) << 8 | art.rgb[3 * i + 2];
            differing += (shown.pixels[i] & 0xFFFFFF) != drawn;
        }
        std::printf("LogPixels %u: the editor is %d x %d, %d pixels differ from the art's preview\n",
                    unsigned(row.dpi), shown.width, shown.height, differing);
        EXPECT_EQ(differing, 0);
    }
    DeleteFileA(picture.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--probe") {
        return probe(std::string(argv[2]) == "aware", argv[3]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
