// What real hosts do to an embedded UI: destroy or hide its window at awkward
// times, hand it a window the server does not know, and expect their keyboard,
// screen and error handler back. The host keeps Xlib's default error handler,
// so an X error of the UI's ends the process: those cases run in a process of
// their own (exec'd, not forked, so no X connection is shared) that must end
// with status 0.
#include "tests/lv2/Lv2UiHost.h"

namespace {

class Lv2UiHostFaults : public Lv2UiTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        Lv2UiTest::SetUp();
        // A case that died with the button down left it down on the server.
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
    }
    void cleanup() { descriptor->cleanup(ui), ui = nullptr; }
    int hostKeyPresses() {
        XSync(display, False);
        int count = 0;
        for (XEvent event; XCheckWindowEvent(display, parent, KeyPressMask, &event);) {
            ++count;
        }
        return count;
    }
    // Whether another client could take the pointer and the keyboard now.
    static bool screenIsFree() {
        Display* other = qp::test::openDisplay();
        const Window root = DefaultRootWindow(other);
        const bool free =
            XGrabPointer(other, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, 0, 0,
                         CurrentTime) == GrabSuccess &&
            XGrabKeyboard(other, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
        XCloseDisplay(other);
        return free;
    }
    // Runs the scenario in a process of its own, which must end it unharmed.
    void survives(const std::function<void()>& scenario) {
        EXPECT_EXIT(
            {
                scenario();
                // The server keeps a button pressed through XTest after we go.
                XTestFakeButtonEvent(display, 1, False, CurrentTime);
                XSync(display, False);
                std::fflush(nullptr);
                _exit(HasFailure() ? 3 : 0);
            },
            ::testing::ExitedWithCode(0), "");
    }
    static constexpr int kLogoX = 100, kLogoY = 140, kMiddleX = kSensX + 49, kMiddleY = kKnobY + 49;
};

TEST_F(Lv2UiHostFaults, AHostThatDestroysOrHidesItsWindowLivesAndGetsTheScreenBackAtOnce) {
    const struct {
        const char* name;
        std::function<void()> before;  // with the UI open
        bool destroy, grabbed;         // the pointer held by the UI (the menu's grab, a drag's)
    } cases[] = {
        {"events queued for the UI",
         [&] {
             XClearArea(display, Window(reinterpret_cast<std::uintptr_t>(widget)), 0, 0, 0, 0, True),
                 setPort(kSensPort, 0.9f);
         },
         true, false},
        {"the menu open", [&] { click(kLogoX, kLogoY); }, true, true},
        {"the menu open, the window hidden", [&] { click(kLogoX, kLogoY); }, false, true},
        {"in the middle of a drag",
         [&] {
             moveTo(kMiddleX, kMiddleY), button(true), moveTo(kMiddleX, kMiddleY - 10);
             XTestFakeMotionEvent(display, -1, kMiddleX, kMiddleY - 20, CurrentTime);
         },
         true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        survives([&] {
            open();
            c.before();
            EXPECT_EQ(screenIsFree(), !c.grabbed);
            (c.destroy ? XDestroyWindow : XUnmapWindow)(display, parent);
            XSync(display, False);
            EXPECT_TRUE(screenIsFree()) << "with no idle since";
            EXPECT_EQ(idleInterface->idle(ui), 0);
            EXPECT_EQ(qp::test::popupWindowsShown(display), 0) << "the next idle closes the menu";
            cleanup();
            EXPECT_TRUE(log.touches.empty() || !log.touches.back().grabbed) << "the touch ends";
        });
    }
    // A window the server does not know yet: the host has not flushed it.
    survives([&] {
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
        EXPECT_EQ(instantiate(), nullptr);
        XSync(display, False);
    });
}

int hostErrors = 0;
Display* hostDisplay = nullptr;
int countHostError(Display* display, XErrorEvent*) { return hostErrors += display == hostDisplay, 0; }
void failingHostRequest() {
    XWindowAttributes attributes;
    XGetWindowAttributes(hostDisplay, 0x7FFFFFF, &attributes);
}

TEST_F(Lv2UiHostFaults, TheHostsOwnErrorsReachItsHandlerInsideAndOutsideTheUisCalls) {
    hostDisplay = display;
    const XErrorHandler before = XSetErrorHandler(countHostError);
    // From inside the UI's idle: the touches of a drag.
    touch.touch = [](LV2UI_Feature_Handle, uint32_t, bool) { failingHostRequest(); };
    open();
    moveTo(kMiddleX, kMiddleY), button(true), moveTo(kMiddleX, kMiddleY - 20), button(false);
    failingHostRequest();
    EXPECT_EQ(hostErrors, 3);
    cleanup();
    EXPECT_EQ(XSetErrorHandler(before), countHostError) << "the UI left no handler of its own installed";
}

TEST_F(Lv2UiHostFaults, TheHostKeepsItsKeysAndAMenuTakesThemOnlyWhileOpen) {
    open();
    XSelectInput(display, parent, KeyPressMask);
    XSetInputFocus(display, parent, RevertToParent, CurrentTime);
    const auto openMenu = [&] { click(kLogoX, kLogoY); };
    const struct {
        const char* name;
        std::function<void()> before;
        std::vector<KeySym> keys;  // with the pointer over the face
        int hostKeys;
        std::size_t writes;
    } steps[] = {
        {"after a click on the face", [&] { click(kMiddleX, kMiddleY); }, {XK_space, XK_a, XK_Left}, 3, 0},
        {"after a drag on a knob",
         [&] { moveTo(kMiddleX, kMiddleY), button(true), moveTo(kMiddleX, kMiddleY - 20), button(false); },
         {XK_space, XK_Up},
         2,
         0},
        {"the menu open: arrows, then Escape closes it", openMenu, {XK_Down, XK_Escape}, 0, 0},
        {"after Escape", [] {}, {XK_space}, 1, 0},
        {"the menu open: arrows choose a preset",
         openMenu,
         {XK_Down, XK_Down, XK_Down, XK_Right, XK_Down, XK_Down, XK_Down, XK_Return},
         0,
         2},
        {"after the choice", [] {}, {XK_space, XK_a}, 2, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        log.writes.clear();
        hostKeyPresses();
        for (KeySym symbol : step.keys) {
            key(symbol);
        }
        EXPECT_EQ(hostKeyPresses(), step.hostKeys);
        EXPECT_EQ(log.writes.size(), step.writes);
    }
}

}  // namespace
