// The editor's costs at two zoom steps (usage in bench/README.md): the first open
// at a step in the process (which draws the step's pictures), a later open, an
// idle with nothing to do, and a repaint of the whole window. Loads the built
// DLL as a host does; the zoom is chosen as a user chooses it, through the
// plug-in's own setting, which is put back afterwards. A measurement, not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/PluginInterface.h"
#include "tools/hostlib/PluginModule.h"
#include "tools/hostlib/WindowCapture.h"
#include "tools/hostlib/ZoomSetting.h"

namespace {

constexpr const char* kUsage =
    "usage: qp_bench_editor [--repeats N] [--zooms LIST] [PLUGIN.dll]\n"
    "  LIST: zoom steps, e.g. 100,200 (the default)\n";

qp::IntPtr QP_CDECL benchHost(qp::AEffect*, qp::Int32 opcode, qp::Int32, qp::IntPtr, void*, float) {
    return opcode == qp::audioMasterVersion ? 2400 : 0;
}

double now() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeHostWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QpEditorBench";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "Quorrelphone", WS_POPUP | WS_VISIBLE, 20, 20, 940,
                           520, nullptr, nullptr, windowClass.hInstance, nullptr);
}

// Opens the editor and has its first paint done before the clock stops.
double openAndPaint(qp::AEffect* effect, HWND host) {
    const double start = now();
    effect->dispatcher(effect, qp::effEditOpen, 0, 0, host, 0.0f);
    RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return now() - start;
}

struct Figures {
    double firstOpen = 0.0;
    double open = 0.0;
    double idle = 0.0;
    double repaint = 0.0;
    int width = 0;
    int height = 0;
};

Figures measure(qp::AEffect* effect, HWND host, int repeats) {
    Figures figures;
    figures.firstOpen = openAndPaint(effect, host);
    qp::ERect* rect = nullptr;
    effect->dispatcher(effect, qp::effEditGetRect, 0, 0, &rect, 0.0f);
    if (rect) {
        figures.width = rect->right - rect->left;
        figures.height = rect->bottom - rect->top;
    }
    HWND frame = GetWindow(host, GW_CHILD);
    std::vector<double> idles;
    std::vector<double> repaints;
    for (int i = 0; i < repeats; ++i) {
        qp::hostlib::pumpMessages();
        double start = now();
        effect->dispatcher(effect, qp::effEditIdle, 0, 0, nullptr, 0.0f);
        idles.push_back(now() - start);
        start = now();
        RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        repaints.push_back(now() - start);
    }
    std::vector<double> opens;
    for (int i = 0; i < repeats; ++i) {
        effect->dispatcher(effect, qp::effEditClose, 0, 0, nullptr, 0.0f);
        qp::hostlib::pumpMessages();
        opens.push_back(openAndPaint(effect, host));
    }
    effect->dispatcher(effect, qp::effEditClose, 0, 0, nullptr, 0.0f);
    qp::hostlib::pumpMessages();
    figures.open = median(opens);
    figures.idle = median(idles);
    figures.repaint = median(repaints);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = qp::hostlib::besideExecutable("Quorrelphone.dll");
    std::vector<int> zooms = {100, 200};
    int repeats = 50;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeats") == 0 && i + 1 < argc) {
            repeats = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--zooms") == 0 && i + 1 < argc) {
            zooms.clear();
            for (const char* p = argv[++i]; *p;) {
                char* end = nullptr;
                zooms.push_back(int(std::strtol(p, &end, 10)));
                p = *end == ',' ? end + 1 : end;
                if (end == p && *p) {
                    zooms.clear();
                    break;
                }
            }
        } else if (argv[i][0] != '-') {
            path = argv[i];
        } else {
            repeats = 0;
        }
    }
    if (repeats < 1 || zooms.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    qp::hostlib::PluginModule module;
    std::string error;
    if (!module.load(path, &error)) {
        std::fprintf(stderr, "qp_bench_editor: %s\n", error.c_str());
        return 1;
    }
    qp::AEffect* effect = module.create(&benchHost, &error);
    if (!effect) {
        std::fprintf(stderr, "qp_bench_editor: %s\n", error.c_str());
        return 1;
    }
    qp::hostlib::ZoomSetting stored;
    HWND host = makeHostWindow();
    std::printf(
        "editor of %s, %d repeats (median ms; the first open at a step in the process draws its "
        "pictures)\n",
        path.c_str(), repeats);
    std::printf("%6s %10s %11s %9s %9s %9s\n", "zoom", "size", "first open", "open", "idle", "repaint");
    for (const int zoom : zooms) {
        stored.choose(zoom);
        const Figures f = measure(effect, host, repeats);
        std::printf("%5d%% %4d x %3d %11.2f %9.3f %9.4f %9.3f\n", zoom, f.width, f.height, f.firstOpen * 1e3,
                    f.open * 1e3, f.idle * 1e3, f.repaint * 1e3);
    }
    effect->dispatcher(effect, qp::effClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(host);
    return 0;
}
