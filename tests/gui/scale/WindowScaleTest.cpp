// windowScale under the system's DPI settings. The desktop's DPI (LogPixels)
// is read once as a process starts, so each row writes it and starts this same
// program again as a probe: a host window and a child in it, at the host's DPI
// awareness, whose scale comes back in the exit code. Setting the awareness is
// the host's business, which this probe plays; the plug-in only reads it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "gui/System.h"

namespace {

constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kLogPixels[] = "LogPixels";
constexpr char kProbeArgument[] = "--probe";

using SetProcessContext = BOOL(WINAPI*)(HANDLE);
using SetThreadContext = HANDLE(WINAPI*)(HANDLE);
using GetThreadContext = HANDLE(WINAPI*)();
using AwarenessOf = int(WINAPI*)(HANDLE);

template <class Function>
Function user32Function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

// A host aware per monitor (version 2 where the system has it), as modern
// hosts are; or an unaware one, whose windows the system stretches, played by
// a thread of that awareness (every window takes its creating thread's).
bool actAsHost(bool aware) {
    const auto handle = [](int context) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(context)); };
    if (!aware) {
        const auto setThread = user32Function<SetThreadContext>("SetThreadDpiAwarenessContext");
        return setThread && setThread(handle(-1));
    }
    const auto setProcess = user32Function<SetProcessContext>("SetProcessDpiAwarenessContext");
    if (setProcess && (setProcess(handle(-4)) || setProcess(handle(-3)))) {
        return true;
    }
    // Refused when the process already has its awareness (Wine starts every
    // process aware per monitor): fine if that is the one wanted.
    const auto getThread = user32Function<GetThreadContext>("GetThreadDpiAwarenessContext");
    const auto awarenessOf = user32Function<AwarenessOf>("GetAwarenessFromDpiAwarenessContext");
    constexpr int kPerMonitor = 2;
    return getThread && awarenessOf && awarenessOf(getThread()) == kPerMonitor;
}

int percent(double scale) { return int(std::lround(scale * 100.0)); }

// What a frame's owner hears when its window is told of a DPI change.
class ScaleOwner : public qp::FrameOwner {
public:
    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}
    void wait() override {}
    qp::KnobMode getKnobMode() const override { return qp::KnobMode::circular; }
    void windowScaleChanged(double scale) override { heard = scale; }

    double heard = 0.0;
};

// What the probe measures, in percent: windowScale of a top-level window, of
// a child of it, of no window, and what a frame in the child tells its owner
// on the message a child window gets when the DPI changed.
constexpr const char* kMeasures[] = {"top", "child", "none", "frame"};

int probe(bool aware, const std::string& measure) {
    if (!actAsHost(aware)) {
        return -1;
    }
    HWND top = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "editor", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (!top || !child) {
        return -2;
    }
    int answer = -3;
    if (measure == "top") {
        answer = percent(qp::windowScale(top));
    } else if (measure == "child") {
        answer = percent(qp::windowScale(child));
    } else if (measure == "none") {
        answer = percent(qp::windowScale(nullptr));
    } else if (measure == "frame") {
        ScaleOwner owner;
        qp::Frame frame(qp::Rect(0, 0, 50, 50), child, &owner);
        constexpr UINT kDpiChangedAfterParent = 0x02E3;
        SendMessageA(static_cast<HWND>(frame.getWindow()), kDpiChangedAfterParent, 0, 0);
        answer = percent(owner.heard);
    }
    DestroyWindow(top);
    return answer;
}

// The desktop's DPI setting for the rows' length; what was there before comes back.
class DesktopDpi {
public:
    DesktopDpi() {
        RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr);
        DWORD size = sizeof saved_;
        DWORD type = 0;
        had_ = key_ &&
               RegQueryValueExA(key_, kLogPixels, nullptr, &type, reinterpret_cast<BYTE*>(&saved_), &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD;
    }
    ~DesktopDpi() {
        if (!key_) {
            return;
        }
        if (had_) {
            set(saved_);
        } else {
            RegDeleteValueA(key_, kLogPixels);
        }
        RegCloseKey(key_);
    }
    DesktopDpi(const DesktopDpi&) = delete;
    DesktopDpi& operator=(const DesktopDpi&) = delete;

    bool set(DWORD dpi) {
        return key_ && RegSetValueExA(key_, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                                      sizeof dpi) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
    DWORD saved_ = 0;
    bool had_ = false;
};

// This program again as a probe; its exit code, or -100 when it could not run.
int runProbe(bool aware, const char* measure) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command =
        std::string("\"") + self + "\" " + kProbeArgument + (aware ? " aware " : " unaware ") + measure;
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

TEST(WindowScale, IsTheWindowsDpiOver96InAHostAwarePerMonitorElseTheStretchedOne) {
    const struct {
        DWORD dpi;
        bool aware;
        int percent;  // every measure's
    } rows[] = {
        {96, true, 100},
        {144, true, 150},
        {192, true, 200},
        // The system stretches an unaware host's windows: they are at 96 to it.
        {192, false, 100},
    };
    DesktopDpi desktop;
    for (const auto& row : rows) {
        ASSERT_TRUE(desktop.set(row.dpi));
        for (const char* measure : kMeasures) {
            SCOPED_TRACE(std::to_string(row.dpi) + (row.aware ? " aware " : " unaware ") + measure);
            EXPECT_EQ(runProbe(row.aware, measure), row.percent);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == kProbeArgument) {
        return probe(std::string(argv[2]) == "aware", argv[3]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
