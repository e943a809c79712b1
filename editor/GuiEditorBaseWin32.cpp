// GuiEditorBase's Windows side: OLE for the window's thread, and the polled
// drag loop's pause and paint.
#include <windows.h>

#include "editor/GuiEditorBase.h"
#include "gui/ThreadOleWin32.h"

namespace qp {

namespace {

// While the next idle is not due each wait step sleeps this long, which is what
// keeps a drag loop from spinning a core.
constexpr DWORD kWaitSleepMs = 4;

}  // namespace

struct GuiEditorBase::Platform {
    // The toolkit's drag and drop needs OLE on the editor window's thread.
    ThreadOle ole;
};

void GuiEditorBase::PlatformDelete::operator()(Platform* platform) const { delete platform; }

GuiEditorBase::Platform* GuiEditorBase::openPlatform() { return new Platform; }

std::uint32_t GuiEditorBase::pause() {
    Sleep(kWaitSleepMs);
    return kWaitSleepMs;
}

void GuiEditorBase::paintPending() {
    // The drag loop never returns to the message loop, so the window would stay
    // unpainted (for example where a menu or another window uncovered it).
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

}  // namespace qp
