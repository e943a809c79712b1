// The frame's native side over its life: the shared window class, a host that
// destroys its window first, the drop target's registration, and ownership of
// the views and the background.
#include <gtest/gtest.h>

#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/FrameWin32.h"
#include "gui/FrameWindowClassWin32.h"
#include "gui/GuiModule.h"
#include "gui/NativeObjectsWin32.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/TestComObject.h"

namespace qp::test {
namespace {

using test::TestWindows;

bool classRegistered() {
    WNDCLASSA info;
    return GetClassInfoA(win32::hinstance(guiModule()), FrameWindowClass::name(), &info) != 0;
}

TEST(FrameWindowClassUse, TwoFramesShareOneRegistrationReleasedByTheLast) {
    TestWindows first, second;
    const auto classesBefore = native::liveCount(native::Kind::windowClass);
    auto* one = new Frame(Rect(0, 0, 50, 50), first.host(), nullptr);
    auto* two = new Frame(Rect(0, 0, 50, 50), second.host(), nullptr);
    EXPECT_EQ(FrameWindowClass::useCount(), 2);
    EXPECT_EQ(native::liveCount(native::Kind::windowClass), classesBefore + 1);

    // "Plugin" and the module handle in lowercase hex, eight digits at least and
    // none cut off (a 64-bit module lies above 4 GiB).
    const std::string expected = FrameWindowClass::name();
    ASSERT_EQ(expected.rfind("Plugin", 0), 0u) << expected;
    const std::string digits = expected.substr(6);
    EXPECT_EQ(digits.find_first_not_of("0123456789abcdef"), std::string::npos) << expected;
    EXPECT_GE(digits.size(), 8u);
    EXPECT_TRUE(digits.size() == 8 || digits[0] != '0') << expected;
    EXPECT_EQ(std::strtoull(digits.c_str(), nullptr, 16), reinterpret_cast<std::uintptr_t>(guiModule()))
        << expected;
    char actual[64] = {};
    GetClassNameA(win32::hwnd(one->getWindow()), actual, sizeof(actual));
    EXPECT_EQ(actual, expected);
    WNDCLASSA info;
    ASSERT_TRUE(GetClassInfoA(win32::hinstance(guiModule()), expected.c_str(), &info));
    EXPECT_EQ(info.style, UINT(CS_GLOBALCLASS)) << "no double-click messages";

    delete one;
    EXPECT_TRUE(classRegistered());
    EXPECT_EQ(FrameWindowClass::useCount(), 1);
    delete two;
    EXPECT_FALSE(classRegistered());
    EXPECT_EQ(FrameWindowClass::useCount(), 0);
    EXPECT_EQ(native::liveCount(native::Kind::windowClass), classesBefore);
}

TEST(FrameWindowClassUse, AFrameWithoutAParentMakesNoWindowAndNeverDraws) {
    int destroyed = 0;
    std::vector<std::string> log;
    {
        Frame frame(Rect(0, 0, 50, 50), nullptr, nullptr);
        EXPECT_EQ(frame.getWindow(), nullptr);
        EXPECT_EQ(FrameWindowClass::useCount(), 0);
        auto* view = new test::RecordingView(Rect(0, 0, 5, 5), "V", colorRed, &log, &destroyed);
        EXPECT_TRUE(frame.addView(view));
        view->setDirty(true);
        frame.idle();
        frame.redrawView(nullptr);
        EXPECT_EQ(log, (std::vector<std::string>{"V attached"}));
        EXPECT_FALSE(frame.enableDrop(true));
    }
    EXPECT_EQ(destroyed, 1) << "the frame still owns its views";
}

TEST(FrameTeardown, DestructionReleasesEveryChildAndTheBackground) {
    TestWindows windows;
    int destroyed = 0;
    std::vector<std::string> log;
    auto* background = new Bitmap(test::faceBitmapId);
    background->retain();  // the test keeps one reference to watch the count
    auto* frame = new Frame(Rect(0, 0, 50, 50), windows.host(), nullptr);
    frame->setBackground(background);
    EXPECT_EQ(background->getRefCount(), 3);
    frame->setBackground(background);
    EXPECT_EQ(background->getRefCount(), 3) << "setting the same background keeps one reference";
    for (int i = 0; i < 3; ++i) {
        frame->addView(
            new test::RecordingView(Rect(0, 0, 5, 5), std::to_string(i), colorRed, &log, &destroyed));
    }
    auto* kept = new test::RecordingView(Rect(0, 0, 5, 5), "kept", colorRed, &log, &destroyed);
    kept->retain();
    frame->addView(kept);
    HWND window = win32::hwnd(frame->getWindow());
    delete frame;
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(kept->getRefCount(), 1);
    EXPECT_EQ(kept->getFrame(), frame) << "removal does not clear the frame reference";
    kept->release();
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(background->getRefCount(), 2);
    background->release();
    background->release();
    EXPECT_FALSE(IsWindow(window));
}

// Whether the calling thread is still COM-initialised in that model, asked the
// way COM answers it: a further initialisation says S_FALSE (and is undone).
bool comStillInitialised(DWORD model) {
    const HRESULT answer = CoInitializeEx(nullptr, model);
    if (SUCCEEDED(answer)) {
        CoUninitialize();
    }
    return answer == S_FALSE;
}

TEST(FrameOle, AHostThreadInTheMultithreadedApartmentKeepsItsInitialisation) {
    const auto olesBefore = native::liveCount(native::Kind::oleInit);
    std::thread host([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        for (int i = 0; i < 2; ++i) {
            delete new Frame(Rect(0, 0, 50, 50), nullptr, nullptr);
        }
        EXPECT_TRUE(comStillInitialised(COINIT_MULTITHREADED));
        CoUninitialize();
    });
    host.join();
    EXPECT_EQ(native::liveCount(native::Kind::oleInit), olesBefore);
}

TEST(FrameOle, AFrameDestroyedOnAnotherThreadLeavesThatThreadsOleAlone) {
    Frame* frame = nullptr;
    std::thread maker([&] { frame = new Frame(Rect(0, 0, 50, 50), nullptr, nullptr); });
    maker.join();
    std::thread closer([&] {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        delete frame;
        EXPECT_TRUE(comStillInitialised(COINIT_APARTMENTTHREADED));
        OleUninitialize();
    });
    closer.join();
}

TEST(FrameTeardown, AHostThatDestroysItsWindowFirstClosesTheFrame) {
    const auto before = native::liveTotal();
    {
        TestWindows windows;
        std::vector<std::string> log;
        auto* frame = new Frame(Rect(0, 0, 50, 50), windows.host(), nullptr);
        auto* view = new test::RecordingView(Rect(0, 0, 5, 5), "V", colorRed, &log);
        frame->addView(view);
        TestWindows::pumpFor(20);
        EXPECT_TRUE(frame->isOpen());
        windows.destroyHost();
        EXPECT_FALSE(frame->isOpen());
        EXPECT_EQ(frame->getWindow(), nullptr);
        EXPECT_EQ(frame->getParentWindow(), nullptr);
        log.clear();
        view->setDirty(true);
        frame->idle();
        frame->redrawView(view);
        EXPECT_TRUE(log.empty()) << "a closed frame draws nothing";
        delete frame;
        EXPECT_EQ(FrameWindowClass::useCount(), 0);
    }
    EXPECT_EQ(native::liveTotal(), before);
}

// A drop target that counts its references, as the real one does: it starts at 0
// and the platform's registration holds the only reference.
class CountingDropTarget : public TestComObject<IDropTarget, IID_IDropTarget, ComLifetime::onHeap> {
public:
    static int alive;
    static int made;

    CountingDropTarget()
        : TestComObject(0) {
        ++alive;
        ++made;
    }
    ~CountingDropTarget() override { --alive; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

int CountingDropTarget::alive = 0;
int CountingDropTarget::made = 0;

class DropTargetFactoryInstalled : public ::testing::Test {
protected:
    void SetUp() override {
        CountingDropTarget::alive = 0;
        CountingDropTarget::made = 0;
        setDropTargetFactory([](Frame*) -> IDropTarget* { return new CountingDropTarget; });
    }
    void TearDown() override { setDropTargetFactory(nullptr); }
};

TEST_F(DropTargetFactoryInstalled, TheTargetLivesFromOpenToDestruction) {
    TestWindows windows;
    auto* frame = new Frame(Rect(0, 0, 50, 50), windows.host(), nullptr);
    EXPECT_EQ(CountingDropTarget::alive, 1) << "registration holds it";
    EXPECT_TRUE(frame->enableDrop(true));
    EXPECT_EQ(CountingDropTarget::made, 1) << "enabling twice registers once";
    delete frame;
    EXPECT_EQ(CountingDropTarget::alive, 0) << "revocation freed it";
}

TEST_F(DropTargetFactoryInstalled, AHostDestroyingItsWindowFirstStillFreesTheTarget) {
    TestWindows windows;
    auto* frame = new Frame(Rect(0, 0, 50, 50), windows.host(), nullptr);
    EXPECT_EQ(CountingDropTarget::alive, 1);
    windows.destroyHost();
    EXPECT_EQ(CountingDropTarget::alive, 0);
    delete frame;
    EXPECT_EQ(CountingDropTarget::alive, 0);
}

TEST_F(DropTargetFactoryInstalled, DisablingAndEnablingAgainMakesAFreshTarget) {
    TestWindows windows;
    Frame frame(Rect(0, 0, 50, 50), windows.host(), nullptr);
    EXPECT_TRUE(frame.enableDrop(false));
    EXPECT_EQ(CountingDropTarget::alive, 0);
    EXPECT_TRUE(frame.enableDrop(false));
    EXPECT_TRUE(frame.enableDrop(true));
    EXPECT_EQ(CountingDropTarget::alive, 1);
    EXPECT_EQ(CountingDropTarget::made, 2);
}

}  // namespace
}  // namespace qp::test
