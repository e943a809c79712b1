// OptionMenu and TextEdit in a frame embedded as an LV2 host embeds it, driven by
// real input (XTest) and pumped only from the frame's idle: the popup and the
// edit field are event-driven, so the choice and the text arrive from idle.
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "gui/ControlListener.h"
#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "gui/OptionMenu.h"
#include "gui/TextEdit.h"
#include "tests/x11/XTestInput.h"

namespace qp::test {
namespace {

const Rect kFrameSize(0, 0, 309, 168);
const Rect kMenuSize(20, 20, 120, 40);
const Rect kEditSize(20, 80, 160, 100);
// Root: Alpha, separator, Beta, Presets -> One, Two, Three.
constexpr std::int32_t kSubmenuEntry = 3;

// The override-redirect windows on the screen: the popup's levels.
int popupWindowsShown(Display* display) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    int shown = 0;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.override_redirect &&
            attributes.map_state == IsViewable) {
            ++shown;
        }
    }
    if (children) {
        XFree(children);
    }
    return shown;
}

class PopupControls : public ::testing::Test, public FrameOwner, public ControlListener {
protected:
    void SetUp() override {
        if (!display) {
            display = openDisplay();
            if (!display || !input.ok()) {
                GTEST_SKIP() << "no X display (ctest runs the suite under xvfb-run)";
            }
            // The host's window, mapped, at the screen's corner.
            hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
            XSelectInput(display, hostWindow, StructureNotifyMask);
            XMapWindow(display, hostWindow);
            XEvent event;
            do {
                XWindowEvent(display, hostWindow, StructureNotifyMask, &event);
            } while (event.type != MapNotify);
        }
        frame = new Frame(kFrameSize, reinterpret_cast<void*>(std::uintptr_t(hostWindow)), this);
        menu = new OptionMenu(kMenuSize, this, 5, nullptr, nullptr, kMenuCheckCurrent);
        menu->addEntry("Alpha");
        menu->addEntry("-");
        menu->addEntry("Beta");
        submenu = new OptionMenu(kMenuSize, this, 6, nullptr, nullptr, kMenuCheckCurrent);
        submenu->addEntry("One");
        submenu->addEntry("Two");
        submenu->addEntry("Three");
        menu->addSubmenu("Presets", submenu);
        submenu->release();
        frame->addView(menu);
        edit = new TextEdit(kEditSize, this, 9, "Hello");
        frame->addView(edit);
        for (int i = 0; i < 500 && frame->isFirstDrawPending(); ++i) {
            settle(1);
        }
        ASSERT_FALSE(frame->isFirstDrawPending());
        input.moveTo(300, 300);
        settle();
    }
    void TearDown() override {
        delete frame;
        if (display) {
            XDestroyWindow(display, hostWindow);
            XCloseDisplay(display);
        }
    }

    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}
    void wait() override {}
    KnobMode getKnobMode() const override { return KnobMode::circular; }
    void valueChanged(DrawContext*, Control* control) override {
        changed.push_back(control);
        if (control == edit) {
            edit->getText(editText);
        }
        if (closeInListener) {
            // The host closes the editor from the listener.
            delete frame;
            frame = nullptr;
        }
    }

    // The host's loop: idle calls with the input delivered in between.
    void settle(int rounds = 25) {
        XSync(display, False);
        for (int i = 0; i < rounds && frame; ++i) {
            frame->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    void clickAt(const Rect& r) {
        input.click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        settle();
    }
    void key(KeySym symbol) {
        input.key(symbol);
        settle();
    }

    Display* display = nullptr;
    Window hostWindow = 0;
    XInput input;
    Frame* frame = nullptr;
    OptionMenu* menu = nullptr;
    OptionMenu* submenu = nullptr;
    TextEdit* edit = nullptr;
    std::vector<Control*> changed;
    char editText[kDisplayTextSize] = {};
    bool closeInListener = false;
};

TEST_F(PopupControls, TheChoiceArrivesFromIdleWithTheMenuAndEntryChosen) {
    struct Case {
        const char* name;
        std::vector<KeySym> keys;  // 0: a click outside the popup
        bool chosenInSubmenu;
        std::int32_t index;  // -1: nothing chosen
    };
    const Case cases[] = {
        {"into the submenu and down", {XK_Down, XK_Down, XK_Down, XK_Right, XK_Down, XK_Return}, true, 1},
        {"up from the end", {XK_Up, XK_Up, XK_Return}, false, 2},
        {"escape", {XK_Escape}, false, -1},
        {"a click outside", {0}, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        changed.clear();
        menu->setCurrent(0);
        submenu->setCurrent(0);
        clickAt(kMenuSize);
        // takeFocus has returned; the popup lives on the frame's idle.
        ASSERT_TRUE(menu->isPopupOpen());
        EXPECT_EQ(popupWindowsShown(display), 1);
        test::saveScreen(display, "option-menu-open");
        for (KeySym symbol : c.keys) {
            if (symbol) {
                key(symbol);
            } else {
                input.click(250, 150);
                settle();
            }
        }
        EXPECT_FALSE(menu->isPopupOpen());
        EXPECT_EQ(popupWindowsShown(display), 0);
        EXPECT_EQ(frame->getEditView(), nullptr);
        OptionMenu* expected = c.chosenInSubmenu ? submenu : menu;
        if (c.index < 0) {
            EXPECT_TRUE(changed.empty());
            EXPECT_EQ(menu->getLastMenu(), nullptr);
            EXPECT_EQ(menu->getCurrent(), 0);
            EXPECT_EQ(submenu->getCurrent(), 0);
        } else {
            ASSERT_EQ(changed.size(), 1u);
            EXPECT_EQ(changed[0], expected);
            EXPECT_EQ(menu->getLastMenu(), expected);
            EXPECT_EQ(expected->getCurrent(), c.index);
            EXPECT_EQ((c.chosenInSubmenu ? menu : submenu)->getCurrent(), 0);
        }
    }
}

TEST_F(PopupControls, NoPopupWindowOutlivesTheFrame) {
    for (const bool inListener : {false, true}) {
        SCOPED_TRACE(inListener ? "the listener closes the editor"
                                : "the host closes it with the popup open");
        if (!frame) {
            SetUp();
        }
        closeInListener = inListener;
        clickAt(kMenuSize);
        key(XK_Down);
        key(XK_Down);
        key(XK_Down);
        key(XK_Right);
        ASSERT_EQ(popupWindowsShown(display), 2);
        if (inListener) {
            key(XK_Return);
            EXPECT_EQ(changed.size(), 1u);
        } else {
            // Somebody else still holds the menu: the frame's going must close
            // the popup all the same, while the frame's connection is open.
            menu->retain();
            delete frame;
            frame = nullptr;
            EXPECT_FALSE(menu->isPopupOpen());
            menu->release();
        }
        XSync(display, False);
        EXPECT_EQ(frame, nullptr);
        EXPECT_EQ(popupWindowsShown(display), 0);
    }
}

TEST_F(PopupControls, TheTextEditTakesTypedTextFromIdle) {
    struct Case {
        const char* name;
        std::vector<KeySym> keys;  // 0: a click elsewhere in the frame
        const char* typed;
        const char* text;  // the control's text at the end
        bool heard;
    };
    const Case cases[] = {
        {"enter keeps it", {XK_Return}, "abc", "abc", true},
        {"escape drops it", {XK_Escape}, "abc", "Hello", false},
        {"a click elsewhere in the frame keeps it", {0}, "xyz", "xyz", true},
        {"backspace and home", {XK_End, XK_BackSpace, XK_Home, XK_Delete, XK_Return}, nullptr, "ell", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit->setText("Hello");
        changed.clear();
        clickAt(kEditSize);
        ASSERT_TRUE(edit->isEditing());
        if (c.typed) {
            input.type(c.typed);
            settle();
        }
        test::saveScreen(display, "text-edit-open");
        for (KeySym symbol : c.keys) {
            if (symbol) {
                key(symbol);
            } else {
                input.click(250, 150);
                settle();
            }
        }
        EXPECT_FALSE(edit->isEditing());
        EXPECT_STREQ(edit->text(), c.text);
        EXPECT_EQ(changed.size(), c.heard ? 1u : 0u);
        EXPECT_EQ(frame->getEditView(), nullptr);
    }
}

}  // namespace
}  // namespace qp::test
