#include <gtest/gtest.h>
#include <atomic>
#include "tests/gui/ControlTestSupport.h"
namespace qp {
TEST(ZzProbe, ShiftSeenFromBusyMainThread) {
    test::FrameInWindow scene;
    for (int mode = 0; mode < 4; ++mode) {
        if (mode >= 2) scene.bringToFront();
        std::atomic<bool> done{false};
        test::RealInput input;
        input.pause(50).keyDown(VK_SHIFT).pause(100).keyUp(VK_SHIFT).pause(50).press().pause(100).release().then([&] { done = true; });
        input.start();
        int shiftSeen = 0, leftSeen = 0;
        while (!done) {
            if (GetAsyncKeyState(VK_SHIFT) & 0x8000) ++shiftSeen;
            if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) ++leftSeen;
            if (mode & 1) { MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE); }
            Sleep(1);
        }
        input.join();
        test::TestWindows::pumpFor(50);
        printf("mode %d shift %d left %d fg %p top %p focus %p\n", mode, shiftSeen, leftSeen, (void*)GetForegroundWindow(), (void*)scene.windows.top(), (void*)GetFocus());
    }
}
}
