// What real hosts do to an embedded UI that a polite one does not: destroy or
// hide its window at awkward times, hand it a window the server does not know,
// expect their own keyboard and screen back. The host keeps Xlib's default
// error handler, so an X error of the UI's ends the process: each such case runs
// in a child process of its own and must end there with status 0.
#include "tests/lv2/Lv2UiHost.h"

namespace {

class Lv2UiHostFaults : public Lv2UiTest {
protected:
    void SetUp() override {
        // A fresh process per case (exec'd, not forked: the parent's X
        // connection must not be shared).
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        Lv2UiTest::SetUp();
    }
    Window uiWindow() const { return Window(reinterpret_cast<std::uintptr_t>(widget)); }
    void idleOnce() { EXPECT_EQ(idleInterface->idle(ui), 0); }
    void destroyHostWindow() {
        XDestroyWindow(display, parent);
        XSync(display, False);
        parent = 0;
    }
    void cleanup() {
        descriptor->cleanup(ui);
        ui = nullptr;
    }
    // Key presses the host's own window has received since the last coun
    int hostKeyPresses() {
        XSync(display, False);
        int count = 0;
        for (XEvent event; XCheckWindowEvent(display, parent, KeyPressMask, &event);) {
            ++count;
        }
        return count;
    }
    // Whether another client could take the whole pointer and keyboard now.
    static bool screenIsFree() {
        Display* other = qp::test::openDisplay();
        const Window root = DefaultRootWindow(other);
        const bool pointer = XGrabPointer(other, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                                          0, 0, CurrentTime) == GrabSuccess;
        const bool keyboard =
            XGrabKeyboard(other, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
        XCloseDisplay(other);
        return pointer && keyboard;
    }
    static constexpr int kLogoX = 100, kLogoY = 140;
    static constexpr int kSensMiddleX = kSensX + kKnobSize / 2, kKnobMiddleY = kKnobY + kKnobSize / 2;
};

TEST_F(Lv2UiHostFaults, AnXErrorOfTheUisConnectionNeverEndsTheHost) {
    const struct {
        const char* name;
        std::function<void()> before;  // with the UI open
    } cases[] = {
        {"events queued for the UI when the host destroys its window",
         [this] {
             XClearArea(display, uiWindow(), 0, 0, 0, 0, True);
             setPort(kSensPort, 0.9f);
         }},
        {"the menu open", [this] { click(kLogoX, kLogoY); }},
        {"in the middle of a drag",
         [this] {
             moveTo(kSensMiddleX, kKnobMiddleY);
             button(true);
             moveTo(kSensMiddleX, kKnobMiddleY - 10);
             XTestFakeMotionEvent(display, -1, kSensMiddleX, kKnobMiddleY - 20, CurrentTime);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                open();
                c.before();
                destroyHostWindow();
                idleOnce();
                cleanup();
                if (!log.touches.empty()) {
                    EXPECT_FALSE(log.touches.back().grabbed) << "the touch ends";
                }
                std::fflush(nullptr);
                _exit(HasFailure() ? 3 : 0);
            },
            ::testing::ExitedWithCode(0), "");
    }
    // A window id the server does not know yet: the host has not flushed i
    EXPECT_EXIT(
        {
            parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
            EXPECT_EQ(instantiate(), nullptr);
            XSync(display, False);
            std::fflush(nullptr);
            _exit(HasFailure() ? 3 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

int hostErrors = 0;
int countHostError(Display*, XErrorEvent*) { return ++hostErrors, 0; }

TEST_F(Lv2UiHostFaults, TheHostsOwnErrorsStillReachItsHandlerInsideAndOutsideTheUisCalls) {
    hostErrors = 0;
    const XErrorHandler before = XSetErrorHandler(countHostError);
    static Display* host = display;
    host = display;
    // A request of the host's that fails, from inside the UI's idle (the touch
    // of a drag) and from outside.
    auto failingRequest = [] {
        XWindowAttributes attributes;
        XGetWindowAttributes(host, 0x7FFFFFF, &attributes);
    };
    touch.touch = [](LV2UI_Feature_Handle, uint32_t, bool) {
        XWindowAttributes attributes;
        XGetWindowAttributes(host, 0x7FFFFFF, &attributes);
    };
    open();
    moveTo(kSensMiddleX, kKnobMiddleY);
    button(true);
    moveTo(kSensMiddleX, kKnobMiddleY - 20);
    button(false);
    EXPECT_EQ(hostErrors, 2) << "one for each touch";
    failingRequest();
    EXPECT_EQ(hostErrors, 3);
    cleanup();
    EXPECT_EQ(XSetErrorHandler(before), countHostError) << "the UI left no handler of its own installed";
}

TEST_F(Lv2UiHostFaults, TheHostKeepsItsKeysAndAMenuTakesThemOnlyWhileOpen) {
    open();
    XSelectInput(display, parent, KeyPressMask);
    XSetInputFocus(display, parent, RevertToParent, CurrentTime);
    const struct {
        const char* name;
        std::function<void()> before;
        std::vector<KeySym> keys;  // with the pointer over the face
        int hostKeys;
        std::size_t writes;
    } steps[] = {
        {"after a click on the face",
         [&] { click(kSensMiddleX, kKnobMiddleY); },
         {XK_space, XK_a, XK_Left},
         3,
         0},
        {"after a drag on a knob",
         [&] {
             moveTo(kSensMiddleX, kKnobMiddleY), button(true);
             moveTo(kSensMiddleX, kKnobMiddleY - 20), button(false);
         },
         {XK_space, XK_Up},
         2,
         0},
        {"the menu open: arrows, then Escape closes it",
         [&] { click(kLogoX, kLogoY); },
         {XK_Down, XK_Escape},
         0,
         0},
        {"after Escape", [] {}, {XK_space}, 1, 0},
        {"the menu open: arrows choose a preset",
         [&] { click(kLogoX, kLogoY); },
         {XK_Down, XK_Down, XK_Right, XK_Down, XK_Down, XK_Down, XK_Return},
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
        if (step.writes) {
            EXPECT_EQ(log.writes.size(), step.writes);
        }
    }
}

TEST_F(Lv2UiHostFaults, AHostThatHidesOrDestroysItsWindowWithTheMenuOpenGetsTheScreenBackAtOnce) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "unmapped");
        if (!parent) {
            parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
        }
        XMapWindow(display, parent);
        XSync(display, False);
        open();
        click(kLogoX, kLogoY);
        ASSERT_EQ(qp::test::popupWindowsShown(display), 1);
        ASSERT_FALSE(screenIsFree());
        if (destroy) {
            destroyHostWindow();
        } else {
            XUnmapWindow(display, parent);
            XSync(display, False);
        }
        EXPECT_TRUE(screenIsFree()) << "with no idle since";
        idleOnce();
        XSync(display, False);
        EXPECT_EQ(qp::test::popupWindowsShown(display), 0) << "the next idle closes the menu";
        cleanup();
    }
}

}  // namespace
