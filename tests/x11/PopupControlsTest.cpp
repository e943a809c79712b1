// OptionMenu and TextEdit in a frame embedded as an LV2 host embeds it, driven by
// real input (XTest) and pumped only from the frame's idle: the popup and the
// edit field are event-driven, so the choice and the text arrive from idle.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <cairo.h>

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

// The widest advance of the texts in the menus' face at a font size, rounded.
int widestText(std::initializer_list<const char*> texts, double size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    int widest = 0;
    for (cairo_text_extents_t extents; const char* text : texts) {
        cairo_text_extents(cr, text, &extents);
        widest = std::max(widest, int(extents.x_advance + 0.5));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return widest;
}

// The dark pixels (the menu's ink) of a rectangle of a popup's window as shown, and
// how many rows they lie in; what lies outside the window counts for nothing.
int inkIn(Display* display, const XWindowAttributes& popup, int x, int y, int width, int height,
          int* rows = nullptr) {
    width = std::min(width, popup.width - x);
    height = std::min(height, popup.height - y);
    XImage* image = width > 0 && height > 0
                        ? XGetImage(display, DefaultRootWindow(display), popup.x + x, popup.y + y,
                                    unsigned(width), unsigned(height), AllPlanes, ZPixmap)
                        : nullptr;
    int count = 0;
    for (int j = 0; image && j < height; ++j) {
        int inRow = 0;
        for (int i = 0; i < width; ++i) {
            inRow += (XGetPixel(image, i, j) & 0xFF) < 0x80;
        }
        count += inRow;
        rows&& inRow && ++*rows;
    }
    if (image) {
        XDestroyImage(image);
    }
    return count;
}

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

TEST_F(PopupControls, ThePopupIsDrawnAndHitAtTheFramesZoomStep) {
    // The 100 % figures at each step, halves rounded up, worked out by hand: an
    // entry, a separator, the border (and a submenu's overlap), a gutter, the
    // text's padding.
    const struct {
        std::int32_t percent;
        int item, separator, border, gutter, padding;
    } steps[] = {{100, 20, 9, 3, 22, 8},   {125, 25, 11, 4, 28, 10}, {150, 30, 14, 5, 33, 12},
                 {175, 35, 16, 5, 39, 14}, {200, 40, 18, 6, 44, 16}, {250, 50, 23, 8, 55, 20},
                 {300, 60, 27, 9, 66, 24}};
    int inkedRowsAt100 = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.percent);
        frame->setZoom(s.percent);
        const int tops[] = {s.border, s.border + s.item, s.border + s.item + s.separator,
                            s.border + 2 * s.item + s.separator};
        // Alpha and Beta chosen by their rows; Two through the submenu of Presets.
        for (const int row : {0, 2, 3}) {
            click(kMenuSize);
            std::vector<XWindowAttributes> shown = popupWindows(display);
            ASSERT_EQ(shown.size(), 1u);
            const XWindowAttributes root = shown[0];
            EXPECT_EQ(root.height, 2 * s.border + 3 * s.item + s.separator);
            EXPECT_EQ(root.width, 2 * s.border + 2 * s.gutter + s.padding +
                                      widestText({"Alpha", "Beta", "Presets"}, 12.0 * s.percent / 100));
            // The submenu's arrow, a triangle 4 wide and 8 high 8 in from the entry's right,
            // and the text, 1.8 times as high at 200 % (Presets: no descender to blur that).
            const int arrow = 4 * s.percent / 100;
            EXPECT_GE(4 * inkIn(display, root, root.width - s.border - 3 * arrow,
                                tops[3] + s.item / 2 - arrow, arrow, 2 * arrow),
                      2 * arrow * arrow);
            int inkedRows = 0;
            inkIn(display, root, s.border + s.gutter, tops[3], root.width - 2 * (s.border + s.gutter), s.item,
                  &inkedRows);
            inkedRowsAt100 = s.percent == 100 ? inkedRows : inkedRowsAt100;
            EXPECT_GE(inkedRows * 100, inkedRowsAt100 * 90 * s.percent / 100);
            changed.clear();
            input.moveTo(root.x + root.width / 2, root.y + tops[row] + s.item / 2);
            settle();
            if (row == 3) {
                shown = popupWindows(display);
                ASSERT_EQ(shown.size(), 2u) << "hovering Presets opens its submenu beside its row";
                EXPECT_EQ(shown[1].x, root.x + root.width - s.border);
                EXPECT_EQ(shown[1].y, root.y + tops[3] - s.border);
                input.moveTo(shown[1].x + shown[1].width / 2, shown[1].y + s.border + s.item * 3 / 2);
            }
            input.button(Button1, true), input.button(Button1, false);
            settle();
            OptionMenu* chosen = row == 3 ? submenu : menu;
            EXPECT_EQ(changed, std::vector<Control*>{chosen});
            EXPECT_EQ(chosen->getCurrent(), row == 3 ? 1 : row);
        }
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
