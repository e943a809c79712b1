#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gui/NativeObjectsWin32.h"
#include "gui/TextEdit.h"
#include "tests/gui/ControlTestSupport.h"

namespace qp::test {
namespace {

// A parent view that records what its children tell it.
class NotifiedView : public View {
public:
    NotifiedView()
        : View(Rect(0, 0, 1, 1)) {}
    std::int32_t notify(View* sender, const char* message) override {
        messages.push_back(message);
        lastSender = sender;
        return 0;
    }
    std::vector<std::string> messages;
    View* lastSender = nullptr;
};

class TextEditReal : public ::testing::Test {
protected:
    void SetUp() override {
        edit = new TextEdit(Rect(20, 20, 180, 40), &listener, 11, "old");
        edit->setParentView(&parent);
        scene.frame->addView(edit);
        scene.bringToFront();
        before = native::liveTotal();
    }

    POINT inside() const { return scene.screen(100, 30); }

    // Clicks into the edit, then types each key (virtual key codes).
    test::RealInput& clickAndType(test::RealInput& input, const std::string& keys) {
        const POINT p = inside();
        input.moveTo(p.x, p.y).press().release().pause(80);
        for (char k : keys) {
            input.keyDown(WORD(k)).keyUp(WORD(k));
        }
        return input;
    }

    // Before the scene: the frame's views use these until the frame goes.
    std::vector<std::string> log;
    test::RecordingListener listener;
    NotifiedView parent;
    test::FrameScene scene;
    TextEdit* edit = nullptr;
    std::int32_t before = 0;
};

TEST_F(TextEditReal, TypingReplacesTheSelectedTextAndEnterEndsEditingWithOneNotification) {
    bool wasEditing = false;
    std::int32_t windowsWhileEditing = 0;
    test::RealInput input;
    clickAndType(input, "")
        .then([&] {
            wasEditing = edit->isEditing();
            windowsWhileEditing = native::liveCount(native::Kind::window);
        })
        .keyDown('N')
        .keyUp('N')
        .keyDown('E')
        .keyUp('E')
        .keyDown('W')
        .keyUp('W')
        .keyDown(VK_RETURN)
        .keyUp(VK_RETURN)
        .pause(50);
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_TRUE(wasEditing);
    EXPECT_STREQ(edit->text(), "new") << "the old text was selected, so typing replaced it";
    EXPECT_FALSE(edit->isEditing());
    EXPECT_TRUE(edit->endedWithReturn());
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0].tag, 11);
    EXPECT_TRUE(listener.calls[0].hadContext) << "a temporary context is made";
    EXPECT_EQ(parent.messages, (std::vector<std::string>{"LooseFocus"}));
    EXPECT_EQ(parent.lastSender, edit);
    EXPECT_EQ(scene.frame->getEditView(), nullptr);
    EXPECT_EQ(native::liveCount(native::Kind::window), windowsWhileEditing - 1);
    EXPECT_EQ(native::liveTotal(), before) << "edit window, font and brush all gone";
}

TEST_F(TextEditReal, EditingThatLeavesTheTextAsItWasTellsNobody) {
    test::RealInput input;
    clickAndType(input, "").keyDown(VK_RETURN).keyUp(VK_RETURN).pause(50);
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_STREQ(edit->text(), "old");
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_EQ(parent.messages, (std::vector<std::string>{"LooseFocus"}))
        << "the parent still hears editing end";
    EXPECT_EQ(native::liveTotal(), before);
}

TEST_F(TextEditReal, APressElsewhereInTheFrameEndsEditingBeforeItIsDispatched) {
    auto* other = new test::RecordingView(Rect(20, 100, 80, 140), "B", colorRed, &log);
    scene.frame->addView(other);
    log.clear();
    listener.sequence = &log;
    const POINT elsewhere = scene.screen(50, 120);
    test::RealInput input;
    clickAndType(input, "X").pause(50);
    input.moveTo(elsewhere.x, elsewhere.y).press().release().pause(50);
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_STREQ(edit->text(), "x");
    EXPECT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(log, (std::vector<std::string>{"value 11", "B press"}));
    EXPECT_FALSE(edit->endedWithReturn());
    EXPECT_EQ(native::liveTotal(), before);
}

TEST_F(TextEditReal, LosingTheKeyboardFocusEndsEditing) {
    test::RealInput input;
    clickAndType(input, "AB").then([&] { PostMessageA(scene.windows.top(), WM_NULL, 0, 0); }).pause(30);
    ASSERT_TRUE(input.runWhilePumping());
    ASSERT_TRUE(edit->isEditing());
    SetFocus(scene.windows.top());
    test::TestWindows::pumpFor(30);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_STREQ(edit->text(), "ab");
    EXPECT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(native::liveTotal(), before);
}

TEST_F(TextEditReal, TheEditWindowIsColouredFromTheDisplaysColoursAndLimitedTo255Characters) {
    edit->setBackgroundColor(colorBlue);
    edit->setFontColor(colorYellow);
    const std::int32_t brushes = native::liveCount(native::Kind::brush);
    edit->takeFocus(nullptr);
    scene.frame->setEditView(edit);
    ASSERT_TRUE(edit->isEditing());
    HWND window = win32::hwnd(edit->getEditWindow());
    EXPECT_EQ(SendMessageA(window, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS)
        << "no host dialog takes Enter away";
    SendMessageA(window, EM_SETSEL, 0, -1);
    const std::string longText(300, 'q');
    SendMessageA(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(longText.c_str()));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    test::TestWindows::pumpFor(30);
    EXPECT_EQ(native::liveCount(native::Kind::brush), brushes + 1)
        << "one brush, however often the window asked";
    RECT r;
    GetClientRect(window, &r);
    EXPECT_EQ(test::TestWindows::windowPixel(window, r.right - 2, r.bottom - 2), colorBlue);

    SendMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(std::string(edit->text()), std::string(255, 'q'));
    EXPECT_EQ(native::liveTotal(), before);
}

TEST_F(TextEditReal, UnderTheDoubleClickStyleOnlyASecondQuickClickStartsEditing) {
    edit->setStyle(kTextEditDoubleClick);
    const POINT p = inside();
    bool afterOne = true;
    test::RealInput input;
    input.moveTo(p.x, p.y).press().release().pause(20);
    input.then([&] { afterOne = edit->isEditing(); }).press().release().pause(50);
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_FALSE(afterOne);
    EXPECT_TRUE(edit->isEditing());
    edit->loseFocus(nullptr);
    EXPECT_FALSE(edit->isEditing());
}

TEST_F(TextEditReal, AHostThatDestroysItsWindowWhileEditingLeavesNothingBehind) {
    edit->takeFocus(nullptr);
    scene.frame->setEditView(edit);
    ASSERT_TRUE(edit->isEditing());
    scene.windows.destroyHost();
    test::TestWindows::pumpFor(20);
    EXPECT_FALSE(edit->isEditing());
    EXPECT_EQ(scene.frame->getEditView(), nullptr);
    EXPECT_TRUE(listener.calls.empty()) << "nothing could be read back";
    delete scene.frame;
    scene.frame = nullptr;
    EXPECT_EQ(native::liveCount(native::Kind::window), 0);
    EXPECT_EQ(native::liveCount(native::Kind::font), 0);
    EXPECT_EQ(native::liveCount(native::Kind::brush), 0);
}

TEST(TextEditState, SetTextMarksDirtyOnlyWhenItDiffersAndDrawShowsTheConvertedText) {
    TextEdit* edit = new TextEdit(Rect(0, 0, 60, 16), nullptr, 0, nullptr);
    EXPECT_STREQ(edit->text(), "");
    edit->setDirty(false);
    edit->setText("");
    EXPECT_FALSE(edit->isDirty());
    edit->setText("abc");
    EXPECT_TRUE(edit->isDirty());
    char copy[kDisplayTextSize];
    edit->getText(copy);
    EXPECT_STREQ(copy, "abc");

    test::Surface surface(60, 16, colorBlack);
    DrawContext context(nullptr, surface.dc(), nullptr);
    edit->setTextConversion([](const char*, char* shown) { std::strcpy(shown, "WWWWWWW"); });
    edit->setFontColor(colorWhite);
    edit->draw(&context);
    EXPECT_FALSE(edit->isDirty());
    EXPECT_GT(surface.lastColumnNot(colorBlack), 20) << "the converted text, not \"abc\", was drawn";
    edit->release();
}

}  // namespace
}  // namespace qp::test
