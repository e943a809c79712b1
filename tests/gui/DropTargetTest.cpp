#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "gui/DropTargetWin32.h"
#include "gui/ShellShortcutWin32.h"
#include "tests/gui/ControlTestSupport.h"
#include "tests/gui/DropTestSupport.h"
#include "tests/gui/XServerKeys.h"

namespace qp::test {
namespace {

// Installs the toolkit's drop target before the fixture's frame is made, as the
// product does once at start-up.
struct DropTargetInstalled {
    DropTargetInstalled() { DropTarget::install(); }
};

// A folder of its own under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "qp-drop-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::string& f : made_) {
            DeleteFileA(f.c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string file(const std::string& name, const std::string& content = "x") {
        const std::string full = path_ + "\\" + name;
        HANDLE h = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        DWORD written = 0;
        WriteFile(h, content.data(), DWORD(content.size()), &written, nullptr);
        CloseHandle(h);
        made_.push_back(full);
        return full;
    }
    // A shell shortcut to target, saved under name.
    std::string shortcut(const std::string& name, const std::string& target) {
        const std::string full = path_ + "\\" + name;
        IShellLinkA* link = nullptr;
        IPersistFile* file = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       reinterpret_cast<void**>(&link)))) {
            link->SetPath(target.c_str());
            if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
                WCHAR wide[MAX_PATH * 2];
                MultiByteToWideChar(CP_ACP, 0, full.c_str(), -1, wide, MAX_PATH * 2);
                file->Save(wide, TRUE);
                file->Release();
            }
            link->Release();
        }
        made_.push_back(full);
        return full;
    }

private:
    std::string path_;
    std::vector<std::string> made_;
};

std::string shortPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return buffer;
}

class DropTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        view = new test::DropRecordingView(Rect(10, 10, 200, 150));
        scene.frame->addView(view);
        target = DropTarget::create(scene.frame);
        target->AddRef();
        const POINT over = scene.screen(100, 80);
        SetCursorPos(over.x, over.y);
    }
    void TearDown() override { target->Release(); }

    // One drag as OLE drives a target: enter, a move, the drop.
    HRESULT dragAndDrop(test::TestDataObject& data, DWORD keys, DWORD* dropEffect = nullptr) {
        POINTL point = {0, 0};
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target->DragEnter(&data, keys | MK_LBUTTON, point, &effect);
        target->DragOver(keys | MK_LBUTTON, point, &effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        const HRESULT answer = target->Drop(&data, keys, point, &effect);
        if (dropEffect) {
            *dropEffect = effect;
        }
        return answer;
    }

    DropTargetInstalled installed;
    test::FrameScene scene;
    test::DropRecordingView* view = nullptr;
    IDropTarget* target = nullptr;
};

TEST_F(DropTargetTest, TheFramesOnlyReferenceIsThePlatformsAndRevokingFreesTheTarget) {
    const std::int32_t before = DropTarget::liveCount();
    {
        test::FrameScene another;
        EXPECT_EQ(DropTarget::liveCount(), before + 1);
        another.frame->enableDrop(false);
        EXPECT_EQ(DropTarget::liveCount(), before);
        another.frame->enableDrop(true);
        EXPECT_EQ(DropTarget::liveCount(), before + 1);
    }
    EXPECT_EQ(DropTarget::liveCount(), before) << "the frame's destruction revoked it";
}

TEST_F(DropTargetTest, InterfaceQueriesAndCountsAnswerAsOleExpects) {
    IDropTarget* fresh = DropTarget::create(scene.frame);
    const std::int32_t alive = DropTarget::liveCount();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(fresh->QueryInterface(IID_IDataObject, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(fresh->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(fresh));
    EXPECT_EQ(fresh->QueryInterface(IID_IDropTarget, &out), S_OK);
    EXPECT_EQ(fresh->AddRef(), 3u);
    EXPECT_EQ(fresh->Release(), 2u);
    EXPECT_EQ(fresh->Release(), 1u);
    EXPECT_EQ(fresh->Release(), 0u);
    EXPECT_EQ(DropTarget::liveCount(), alive - 1);
}

TEST_F(DropTargetTest, TextIsPreferredOverFilesAndArrivesWithItsBlockSize) {
    test::TestDataObject data;
    data.offerText = data.offerFiles = true;
    data.text = std::string("hello\0", 6);
    data.files = {"C:\\a.txt"};
    ASSERT_EQ(dragAndDrop(data, 0), S_OK);
    ASSERT_EQ(view->drops, 1);
    EXPECT_EQ(view->lastType, kDropText);
    EXPECT_EQ(view->lastCount, 6) << "the block's byte size, not a number of items";
    EXPECT_EQ(view->received, (std::vector<std::string>{"hello"}));
    EXPECT_EQ(view->lastWhere, Point(100, 80)) << "where the cursor is over the frame";
    EXPECT_EQ(data.mediaGiven, 1);
    EXPECT_EQ(data.mediaReleased, 1);
}

TEST_F(DropTargetTest, TextWithoutATerminatorReachesTheViewTerminated) {
    test::TestDataObject data;
    data.offerText = true;
    data.text = "abc";  // three bytes, no terminator
    ASSERT_EQ(dragAndDrop(data, 0), S_OK);
    EXPECT_EQ(view->received, (std::vector<std::string>{"abc"}));
    EXPECT_EQ(view->lastCount, 3);
}

TEST_F(DropTargetTest, EffectsFollowTheControlKeyAndTheSourceHearsOfAMoveNever) {
    test::TestDataObject data;
    data.offerText = true;
    data.text = "t";
    POINTL point = {0, 0};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragEnter(&data, MK_LBUTTON, point, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    target->DragOver(MK_LBUTTON | MK_CONTROL, point, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    target->DragLeave();
    target->DragOver(MK_LBUTTON, point, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE)) << "accept holds until the next enter";

    DWORD dropped = 0;
    dragAndDrop(data, 0, &dropped);
    EXPECT_EQ(dropped, DWORD(DROPEFFECT_NONE)) << "the view declined";
    view->takeIt = true;
    dragAndDrop(data, 0, &dropped);
    EXPECT_EQ(dropped, DWORD(DROPEFFECT_COPY)) << "taken, but never as a move";
}

TEST_F(DropTargetTest, DataWithNeitherFormatIsRefusedAndNothingIsDelivered) {
    test::TestDataObject data;
    POINTL point = {0, 0};
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(&data, MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(target->DragEnter(nullptr, MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    target->DragOver(MK_LBUTTON | MK_CONTROL, point, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(target->Drop(&data, 0, point, &effect), S_OK);
    EXPECT_EQ(view->drops, 0);

    IDropTarget* frameless = DropTarget::create(nullptr);
    frameless->AddRef();
    data.offerText = true;
    data.text = "t";
    EXPECT_EQ(frameless->Drop(&data, 0, point, &effect), S_OK);
    EXPECT_EQ(data.mediaGiven, 0);
    frameless->Release();
}

TEST_F(DropTargetTest, AFileListSkipsANameThatCannotBeReadAndReleasesItsMedium) {
    test::TestDataObject data;
    data.offerFiles = true;
    data.files = {"C:\\one.wav", "C:\\" + std::string(1500, 'n') + ".wav", "C:\\three.wav"};
    ASSERT_EQ(dragAndDrop(data, 0), S_OK);
    ASSERT_EQ(view->drops, 1);
    EXPECT_EQ(view->lastType, kDropFiles);
    EXPECT_EQ(view->lastCount, 2);
    EXPECT_EQ(view->received, (std::vector<std::string>{"C:\\one.wav", "C:\\three.wav"}));
    EXPECT_EQ(data.mediaReleased, 1) << "the file list's medium is released after delivery";
}

TEST_F(DropTargetTest, ShortcutsAreReplacedByTheirTargetsShortPathAndBrokenOnesArriveUnchanged) {
    TempFolder folder;
    const std::string target = folder.file("A rather long target name.txt");
    const std::string link = folder.shortcut("To the target.LNK", target);
    const std::string garbage = folder.file("not really.lnk", "no shortcut in here");
    const std::string notALink = folder.file("notes.lnk.txt");
    EXPECT_TRUE(ShellShortcut::isShortcutPath(link.c_str()));
    EXPECT_FALSE(ShellShortcut::isShortcutPath(notALink.c_str()));
    EXPECT_FALSE(ShellShortcut::isShortcutPath("C:\\dir.lnk\\file"));

    test::TestDataObject data;
    data.offerFiles = true;
    data.files = {target, link, garbage, notALink};
    ASSERT_EQ(dragAndDrop(data, 0), S_OK);
    ASSERT_EQ(view->received.size(), 4u);
    EXPECT_EQ(view->received[0], target);
    // Windows gives the target's short (8.3) form; Wine's shell link answers
    // the long form whatever the flags say. Either names the target.
    EXPECT_TRUE(view->received[1] == shortPath(target) || view->received[1] == target) << view->received[1];
    EXPECT_EQ(view->received[2], garbage) << "cannot be loaded: delivered under its own path";
    EXPECT_EQ(view->received[3], notALink);
}

TEST_F(DropTargetTest, AShortcutWhoseTargetIsGoneArrivesUnderItsOwnPath) {
    TempFolder folder;
    const std::string target = folder.file("gone.txt");
    const std::string link = folder.shortcut("dangling.lnk", target);
    DeleteFileA(target.c_str());
    test::TestDataObject data;
    data.offerFiles = true;
    data.files = {link};
    ASSERT_EQ(dragAndDrop(data, 0), S_OK);
    EXPECT_EQ(view->received, (std::vector<std::string>{link}));
}

// Drags made with the real mouse through the platform's DoDragDrop, from a
// point of the test window outside the frame onto the view.
class OleDragAndDrop : public DropTargetTest {
protected:
    // Runs one drag; ctrl holds the control key over the target.
    DWORD drag(test::TestDataObject& data, test::TestDropSource& source, bool ctrl) {
        const POINT from = {test::TestWindows::topLeftX + 560, test::TestWindows::topLeftY + 400};
        const POINT to = scene.screen(100, 80);
        std::atomic<bool> pressed{false};
        test::RealInput input;
        input.moveTo(from.x, from.y).press().then([&] { pressed = true; }).pause(150);
        if (ctrl) {
            input.keyDownAtServer(VK_CONTROL, "Control_L");
        }
        input.glide(to.x, to.y, 10, 30).pause(250).release().pause(150);
        if (ctrl) {
            input.keyUpAtServer(VK_CONTROL, "Control_L");
        }
        input.start();
        while (!pressed) {
            test::RealInput::pump();
        }
        DWORD effect = DROPEFFECT_NONE;
        result = DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
        input.join();
        test::TestWindows::pumpFor(30);
        return effect;
    }

    HRESULT result = E_FAIL;
};

TEST_F(OleDragAndDrop, TextAndFilesDraggedWithoutControlShowMoveAndDeliverTheText) {
    test::TestDataObject data;
    data.offerText = data.offerFiles = true;
    data.text = std::string("dragged\0", 8);
    data.files = {"C:\\x.wav"};
    test::TestDropSource source;
    const DWORD effect = drag(data, source, false);
    EXPECT_EQ(result, DRAGDROP_S_DROP);
    ASSERT_EQ(view->drops, 1);
    EXPECT_EQ(view->lastType, kDropText);
    EXPECT_EQ(view->received, (std::vector<std::string>{"dragged"}));
    ASSERT_FALSE(source.feedback.empty());
    EXPECT_EQ(source.feedback.back(), DWORD(DROPEFFECT_MOVE));
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE)) << "no view took it";
    EXPECT_EQ(data.mediaReleased, data.mediaGiven);
}

TEST_F(OleDragAndDrop, HoldingControlShowsCopyAndATakenDropReportsCopy) {
    if (!test::XServerKeys::available()) {
        GTEST_SKIP() << "control must be held at the X server while the mouse moves (see XServerKeys.h)";
    }
    view->takeIt = true;
    test::TestDataObject data;
    data.offerFiles = true;
    data.files = {"C:\\a.wav", "C:\\b.wav"};
    test::TestDropSource source;
    const DWORD effect = drag(data, source, true);
    EXPECT_EQ(result, DRAGDROP_S_DROP);
    ASSERT_EQ(view->drops, 1);
    EXPECT_EQ(view->lastType, kDropFiles);
    EXPECT_EQ(view->received, (std::vector<std::string>{"C:\\a.wav", "C:\\b.wav"}));
    ASSERT_FALSE(source.feedback.empty());
    EXPECT_EQ(source.feedback.back(), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(data.mediaReleased, 1);
}

}  // namespace
}  // namespace qp::test
