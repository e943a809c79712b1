// The editor of Quorrelphone.so in a host's X11 window, driven as a Linux VST 2
// host drives it: the host's window id in effEditOpen's pointer, the size from
// effEditGetRect, all its events handled in effEditIdle, and the real pointer
// (XTest) dragging a knob and working the menus, and the questions asked inside
// the editor's window. The editor window is the library's, on a connection of
// its own; this host sees it only as a child of its window.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "MidiE2eSupport.h"
#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr int kSensX = 116, kKnobY = 14, kKnobSize = 98;

class X11Editor : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr || (display = XOpenDisplay(nullptr)) == nullptr) {
            GTEST_SKIP() << "the editor needs an X display";
        }
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 640, 480, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (display) {
            host.close();
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    ERect rect() {
        ERect* rect = nullptr;
        EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
        return rect ? *rect : ERect{};
    }
    IntPtr open() {
        return host.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t(parent)));
    }
    // The host's idle for a while, as its loop gives it.
    // None once the effect is closed.
    void idle(int milliseconds = 150) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            XSync(display, False);
            if (host.effect()) {
                host.dispatch(effEditIdle);
            }
        }
    }
    std::vector<Window> children() {
        XSync(display, False);
        Window root = 0, above = 0, *list = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &above, &list, &count);
        std::vector<Window> found(list, list + count);
        if (list) {
            XFree(list);
        }
        return found;
    }
    void pointerTo(Window window, int x, int y) {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
        idle(30);
    }
    void button(bool down, unsigned which = 1) {
        XTestFakeButtonEvent(display, which, down, CurrentTime);
        idle(60);
    }
    // A click at a point of the open editor.
    void click(int x, int y, unsigned which = 1) {
        pointerTo(editorWindow(), x, y);
        button(true, which);
        button(false, which);
    }
    void key(KeySym symbol) {
        const ::KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        idle(60);
    }
    Window editorWindow() {
        const std::vector<Window> shown = children();
        return shown.empty() ? 0 : shown[0];
    }
    // The editor's pixels as the server shows them.
    std::vector<unsigned long> shot() {
        idle();
        std::vector<unsigned long> pixels;
        const Window window = editorWindow();
        XImage* image = window ? XGetImage(display, window, 0, 0, 309, 168, AllPlanes, ZPixmap) : nullptr;
        if (!image) {
            return pixels;
        }
        for (int y = 0; y < 168; ++y) {
            for (int x = 0; x < 309; ++x) {
                pixels.push_back(XGetPixel(image, x, y));
            }
        }
        XDestroyImage(image);
        return pixels;
    }

    PluginHost host;
    Display* display = nullptr;
    Window parent = 0;
};

TEST_F(X11Editor, SitsInTheHostsWindowAtTheRectsSizeShowsTheFaceAndGoesWhenClosed) {
    for (int cycle = 0; cycle < 3; ++cycle) {
        const ERect size = rect();
        EXPECT_EQ(size.right - size.left, 309) << cycle;
        EXPECT_EQ(size.bottom - size.top, 168) << cycle;
        ASSERT_EQ(open(), 1) << cycle;
        idle();
        const std::vector<Window> shown = children();
        ASSERT_EQ(shown.size(), 1u) << cycle;
        XWindowAttributes attributes{};
        ASSERT_TRUE(XGetWindowAttributes(display, shown[0], &attributes));
        EXPECT_EQ(attributes.width, size.right - size.left) << cycle;
        EXPECT_EQ(attributes.height, size.bottom - size.top) << cycle;
        EXPECT_EQ(attributes.map_state, IsViewable) << cycle;
        // Painted: the face has many colours, an unpainted window one.
        XImage* image = XGetImage(display, shown[0], 0, 0, unsigned(attributes.width),
                                  unsigned(attributes.height), AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        std::set<unsigned long> colours;
        for (int y = 0; y < attributes.height; y += 4) {
            for (int x = 0; x < attributes.width; x += 4) {
                colours.insert(XGetPixel(image, x, y));
            }
        }
        XDestroyImage(image);
        EXPECT_GT(colours.size(), 16u) << cycle;

        host.dispatch(effEditClose);
        EXPECT_TRUE(children().empty()) << cycle;
    }
}

TEST_F(X11Editor, ADragOnTheSensKnobIsAutomatedInsideOneEdit) {
    // A host's knob mode is taken, and every open makes it linear again.
    EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 0), 1);
    ASSERT_EQ(open(), 1);
    idle();
    const std::vector<Window> shown = children();
    ASSERT_EQ(shown.size(), 1u);
    host.clearCalls();
    const int x = kSensX + kKnobSize / 2, y = kKnobY + kKnobSize / 2;
    pointerTo(shown[0], x, y);
    button(true);
    for (int step = 1; step <= 8; ++step) {
        pointerTo(shown[0], x, y - step * 5);
    }
    button(false);

    std::vector<Int32> edits;
    std::vector<float> values;
    for (const HostCall& call : host.calls()) {
        if (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit) {
            EXPECT_EQ(call.index, 0);
            edits.push_back(call.opcode);
        } else if (call.opcode == audioMasterAutomate) {
            EXPECT_EQ(call.index, 0);
            EXPECT_EQ(edits.size(), 1u) << "a value outside the edit";
            values.push_back(call.opt);
        }
    }
    EXPECT_EQ(edits, (std::vector<Int32>{audioMasterBeginEdit, audioMasterEndEdit}));
    ASSERT_GE(values.size(), 4u);
    for (std::size_t i = 1; i < values.size(); ++i) {
        EXPECT_GE(values[i], values[i - 1]) << i;
    }
    EXPECT_GT(values.back(), 0.55f);
    EXPECT_EQ(host.getParameter(0), values.back());
    host.dispatch(effEditClose);
}

// A host that closes the editor in the middle of a drag gets the edit's end from
// the close; one that closes the whole effect hears nothing more of it, as on
// Windows. Either way the release that follows reaches nobody.
TEST_F(X11Editor, ClosedInTheMiddleOfADragTheEditEndsOnce) {
    for (const bool wholeEffect : {false, true}) {
        SCOPED_TRACE(wholeEffect ? "effClose" : "effEditClose");
        if (wholeEffect) {
            TearDown();
            SetUp();
        }
        ASSERT_EQ(open(), 1);
        idle();
        const std::vector<Window> shown = children();
        ASSERT_EQ(shown.size(), 1u);
        host.clearCalls();
        const int x = kSensX + kKnobSize / 2, y = kKnobY + kKnobSize / 2;
        pointerTo(shown[0], x, y);
        button(true);
        pointerTo(shown[0], x, y - 10);
        idle();
        host.dispatch(wholeEffect ? effClose : effEditClose);
        const std::size_t closedAfter = host.calls().size();
        button(false);
        idle();
        std::size_t begins = 0, ends = 0;
        for (const HostCall& call : host.calls()) {
            begins += call.opcode == audioMasterBeginEdit;
            ends += call.opcode == audioMasterEndEdit;
        }
        EXPECT_EQ(begins, 1u);
        EXPECT_EQ(ends, wholeEffect ? 0u : 1u);
        EXPECT_EQ(host.calls().size(), closedAfter) << "a call after the close";
        EXPECT_TRUE(children().empty());
    }
}

int differing(const std::vector<unsigned long>& a, const std::vector<unsigned long>& b) {
    if (a.size() != b.size()) {
        return int(std::max(a.size(), b.size()));
    }
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i];
    }
    return count;
}

// The windows on the screen that are mapped, the popups among them.
int mappedTopLevels(Display* display) {
    Window root = 0, above = 0, *list = nullptr;
    unsigned count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &above, &list, &count);
    int mapped = 0;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        mapped += XGetWindowAttributes(display, list[i], &attributes) && attributes.map_state == IsViewable;
    }
    if (list) {
        XFree(list);
    }
    return mapped;
}

TEST_F(X11Editor, TheKnobsLearnMenuLearnsAndForgetsAControllerThatThenTurnsTheKnob) {
    ASSERT_EQ(open(), 1);
    idle();
    const int x = kSensX + kKnobSize / 2, y = kKnobY + kKnobSize / 2;
    const int before = mappedTopLevels(display);
    const struct {
        const char* name;
        int downs;  // MidiLearn, or with a controller learnt: MidiLearn New, Forget CC n
        bool drives;
    } steps[] = {{"MidiLearn", 1, true}, {"Forget CC 20", 2, false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        host.setParameter(0, 0.5f);
        idle();
        pointerTo(editorWindow(), x, y);
        button(true, 3);
        EXPECT_EQ(mappedTopLevels(display), before + 1) << "no menu open";
        button(false, 3);
        EXPECT_EQ(mappedTopLevels(display), before + 1) << "the menu went with the release";
        for (int i = 0; i < step.downs; ++i) {
            key(XK_Down);
        }
        key(XK_Return);
        EXPECT_EQ(mappedTopLevels(display), before);
        const std::vector<unsigned long> middle = shot();
        controllerChange(host, 0, 20, 127);
        EXPECT_EQ(host.getParameter(0) == 1.0f, step.drives);
        EXPECT_EQ(differing(shot(), middle) > 100, step.drives) << "the knob did not follow";
    }
    host.dispatch(effEditClose);
}

// Where the question's answers lie on the face at 100 %: Yes and No side by
// side, OK alone in the middle; the command menu opens from the logo.
constexpr int kAnswerY = 118, kYesX = 114, kNoX = 194, kOkX = 154;
constexpr int kLogoX = 100, kLogoY = 140;

// The settings commands asked inside the window, answered with the real pointer.
class X11EditorQuestions : public X11Editor {
protected:
    void SetUp() override {
        deleteSettings();
        X11Editor::SetUp();
    }
    void TearDown() override {
        X11Editor::TearDown();
        deleteSettings();
    }
    // The logo's menu, its entry below About chosen with the keys.
    void choose(int entriesBelowAbout) {
        click(kLogoX, kLogoY);
        key(XK_Down);
        for (int i = 0; i < entriesBelowAbout; ++i) {
            key(XK_Down);
        }
        key(XK_Return);
    }
    // Whether MIDI controller 7 still moves sens.
    bool controllerSevenDrivesSens() {
        controllerChange(host, 0, 7, 127);
        const bool drives = host.getParameter(0) == 1.0f;
        host.setParameter(0, 0.5f);
        return drives;
    }
};

TEST_F(X11EditorQuestions, EachCommandAsksInTheWindowAndActsOnlyOnYes) {
    const struct {
        const char* name;
        int entry;  // below About
        bool yes;
        bool stored;       // MidiCC-sens in the settings file afterwards
        bool confirmed;    // an OK notice follows
        bool stillDrives;  // controller 7 still bound
    } cases[] = {
        {"Default, No", 1, false, false, false, true},
        {"Default, Yes", 1, true, true, true, true},
        {"MidiForget, No", 2, false, false, false, true},
        {"MidiForget, Yes", 2, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        deleteSettings();
        host.setParameter(kLearnCommand, 0.0f);
        controllerChange(host, 0, 7, 64);
        ASSERT_EQ(open(), 1);
        const std::vector<unsigned long> face = shot();
        ASSERT_FALSE(face.empty());

        ShownMessages written;
        choose(c.entry);
        const std::vector<unsigned long> asking = shot();
        EXPECT_GT(differing(asking, face), 2000) << "no question over the face";
        EXPECT_FALSE(storedSetting("MidiCC-sens")) << "acted before the answer";
        EXPECT_TRUE(controllerSevenDrivesSens()) << "acted before the answer";

        click(c.yes ? kYesX : kNoX, kAnswerY);
        const std::vector<unsigned long> after = shot();
        EXPECT_EQ(storedSetting("MidiCC-sens").has_value(), c.stored);
        if (c.stored) {
            EXPECT_EQ(storedSetting("MidiCC-sens"), 8u);
            EXPECT_EQ(storedSetting("MidiCC-buzz"), 1u);
        }
        if (c.confirmed) {
            EXPECT_GT(differing(after, face), 2000) << "no confirmation";
            EXPECT_NE(after, asking) << "the question is still there";
            click(kOkX, kAnswerY);
        }
        EXPECT_EQ(differing(shot(), face), 0) << "the face is not back";
        // Nothing went to standard error: everything was shown in the window.
        EXPECT_TRUE(written.finish().empty());
        EXPECT_EQ(controllerSevenDrivesSens(), c.stillDrives);
        host.dispatch(effEditClose);
    }
}

TEST_F(X11EditorQuestions, TheHostWindowKeepsItsKeysWhileAQuestionIsOpen) {
    XSelectInput(display, parent, KeyPressMask);
    ASSERT_EQ(open(), 1);
    idle();
    choose(1);
    pointerTo(editorWindow(), 150, 80);  // over the question itself
    XSync(display, True);                // only what comes from here on
    key(XK_space);
    XEvent event;
    EXPECT_TRUE(XCheckTypedWindowEvent(display, parent, KeyPress, &event))
        << "the key did not reach the host";
    click(kNoX, kAnswerY);
    host.dispatch(effEditClose);
}

TEST_F(X11EditorQuestions, ClosingTheEditorOrTheEffectWithAQuestionOpenDoesNothing) {
    for (const bool wholeEffect : {false, true}) {
        SCOPED_TRACE(wholeEffect ? "effClose" : "effEditClose");
        host.setParameter(kLearnCommand, 0.0f);
        controllerChange(host, 0, 7, 64);
        ASSERT_EQ(open(), 1);
        const std::vector<unsigned long> face = shot();
        choose(1);
        ASSERT_GT(differing(shot(), face), 2000);
        if (wholeEffect) {
            host.close();
            EXPECT_TRUE(children().empty());
            ASSERT_NE(host.open(), nullptr) << "a new effect for the next case";
            continue;
        }
        host.dispatch(effEditClose);
        EXPECT_TRUE(children().empty());
        idle();
        // Reopened, the face is plain: the question went with the window.
        ASSERT_EQ(open(), 1);
        EXPECT_EQ(differing(shot(), face), 0);
        EXPECT_FALSE(storedSetting("MidiCC-sens"));
        host.dispatch(effEditClose);
    }
    EXPECT_FALSE(storedSetting("MidiCC-sens"));
}

}  // namespace
}  // namespace qp::test
