// OptionMenu and TextEdit in a frame embedded as an LV2 host embeds it, driven by
// real input (XTest) and pumped only from the frame's idle: the popup and the
// edit field are event-driven, so the choice and the text arrive from idle.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

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
// A step of a script: a key, or this for a click in the frame away from both controls.
constexpr KeySym kClickElsewhere = 0;
// Or this for the keyboard focus going to the host's window.
constexpr KeySym kFocusToHost = 1;

class PopupControls : public ::testing::Test, public FrameOwner, public ControlListener {
protected:
    void SetUp() override {
        if (!display) {
            display = openDisplay();
            if (!display || !input.ok()) {
                GTEST_SKIP() << "no X display (ctest runs the suite under xvfb-run)";
            }
            host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
            XSelectInput(display, host, StructureNotifyMask);
            XMapWindow(display, host);
            for (XEvent event;
                 XWindowEvent(display, host, StructureNotifyMask, &event), event.type != MapNotify;) {
            }
        }
        frame = new Frame(kFrameSize, reinterpret_cast<void*>(std::uintptr_t(host)), this);
        // Root: Alpha, separator, Beta, Presets -> One, Two, Three.
        menu = new OptionMenu(kMenuSize, this, 5, nullptr, nullptr, kMenuCheckCurrent);
        submenu = new OptionMenu(kMenuSize, this, 6, nullptr, nullptr, kMenuCheckCurrent);
        for (const char* entry : {"Alpha", "-", "Beta"}) {
            menu->addEntry(entry);
        }
        for (const char* entry : {"One", "Two", "Three"}) {
            submenu->addEntry(entry);
        }
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
            XDestroyWindow(display, host);
            XCloseDisplay(display);
        }
    }

    void beginEdit(std::int32_t) override {}
    void endEdit(std::int32_t) override {}
    void wait() override {}
    KnobMode getKnobMode() const override { return KnobMode::circular; }
    void valueChanged(DrawContext*, Control* control) override {
        changed.push_back(control);
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
    void play(const std::vector<KeySym>& steps) {
        for (KeySym step : steps) {
            if (step == kClickElsewhere) {
                input.click(250, 150);
            } else if (step == kFocusToHost) {
                XSetInputFocus(display, host, RevertToParent, CurrentTime);
            } else {
                input.key(step);
            }
            settle();
        }
    }
    void click(const Rect& r) {
        input.click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        settle();
    }

    Display* display = nullptr;
    Window host = 0;
    XInput input;
    Frame* frame = nullptr;
    OptionMenu* menu = nullptr;
    OptionMenu* submenu = nullptr;
    TextEdit* edit = nullptr;
    std::vector<Control*> changed;
    bool closeInListener = false;
};

TEST_F(PopupControls, TheChoiceArrivesFromIdleWithTheMenuAndEntryChosen) {
    const struct {
        const char* name;
        std::vector<KeySym> steps;
        bool inSubmenu;
        std::int32_t index;  // -1: nothing chosen
    } cases[] = {
        {"into the submenu and down", {XK_Down, XK_Down, XK_Down, XK_Right, XK_Down, XK_Return}, true, 1},
        {"up from the end", {XK_Up, XK_Up, XK_Return}, false, 2},
        {"escape", {XK_Escape}, false, -1},
        {"a click outside", {kClickElsewhere}, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        changed.clear();
        menu->setCurrent(0);
        submenu->setCurrent(0);
        click(kMenuSize);
        // takeFocus has returned; the popup lives on the frame's idle.
        ASSERT_TRUE(menu->isPopupOpen());
        EXPECT_EQ(popupWindowsShown(display), 1);
        play(c.steps);
        EXPECT_FALSE(menu->isPopupOpen());
        EXPECT_EQ(popupWindowsShown(display), 0);
        EXPECT_EQ(frame->getEditView(), nullptr);
        OptionMenu* chosen = c.index < 0 ? nullptr : c.inSubmenu ? submenu : menu;
        EXPECT_EQ(changed, chosen ? std::vector<Control*>{chosen} : std::vector<Control*>{});
        EXPECT_EQ(menu->getLastMenu(), chosen);
        EXPECT_EQ(menu->getCurrent(), chosen == menu ? c.index : 0);
        EXPECT_EQ(submenu->getCurrent(), chosen == submenu ? c.index : 0);
    }
}

TEST_F(PopupControls, NoPopupWindowOutlivesTheFrame) {
    enum Variant {
        hostCloses,
        hostClosesAfterTakeFocus,
        listenerCloses
    };
    for (const Variant variant : {hostCloses, hostClosesAfterTakeFocus, listenerCloses}) {
        SCOPED_TRACE(variant);
        if (!frame) {
            SetUp();
        }
        closeInListener = variant == listenerCloses;
        // Opened by a click, or by a direct takeFocus, which no press made the edit view.
        variant == hostClosesAfterTakeFocus ? menu->takeFocus(nullptr) : click(kMenuSize);
        play({XK_Down, XK_Down, XK_Down, XK_Right});
        ASSERT_EQ(popupWindowsShown(display), 2);
        saveScreen(display, "option-menu-with-submenu");
        if (variant == listenerCloses) {
            play({XK_Return});
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
        EXPECT_EQ(frame, nullptr);
        EXPECT_EQ(popupWindowsShown(display), 0);
    }
}

TEST_F(PopupControls, TheTextEditTakesTypedTextFromIdle) {
    const struct {
        const char* name;
        std::vector<KeySym> steps;
        const char* text;  // the control's text at the end
    } cases[] = {
        {"typing replaces the selected text; enter keeps it", {'a', 'b', 'c', XK_Return}, "abc"},
        {"escape drops it", {'a', 'b', 'c', XK_Escape}, "Hello"},
        {"a click elsewhere in the frame keeps it", {'x', kClickElsewhere}, "x"},
        {"the focus going elsewhere keeps it", {XK_End, 's', kFocusToHost}, "Hellos"},
        {"backspace, delete, home and end", {XK_End, XK_BackSpace, XK_Home, XK_Delete, XK_KP_Enter}, "ell"},
        {"left and right", {XK_Left, XK_Right, XK_Right, 'x', XK_Right, XK_Left, 'y', XK_Return}, "Hexyllo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        edit->setText("Hello");
        changed.clear();
        XSetInputFocus(display, host, RevertToParent, CurrentTime);
        click(kEditSize);
        ASSERT_TRUE(edit->isEditing());
        saveScreen(display, "text-edit");
        play(c.steps);
        EXPECT_FALSE(edit->isEditing());
        EXPECT_STREQ(edit->text(), c.text);
        EXPECT_EQ(changed.size(), std::strcmp(c.text, "Hello") != 0 ? 1u : 0u);
        EXPECT_EQ(frame->getEditView(), nullptr);
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        EXPECT_EQ(focus, host) << "the keyboard is the host's again";
    }
}

}  // namespace
}  // namespace qp::test
