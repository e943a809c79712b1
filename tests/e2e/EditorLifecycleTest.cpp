// The editor as a host sees it: its rectangle before any window exists, many
// opens and closes without native objects piling up, the face coming back
// plain after a close with the about screen up, and host changes reaching the
// knobs at the next idle. Needs a display (Xvfb under the test run).
#include <gtest/gtest.h>

#include "EditorSession.h"
#include "ImportCounter.h"
#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr Int32 kFlagsWithEditor = 61;  // editor, VU, mono, replacing, chunks
constexpr Int32 kCycles = 200;

class EditorLifecycle : public EditorHostTest {
protected:
    void setUpForEditor() override {
        // Before `main`, so the bitmaps the editor loads with the effect are seen too.
        hookedImports = ImportCounter::install(GetModuleHandleA("Quorrelphone.dll"));
        beforeEffect = ImportCounter::live();
        ASSERT_NE(host.open(), nullptr);
    }

    int hookedImports = 0;
    NativeCounts beforeEffect;
};

TEST_F(EditorLifecycle, AnnouncesTheEditorAndItsRectangleBeforeAnyOpen) {
    EXPECT_EQ(host.effect()->flags, kFlagsWithEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 168);
    EXPECT_EQ(rect->right, 309);
}

TEST_F(EditorLifecycle, OpenPaintsTheFaceWithBothKnobsIntoTheHostWindow) {
    EditorSession session(host);
    ASSERT_EQ(session.open(), 1);
    const HWND frame = session.frameWindow();
    ASSERT_NE(frame, nullptr);
    RECT client;
    GetClientRect(frame, &client);
    EXPECT_EQ(client.right, 309);
    EXPECT_EQ(client.bottom, 168);
    char className[32] = {};
    GetClassNameA(frame, className, sizeof className);
    EXPECT_EQ(std::string(className).rfind("Plugin", 0), 0u) << className;

    const Capture face = session.capture();
    // The film strip's green never shows: it is keyed out over the wells.
    int green = 0;
    for (std::uint32_t pixel : face.pixels) {
        green += pixel == 0x0000FF00;
    }
    EXPECT_EQ(green, 0);
    // The knob's orange pointer stands straight up at 0.5 in both wells.
    for (POINT centre : {kSensKnobCentre, kBuzzKnobCentre}) {
        int orange = 0;
        for (int y = centre.y - 45; y < centre.y - 15; ++y) {
            const std::uint32_t p = face.at(centre.x, y);
            const int r = int(p >> 16 & 0xFF), g = int(p >> 8 & 0xFF), b = int(p & 0xFF);
            orange += r > 180 && g > 80 && g < 200 && b < 80;
        }
        EXPECT_GT(orange, 5) << "knob at " << centre.x;
    }
}

TEST_F(EditorLifecycle, KeysGoNowhereButKeyUpIsAnswered) {
    EditorSession session(host);
    ASSERT_EQ(session.open(), 1);
    EXPECT_EQ(host.dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(host.dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f), -1);
    session.close();
    EXPECT_EQ(host.dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f), -1);
}

TEST_F(EditorLifecycle, ManyOpensAndClosesLeaveNoNativeObjectsBehind) {
    ASSERT_GT(hookedImports, 10);
    const NativeCounts beforeOpen = ImportCounter::live();
    // The editor comes with the effect and loads the face and the about picture.
    EXPECT_EQ(beforeOpen.gdiObjects, beforeEffect.gdiObjects + 2);
    EditorSession session(host);

    auto cycle = [&](int i) {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, session.hostWindow()), 1);
        EditorSession::pump();
        // A changed value makes the next idle redraw a knob.
        host.setParameter(i % 2, float(i % 10) / 10.0f);
        host.dispatch(effEditIdle);
        EditorSession::pump();
        host.dispatch(effEditIdle);
        host.dispatch(effEditClose);
        EditorSession::pump();
    };

    cycle(0);
    const NativeCounts afterFirst = ImportCounter::live();
    const NativeCounts madeInFirst = ImportCounter::made();
    for (int i = 1; i < kCycles; ++i) {
        cycle(i);
    }
    const NativeCounts afterAll = ImportCounter::live();
    const NativeCounts madeInAll = ImportCounter::made();

    std::printf("before main: %s\nbefore open: %s\nafter 1 cycle: %s\nafter %d cycles: %s\n",
                beforeEffect.describe().c_str(), beforeOpen.describe().c_str(), afterFirst.describe().c_str(),
                kCycles, afterAll.describe().c_str());
    std::printf("made in cycles 2..%d: windows %d, window DCs %d, gdi objects %d, memory DCs %d, menus %d\n",
                kCycles, madeInAll.windows - madeInFirst.windows, madeInAll.windowDCs - madeInFirst.windowDCs,
                madeInAll.gdiObjects - madeInFirst.gdiObjects, madeInAll.memoryDCs - madeInFirst.memoryDCs,
                madeInAll.menus - madeInFirst.menus);
    // The counters saw the cycles really make objects...
    EXPECT_GT(madeInAll.windows - madeInFirst.windows, kCycles / 2);
    EXPECT_GT(madeInAll.windowDCs - madeInFirst.windowDCs, kCycles);
    EXPECT_GT(madeInAll.gdiObjects - madeInFirst.gdiObjects, kCycles);
    // ...and every one of them went again.
    EXPECT_EQ(afterAll, afterFirst) << afterAll.describe();
    // What the first open keeps is the knob strip in the editor's bitmap cache.
    EXPECT_EQ(afterFirst.gdiObjects, beforeOpen.gdiObjects + 1);
    EXPECT_EQ(afterFirst.userTotal(), beforeOpen.userTotal());
    EXPECT_EQ(afterFirst.memoryDCs, beforeOpen.memoryDCs);
    EXPECT_EQ(afterFirst.windowDCs, 0);

    host.close();
    const NativeCounts afterEffect = ImportCounter::live();
    std::printf("after effClose: %s\n", afterEffect.describe().c_str());
    EXPECT_EQ(afterEffect, beforeEffect) << afterEffect.describe();
}

TEST_F(EditorLifecycle, ClosingTheEffectWithItsEditorOpenFreesEverything) {
    {
        EditorSession session(host);
        ASSERT_EQ(session.open(), 1);
        host.setParameter(5, 0.0f);
        session.idle();
        host.close();
    }
    EXPECT_EQ(ImportCounter::live(), beforeEffect) << ImportCounter::live().describe();
}

TEST_F(EditorLifecycle, AHostThatDestroysItsWindowFirstStillClosesCleanly) {
    EditorSession session(host);
    ASSERT_EQ(session.open(), 1);
    const NativeCounts open = ImportCounter::live();
    session.destroyHostWindow();
    host.setParameter(0, 0.2f);
    host.dispatch(effEditIdle);
    session.close();
    const NativeCounts closed = ImportCounter::live();
    EXPECT_LT(closed.windows, open.windows);
    EXPECT_EQ(closed.windows + closed.windowClasses + closed.windowDCs, 0) << closed.describe();
    // The editor opens again into a new window.
    EditorSession again(host);
    EXPECT_EQ(again.open(), 1);
    EXPECT_NE(again.frameWindow(), nullptr);
}

TEST_F(EditorLifecycle, ClosingWithTheAboutScreenUpReopensOnThePlainFace) {
    EditorSession session(host);
    ASSERT_EQ(session.open(), 1);
    const Capture plain = session.capture();

    // What a host replaying the editor's "About" automation sends.
    host.setParameter(5, 0.0f);
    session.idle();
    const Capture about = session.capture();
    EXPECT_GT(about.differences(plain, &kAboutArea), 5000);
    const RECT rightOfAbout = {258, 0, 309, 168};
    EXPECT_EQ(about.differences(plain, &rightOfAbout), 0);

    session.close();
    ASSERT_EQ(session.open(), 1);
    EXPECT_EQ(session.capture().differences(plain), 0);
}

TEST_F(EditorLifecycle, AHostChangeMovesTheKnobAtTheNextIdle) {
    EditorSession session(host);
    ASSERT_EQ(session.open(), 1);
    const Capture before = session.capture();

    host.setParameter(0, 0.9f);
    // Redrawing is lazy: nothing is painted until the host idles the editor.
    EXPECT_EQ(session.capture().differences(before), 0);
    host.dispatch(effEditIdle);
    const Capture moved = session.capture();
    EXPECT_GT(moved.differences(before, &kSensKnobArea), 200);
    EXPECT_EQ(moved.differences(before, &kBuzzKnobArea), 0);

    // The same picture a fresh window shows for that value.
    session.close();
    ASSERT_EQ(session.open(), 1);
    EXPECT_EQ(session.capture().differences(moved), 0);
}

TEST_F(EditorLifecycle, AProgramChangeFromTheHostMovesBothKnobs) {
    host.setParameter(0, 0.1f);
    host.setParameter(1, 0.2f);
    host.dispatch(effSetProgram, 0, 1);
    host.setParameter(0, 0.8f);
    host.setParameter(1, 0.7f);
    host.dispatch(effSetProgram, 0, 0);
    EditorSession session(host);
    ASSERT_EQ(session.open(), 1);
    const Capture program0 = session.capture();
    host.dispatch(effSetProgram, 0, 1);
    session.idle();
    const Capture program1 = session.capture();
    EXPECT_GT(program1.differences(program0, &kSensKnobArea), 200);
    EXPECT_GT(program1.differences(program0, &kBuzzKnobArea), 200);
}

}  // namespace
}  // namespace qp::test
