#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gui/Bitmap.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/OptionMenu.h"
#include "gui/OptionMenuEntries.h"
#include "gui/OptionMenuPopup.h"
#include "tests/gui/ControlTestSupport.h"
#include "tests/gui/MenuWith.h"

namespace qp::test {
namespace {

UINT stateOf(HMENU menu, int position) { return GetMenuState(menu, UINT(position), MF_BYPOSITION); }

TEST(OptionMenuNativeMenu, EntriesBecomeSeparatorsPopupsGreyedDisabledAndCheckedItems) {
    OptionMenu* sub = menuWith({"X", "Y"}, kMenuCheckCurrent);
    sub->setCurrent(1);
    OptionMenu* menu = menuWith({"Plain", "-", "-GGrey", "-TTitle", "Checked"}, kMenuMultipleCheck);
    menu->checkEntry(4, true);
    menu->addSubmenu("Sub", sub);
    menu->addEntry("-MOrphan");  // a submenu title without a submenu
    sub->release();
    const std::int32_t menusBefore = native::liveCount(native::Kind::menu);
    {
        OptionMenuPopup popup(*menu);
        HMENU root = win32::hmenu(popup.nativeMenu());
        EXPECT_EQ(popup.menuCount(), 2);
        EXPECT_EQ(native::liveCount(native::Kind::menu), menusBefore + 2);
        ASSERT_EQ(GetMenuItemCount(root), 6) << "the orphan is left out";
        EXPECT_EQ(GetMenuItemID(root, 0), 1u);
        EXPECT_TRUE(stateOf(root, 1) & MF_SEPARATOR);
        EXPECT_TRUE(stateOf(root, 2) & MF_GRAYED);
        EXPECT_TRUE(stateOf(root, 3) & MF_DISABLED);
        EXPECT_FALSE(stateOf(root, 3) & MF_GRAYED);
        EXPECT_TRUE(stateOf(root, 4) & MF_CHECKED);
        EXPECT_FALSE(stateOf(root, 0) & MF_CHECKED);
        char text[64] = {};
        GetMenuStringA(root, 2, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ(text, "Grey") << "markers are not shown";
        HMENU child = GetSubMenu(root, 5);
        ASSERT_NE(child, nullptr);
        GetMenuStringA(root, 5, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ(text, "Sub");
        // The root's block is 1..7 (seven entries); the submenu's follows.
        EXPECT_EQ(GetMenuItemID(child, 0), 8u);
        EXPECT_TRUE(stateOf(child, 1) & MF_CHECKED) << "the current entry under kMenuCheckCurrent";
        std::int32_t index = -1;
        EXPECT_EQ(popup.menuFor(9, index), menu->getSubmenu(0));
        EXPECT_EQ(index, 1);
        EXPECT_EQ(popup.menuFor(5, index), menu);
        EXPECT_EQ(index, 4);
        EXPECT_EQ(popup.menuFor(10, index), nullptr);
    }
    EXPECT_EQ(native::liveCount(native::Kind::menu), menusBefore) << "every native menu destroyed once";
    menu->release();
}

TEST(OptionMenuNativeMenu, ColumnsBreakEveryNEntriesAndAMenuInsideItselfIsNotFollowed) {
    OptionMenu* menu = menuWith({"0", "1", "2", "3", "4", "5", "6"});
    menu->setEntriesPerColumn(3);
    menu->addSubmenu("Myself", menu);
    {
        OptionMenuPopup popup(*menu);
        HMENU root = win32::hmenu(popup.nativeMenu());
        EXPECT_EQ(popup.menuCount(), 1);
        ASSERT_EQ(GetMenuItemCount(root), 7);
        EXPECT_FALSE(stateOf(root, 0) & MF_MENUBREAK);
        EXPECT_FALSE(stateOf(root, 2) & MF_MENUBREAK);
        EXPECT_TRUE(stateOf(root, 3) & MF_MENUBREAK);
        EXPECT_TRUE(stateOf(root, 6) & MF_MENUBREAK);
    }
    // The menu holds a reference to itself: let go of it before the last release.
    menu->removeAllEntries();
    menu->release();
}

// A menu popped up for real in a frame, chosen with the keyboard while the
// popup's own loop runs.
class OptionMenuPopupReal : public ::testing::Test {
protected:
    void SetUp() override { scene.bringToFront(); }

    // Clicks the menu (at frame point p) and then types keys, one every 60 ms.
    bool clickAndType(POINT p, std::initializer_list<WORD> keys,
                      test::MouseButton button = test::MouseButton::left) {
        test::RealInput input;
        input.moveTo(p.x, p.y).press(button).release(button).pause(250);
        for (WORD k : keys) {
            input.keyDown(k).keyUp(k).pause(60);
        }
        input.pause(150);
        return input.runWhilePumping();
    }

    // Before the scene: the frame's views write here until the frame goes.
    std::vector<std::string> log;
    test::RecordingListener listener;
    test::FrameScene scene;
};

TEST_F(OptionMenuPopupReal, AnEntryChosenWithTheKeyboardReachesTheListener) {
    OptionMenu* menu = menuWith({"One", "Two", "-", "Three"}, 0, &listener, 5);
    scene.frame->addView(menu);
    const std::int32_t menusBefore = native::liveCount(native::Kind::menu);
    ASSERT_TRUE(clickAndType(scene.screen(60, 30), {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}));
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0].control, menu);
    EXPECT_EQ(listener.calls[0].tag, 5);
    EXPECT_FLOAT_EQ(listener.calls[0].value, 3.0f)
        << "the separator is skipped by the keys, not by the numbering";
    EXPECT_EQ(menu->getCurrent(), 3);
    EXPECT_EQ(menu->getLastMenu(), menu);
    EXPECT_EQ(menu->getLastResult(), 4);
    EXPECT_EQ(scene.frame->getEditView(), nullptr);
    EXPECT_EQ(native::liveCount(native::Kind::menu), menusBefore);
}

TEST_F(OptionMenuPopupReal, ASubmenuChoiceIsReportedWithTheSubmenuAndLeavesTheParentAlone) {
    OptionMenu* sub = menuWith({"X", "Y", "Z"}, 0, nullptr, 6);
    OptionMenu* menu = menuWith({"A"}, 0, &listener, 5);
    menu->addSubmenu("Presets", sub);
    sub->release();
    scene.frame->addView(menu);
    ASSERT_TRUE(clickAndType(scene.screen(60, 30), {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0].control, sub);
    EXPECT_EQ(listener.calls[0].tag, 6);
    EXPECT_EQ(sub->getCurrent(), 1) << "Y";
    EXPECT_EQ(menu->getCurrent(), 0);
    EXPECT_FLOAT_EQ(menu->getValue(), 0.0f);
    EXPECT_EQ(menu->getLastMenu(), sub);
}

TEST_F(OptionMenuPopupReal, EscapeChoosesNothingAndARightClickOpensTheMenuToo) {
    Bitmap* clicked = new Bitmap(test::patternBitmapId);
    auto* menu = new OptionMenu(Rect(20, 20, 140, 40), &listener, 5, nullptr, clicked, kMenuMultipleCheck);
    clicked->release();
    menu->addEntry("One");
    menu->addEntry("Two");
    scene.frame->addView(menu);
    menu->setDirty(false);
    ASSERT_TRUE(clickAndType(scene.screen(60, 30), {VK_DOWN, VK_ESCAPE}));
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_EQ(menu->getLastResult(), -1);
    EXPECT_FALSE(menu->isDirty())
        << "the paint of the whole frame after the popup drew the clicked picture over";

    ASSERT_TRUE(clickAndType(scene.screen(60, 30), {VK_DOWN, VK_RETURN}, test::MouseButton::right));
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(menu->getLastButtons() & kButtonRight, kButtonRight);
    EXPECT_TRUE(menu->isCheckedEntry(0)) << "multiple-check toggles the chosen entry";
}

TEST_F(OptionMenuPopupReal, AClosedPopupHasTheWholeFramePaintedOnce) {
    // Hosts may hand over a smaller area than the popup covered (LMMS under Wine
    // falls a pixel short on the right and at the bottom), so a view far from
    // the popup shows whether the frame trusted that area.
    scene.frame->addView(new RecordingView(Rect(250, 180, 290, 210), "corner", colorGreen, &log));
    scene.frame->addView(menuWith({"One", "Two"}, 0, &listener, 5));
    for (const auto& keys : {std::initializer_list<WORD>{VK_ESCAPE}, {VK_DOWN, VK_RETURN}}) {
        TestWindows::pumpFor(50);
        log.clear();
        ASSERT_TRUE(clickAndType(scene.screen(60, 30), keys));
        EXPECT_EQ(log, (std::vector<std::string>{"corner draw"})) << "after " << keys.size() << " keys";
    }
}

}  // namespace
}  // namespace qp::test
