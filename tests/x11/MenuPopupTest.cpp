#include <gtest/gtest.h>

#include <algorithm>

#include "gui/X11MenuPopup.h"
#include "tests/x11/XTestInput.h"

namespace qp::x11 {
namespace {

using Kind = PopupItem::Kind;
using test::isTopLevel;
using test::pumpUntilQuiet;
using test::XInput;

// Root: Alpha(1), separator, Greyed(3), Sub -> level 1, Omega(5);
// level 1: a title, One(7), Two(8).
std::vector<PopupLevel> sampleLevels() {
    PopupLevel root;
    root.items = {{Kind::plain, "Alpha", false, false, 1, -1},
                  {Kind::separator, "", false, false, 0, -1},
                  {Kind::greyed, "Greyed", false, false, 3, -1},
                  {Kind::submenu, "Sub", false, false, 0, 1},
                  {Kind::plain, "Omega", true, false, 5, -1}};
    PopupLevel sub;
    sub.items = {{Kind::title, "Title", false, false, 6, -1},
                 {Kind::plain, "One", false, false, 7, -1},
                 {Kind::plain, "Two", false, false, 8, -1}};
    return {root, sub};
}

struct Recorder : MenuPopupClient {
    void popupWindowMade(Window window) override { live.push_back(window), made.push_back(window); }
    void popupWindowGone(Window window) override { live.erase(std::find(live.begin(), live.end(), window)); }
    void popupClosed(std::int32_t id) override {
        ++closings;
        chosen = id;
    }
    std::vector<Window> live;
    std::vector<Window> made;
    int closings = 0;
    std::int32_t chosen = -1;
};

class MenuPopupInput : public ::testing::Test {
protected:
    void SetUp() override {
        display_ = test::openDisplay();
        if (!display_ || !input_.ok()) {
            GTEST_SKIP() << "no X display";
        }
        // The pointer rests away from where the menu opens.
        input_.moveTo(5, 5);
    }
    void TearDown() override {
        popup_.reset();
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    void open(int x = kOpenX, int y = kOpenY) {
        popup_ = std::make_unique<MenuPopup>(display_, sampleLevels(), recorder_);
        ASSERT_TRUE(popup_->open(x, y));
        pump();
    }
    void pump() {
        pumpUntilQuiet(display_, [&](const XEvent& event) {
            if (popup_ && std::count(recorder_.live.begin(), recorder_.live.end(), event.xany.window)) {
                popup_->handleEvent(event);
            }
        });
    }
    void pointAt(std::size_t depth, std::size_t item, int& x, int& y) {
        int w = 0;
        int h = 0;
        ASSERT_TRUE(popup_->itemOnScreen(depth, item, x, y, w, h)) << depth << "/" << item;
        x += w / 2;
        y += h / 2;
    }

    static constexpr int kOpenX = 300;
    static constexpr int kOpenY = 200;
    Display* display_ = nullptr;
    XInput input_;
    Recorder recorder_;
    std::unique_ptr<MenuPopup> popup_;
};

// One step of a user's script.
struct Step {
    enum Op {
        key,        // a: keysym
        hover,      // a: depth, b: entry
        click,      // a: depth, b: entry
        clickAway,  // a press and release far from the menu
    } op;
    long a = 0;
    long b = 0;
};

struct Script {
    const char* name;
    std::vector<Step> steps;
    int closings;  // 0: still open at the end
    std::int32_t chosen;
};

TEST_F(MenuPopupInput, KeysAndClicksChooseTheRightEntryOrNone) {
    const Script scripts[] = {
        // Down skips the separator and the greyed entry; Right opens the submenu
        // on its first entry that can be chosen (after the title).
        {"down to the submenu, into it, down, enter",
         {{Step::key, XK_Down},
          {Step::key, XK_Down},
          {Step::key, XK_Right},
          {Step::key, XK_Down},
          {Step::key, XK_Return}},
         1,
         8},
        {"up wraps to the last entry", {{Step::key, XK_Up}, {Step::key, XK_Return}}, 1, 5},
        {"left closes the submenu only",
         {{Step::key, XK_Down},
          {Step::key, XK_Down},
          {Step::key, XK_Right},
          {Step::key, XK_Left},
          {Step::key, XK_Down},
          {Step::key, XK_Return}},
         1,
         5},
        {"enter opens a submenu and then chooses in it",
         {{Step::key, XK_Down}, {Step::key, XK_Down}, {Step::key, XK_Return}, {Step::key, XK_Return}},
         1,
         7},
        {"escape dismisses", {{Step::key, XK_Escape}}, 1, 0},
        {"escape in a submenu closes only the submenu",
         {{Step::key, XK_Down}, {Step::key, XK_Down}, {Step::key, XK_Right}, {Step::key, XK_Escape}},
         0,
         -1},
        {"a click outside dismisses", {{Step::clickAway}}, 1, 0},
        {"a click on an entry chooses it", {{Step::click, 0, 4}}, 1, 5},
        {"hovering opens the submenu, a click chooses there",
         {{Step::hover, 0, 3}, {Step::click, 1, 2}},
         1,
         8},
        {"greyed entries, titles and separators choose nothing",
         {{Step::click, 0, 2}, {Step::click, 0, 1}, {Step::hover, 0, 3}, {Step::click, 1, 0}},
         0,
         -1},
        {"the wheel outside does not dismiss", {{Step::clickAway, Button4}}, 0, -1},
    };
    for (const Script& script : scripts) {
        SCOPED_TRACE(script.name);
        recorder_ = Recorder{};
        open();
        for (const Step& step : script.steps) {
            int x = 0;
            int y = 0;
            switch (step.op) {
                case Step::key:
                    input_.key(KeySym(step.a));
                    break;
                case Step::hover:
                    pointAt(std::size_t(step.a), std::size_t(step.b), x, y);
                    input_.moveTo(x, y);
                    break;
                case Step::click:
                    pointAt(std::size_t(step.a), std::size_t(step.b), x, y);
                    input_.click(x, y);
                    break;
                case Step::clickAway:
                    input_.click(20, 20, step.a ? unsigned(step.a) : Button1);
                    break;
            }
            pump();
        }
        if (popup_->isOpen()) {
            test::saveScreen(display_, "menu-popup-open");
        }
        EXPECT_EQ(recorder_.closings, script.closings);
        EXPECT_EQ(recorder_.chosen, script.chosen);
        EXPECT_EQ(popup_->isOpen(), script.closings == 0);
        popup_.reset();
        // Closed either way: not one of the popup's windows is left on the screen.
        XSync(display_, False);
        for (Window window : recorder_.made) {
            EXPECT_FALSE(isTopLevel(display_, window));
        }
        EXPECT_TRUE(recorder_.live.empty());
        input_.moveTo(5, 5);
    }
}

TEST_F(MenuPopupInput, TheReleaseOfTheOpeningClickChoosesNothing) {
    // The menu opens under the pointer (as one opened at the control's top does)
    // while the button that opened it is still down.
    popup_ = std::make_unique<MenuPopup>(display_, sampleLevels(), recorder_);
    input_.moveTo(kOpenX + 30, kOpenY + 8);
    input_.button(Button1, true);
    ASSERT_TRUE(popup_->open(kOpenX, kOpenY));
    pump();
    input_.button(Button1, false);
    pump();
    EXPECT_TRUE(popup_->isOpen());
    EXPECT_EQ(recorder_.closings, 0);
}

TEST_F(MenuPopupInput, ItStaysOnTheScreenAndASubmenuFlipsLeftAtTheRightEdge) {
    const int screenWidth = DisplayWidth(display_, DefaultScreen(display_));
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    open(screenWidth - 10, screenHeight - 10);
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    ASSERT_TRUE(popup_->itemOnScreen(0, 4, x, y, w, h));
    EXPECT_LE(x + w, screenWidth);
    EXPECT_LE(y + h, screenHeight);
    int rootX = 0;
    int rootY = 0;
    ASSERT_TRUE(popup_->itemOnScreen(0, 0, rootX, rootY, w, h));
    input_.key(XK_Down);
    input_.key(XK_Down);
    input_.key(XK_Right);
    pump();
    ASSERT_EQ(popup_->windows().size(), 2u);
    int subX = 0;
    ASSERT_TRUE(popup_->itemOnScreen(1, 1, subX, y, w, h));
    EXPECT_LT(subX + w, rootX + MenuPopup::kSubmenuOverlap + 1);
    EXPECT_EQ(popup_->highlighted(1), 1);
    test::saveScreen(display_, "menu-popup-at-the-edge");
}

TEST_F(MenuPopupInput, ColumnsStartAtBreaksAndWhereTheScreenEnds) {
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    // Three entries a column by their breaks; then more entries than the screen holds.
    PopupLevel broken;
    PopupLevel tall;
    for (int i = 0; i < 7; ++i) {
        broken.items.push_back({Kind::plain, "Entry " + std::to_string(i), false, i % 3 == 0, i + 1, -1});
    }
    const int tallCount = screenHeight / MenuPopup::kItemHeight + 5;
    for (int i = 0; i < tallCount; ++i) {
        tall.items.push_back({Kind::plain, "Entry " + std::to_string(i), false, false, i + 1, -1});
    }
    const struct {
        PopupLevel level;
        std::size_t columns;
    } cases[] = {{broken, 3}, {tall, 2}};
    for (const auto& c : cases) {
        popup_ = std::make_unique<MenuPopup>(display_, std::vector<PopupLevel>{c.level}, recorder_);
        ASSERT_TRUE(popup_->open(10, 10));
        std::vector<int> columnLefts;
        int top = 0;
        for (std::size_t i = 0; i < c.level.items.size(); ++i) {
            int x = 0;
            int y = 0;
            int w = 0;
            int h = 0;
            ASSERT_TRUE(popup_->itemOnScreen(0, i, x, y, w, h));
            EXPECT_LE(y + h, screenHeight) << i;
            if (i == 0) {
                top = y;
            }
            if (columnLefts.empty() || x != columnLefts.back()) {
                EXPECT_EQ(y, top) << "a column starts at the top: " << i;
                columnLefts.push_back(x);
            }
        }
        EXPECT_EQ(columnLefts.size(), c.columns);
    }
}

}  // namespace
}  // namespace qp::x11
