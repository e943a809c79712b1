// The toolkit's popup on its own (no frame): real input through XTest, the test
// pumping the popup's events as a frame's idle would.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "gui/X11MenuPopup.h"
#include "tests/x11/XTestInput.h"

namespace qp::x11 {
namespace {

using Kind = PopupItem::Kind;

// Root: Alpha(1), separator, Greyed(3), Sub -> level 1, Omega(5, checked);
// level 1: a title, One(7), Two(8).
const std::vector<PopupLevel> kLevels = {{{{Kind::plain, "Alpha", false, false, 1, -1},
                                           {Kind::separator, "", false, false, 0, -1},
                                           {Kind::greyed, "Greyed", false, false, 3, -1},
                                           {Kind::submenu, "Sub", false, false, 0, 1},
                                           {Kind::plain, "Omega", true, false, 5, -1}}},
                                         {{{Kind::title, "Title", false, false, 6, -1},
                                           {Kind::plain, "One", false, false, 7, -1},
                                           {Kind::plain, "Two", false, false, 8, -1}}}};

class MenuPopupInput : public ::testing::Test, public MenuPopupClient {
protected:
    void SetUp() override {
        display = test::openDisplay();
        if (!display || !input.ok()) {
            GTEST_SKIP() << "no X display";
        }
        // The window the grabs are held on, as a frame's is inside its host's.
        owner = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
        XMapWindow(display, owner);
        XSync(display, False);
        input.moveTo(5, 5);
    }
    void TearDown() override {
        popup.reset();
        if (display) {
            XCloseDisplay(display);
        }
    }
    void popupWindowMade(Window window) override { live.push_back(window); }
    void popupWindowGone(Window window) override { live.erase(std::find(live.begin(), live.end(), window)); }
    void popupClosed(std::int32_t id) override { closings.push_back(id); }

    void open(int x, int y, const std::vector<PopupLevel>& levels = kLevels) {
        closings.clear();
        popup = std::make_unique<MenuPopup>(display, owner, levels, *this);
        ASSERT_TRUE(popup->open(x, y));
        pump();
    }
    // Hands the popup its windows' events until none came for a while.
    void pump() {
        auto quietSince = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - quietSince < std::chrono::milliseconds(60)) {
            XSync(display, False);
            for (bool any = false; XPending(display) > 0;
                 any = true, quietSince = std::chrono::steady_clock::now()) {
                XEvent event;
                XNextEvent(display, &event);
                if (popup &&
                    (event.xany.window == owner || std::count(live.begin(), live.end(), event.xany.window))) {
                    popup->handleEvent(event);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // The middle of an entry of the depth-th open level, on the screen.
    void middleOf(std::size_t depth, std::size_t item, int& x, int& y) {
        int w = 0;
        int h = 0;
        ASSERT_TRUE(popup->itemOnScreen(depth, item, x, y, w, h));
        x += w / 2, y += h / 2;
    }

    Display* display = nullptr;
    Window owner = 0;
    test::XInput input;
    std::unique_ptr<MenuPopup> popup;
    std::vector<Window> live;
    std::vector<std::int32_t> closings;
};

TEST_F(MenuPopupInput, KeysAndClicksChooseTheRightEntryOrNone) {
    // A step: a key, or (key 0) a click on entry b of open level a (the root's
    // submenu entry, 3, is only hovered), or (a < 0) a click far from the menu
    // with button b.
    struct Step {
        KeySym key;
        int a = 0;
        int b = 0;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::int32_t> closings;  // empty: still open
    } scripts[] = {
        // Down passes the separator and the greyed entry; Right opens the submenu
        // on its first entry that can be chosen (after the title).
        {"down to the submenu, into it, down, enter",
         {{XK_Down}, {XK_Down}, {XK_Right}, {XK_Down}, {XK_Return}},
         {8}},
        {"up wraps to the last entry", {{XK_Up}, {XK_Return}}, {5}},
        {"left closes the submenu only",
         {{XK_Down}, {XK_Down}, {XK_Right}, {XK_Left}, {XK_Down}, {XK_Return}},
         {5}},
        {"enter opens a submenu, then chooses in it", {{XK_Down}, {XK_Down}, {XK_Return}, {XK_Return}}, {7}},
        {"escape dismisses", {{XK_Escape}}, {0}},
        {"escape in a submenu closes the submenu only", {{XK_Down}, {XK_Down}, {XK_Right}, {XK_Escape}}, {}},
        {"a click outside dismisses", {{0, -1, Button1}}, {0}},
        {"the wheel outside does not", {{0, -1, Button4}}, {}},
        {"a click on an entry chooses it", {{0, 0, 4}}, {5}},
        {"hovering opens the submenu, a click chooses there", {{0, 0, 3}, {0, 1, 2}}, {8}},
        {"greyed entries, separators and titles choose nothing",
         {{0, 0, 2}, {0, 0, 1}, {0, 0, 3}, {0, 1, 0}},
         {}},
    };
    for (const auto& script : scripts) {
        SCOPED_TRACE(script.name);
        open(300, 200);
        for (const Step& step : script.steps) {
            int x = 20;
            int y = 20;
            if (step.key) {
                input.key(step.key);
            } else if (step.a < 0) {
                input.click(x, y, unsigned(step.b));
            } else {
                middleOf(std::size_t(step.a), std::size_t(step.b), x, y);
                // The submenu's entry is only hovered.
                step.b == 3 ? input.moveTo(x, y) : input.click(x, y);
            }
            pump();
        }
        EXPECT_EQ(closings, script.closings);
        EXPECT_EQ(popup->isOpen(), script.closings.empty());
        EXPECT_EQ(test::popupWindowsShown(display),
                  script.closings.empty() ? int(popup->windows().size()) : 0);
        popup.reset();
        EXPECT_TRUE(live.empty());
        EXPECT_EQ(test::popupWindowsShown(display), 0);
        input.moveTo(5, 5);
    }
}

TEST_F(MenuPopupInput, TheReleaseOfTheClickThatOpenedItChoosesNothing) {
    // Opened under the pointer (as a menu opened at its control's top is) while
    // the button is still down.
    input.moveTo(330, 208);
    input.button(Button1, true);
    open(300, 200);
    input.button(Button1, false);
    pump();
    EXPECT_TRUE(popup->isOpen());
    EXPECT_TRUE(closings.empty());
}

TEST_F(MenuPopupInput, ItStaysOnTheScreenInColumnsAndASubmenuFlipsLeftAtTheEdge) {
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    open(width - 10, height - 10);
    ASSERT_TRUE(popup->itemOnScreen(0, 4, x, y, w, h));
    EXPECT_LE(x + w, width);
    EXPECT_LE(y + h, height);
    const int rootLeft = x;
    input.key(XK_Down), input.key(XK_Down), input.key(XK_Right);
    pump();
    ASSERT_TRUE(popup->itemOnScreen(1, 1, x, y, w, h));
    EXPECT_LE(x + w, rootLeft + MenuPopup::kSubmenuOverlap);
    EXPECT_EQ(popup->highlighted(1), 1);
    test::saveScreen(display, "menu-popup-at-the-edge");

    // Columns start at the entries' breaks, and where the screen ends.
    PopupLevel broken;
    PopupLevel tall;
    for (int i = 0; i < 7; ++i) {
        broken.items.push_back({Kind::plain, "Entry", false, i % 3 == 0, i + 1, -1});
    }
    for (int i = 0; i < height / MenuPopup::kItemHeight + 5; ++i) {
        tall.items.push_back({Kind::plain, "Entry", false, false, i + 1, -1});
    }
    for (const auto& [level, columns] : {std::pair{broken, 3u}, std::pair{tall, 2u}}) {
        open(10, 10, {level});
        std::vector<int> lefts;
        int top = 0;
        for (std::size_t i = 0; popup->itemOnScreen(0, i, x, y, w, h); ++i) {
            EXPECT_LE(y + h, height) << i;
            top = i == 0 ? y : top;
            if (lefts.empty() || x != lefts.back()) {
                EXPECT_EQ(y, top) << "a column starts at the top: " << i;
                lefts.push_back(x);
            }
        }
        EXPECT_EQ(lefts.size(), columns);
    }
}

}  // namespace
}  // namespace qp::x11
