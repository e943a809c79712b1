// What the editor tests need beyond PluginHost: a host window to open the editor
// in, the host's idle loop, pictures of what the editor's window shows, and a
// way to read and drive the native popup menus the editor opens while the test
// thread is inside them (from the thread that plays the real input).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PluginHost.h"
#include "tools/hostlib/WindowCapture.h"

namespace qp::test {

// Pixels of the editor's window, 0x00RRGGBB, top-down.
struct Capture : hostlib::Picture {
    // 0 outside the picture (an empty one included), so a failed capture fails
    // comparisons instead of crashing the run.
    std::uint32_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return 0;
        }
        return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
    // Pixels that differ inside the area (frame coordinates, right and bottom
    // excluded); the whole picture without an area.
    int differences(const Capture& other, const RECT* area = nullptr) const;
};

// Areas of the face, in frame coordinates.
constexpr RECT kSensKnobArea = {116, 14, 214, 112};
constexpr RECT kBuzzKnobArea = {214, 14, 308, 112};  // the part the sens knob does not overlap
constexpr RECT kAboutArea = {39, 26, 257, 103};
constexpr POINT kSensKnobCentre = {165, 63};
constexpr POINT kBuzzKnobCentre = {259, 63};
// Inside the command menu's area over the logo, and right of the menu that pops
// up at the area's top-left corner, so letting go of the button chooses nothing.
constexpr POINT kLogoClick = {235, 155};

class EditorSession {
public:
    explicit EditorSession(PluginHost& host);
    // Closes the editor if it is open.
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // effEditOpen into the host window, then a moment of host idling for the first paint.
    IntPtr open();
    void close();
    bool isOpen() const { return open_; }
    // Pumps messages and sends effEditIdle every 10 ms, for ms milliseconds.
    void idle(int ms = 120);
    HWND hostWindow() const { return hostWindow_; }
    // Destroys the host's window under the open editor, as a host that tears
    // down its own window before sending effEditClose does.
    void destroyHostWindow();
    // The editor's own window inside the host window, or none.
    HWND frameWindow() const;
    POINT toScreen(POINT framePoint) const;
    Capture capture() const;

    static void pump();
    // Whether windows can be made at all (Wine needs a display for them).
    static bool displayAvailable();

private:
    PluginHost& host_;
    HWND hostWindow_ = nullptr;
    bool open_ = false;
};

// Native popup menus, read from the thread that plays the input.
namespace popup {

std::vector<HWND> visibleMenuWindows();
// Waits until at least count menu windows are up; false on timeout.
bool waitForMenus(std::size_t count, int timeoutMs = 4000);
bool waitForNoMenus(int timeoutMs = 4000);
// The menu shown by the first (or count-th) menu window, found by the window's
// MN_GETHMENU answer; none when nothing is up.
HMENU shownMenu(std::size_t window = 0);
RECT menuWindowRect(std::size_t window = 0);
// Entry texts; "-" for a separator.
std::vector<std::string> texts(HMENU menu);
bool isChecked(HMENU menu, int index);
// Presses Down until the entry is highlighted (separators are skipped by the
// menu itself), then Right to open a submenu or Enter to choose. False if the
// entry could not be reached.
bool highlight(HMENU menu, int index);
void tapKey(WORD key);

}  // namespace popup

// The library loaded, and a display for the editor's windows (skipped without one).
// A skip or failure in a base SetUp does not stop a derived one, so fixtures add
// their own steps in setUpForEditor, which runs only when both are there.
class EditorHostTest : public ::testing::Test {
protected:
    void SetUp() final {
        ASSERT_TRUE(host.loaded()) << host.loadError();
        if (!EditorSession::displayAvailable()) {
            GTEST_SKIP() << "the editor's windows need a display";
        }
        setUpForEditor();
    }
    virtual void setUpForEditor() {}

    PluginHost host;
};

// A fresh effect with its editor open in a host window, and the host's log
// cleared, for the tests that work in the open editor.
class OpenEditorTest : public EditorHostTest {
protected:
    void setUpForEditor() override {
        ASSERT_NE(host.open(), nullptr);
        session = std::make_unique<EditorSession>(host);
        ASSERT_EQ(session->open(), 1);
        host.clearCalls();
    }

    std::unique_ptr<EditorSession> session;
};

}  // namespace qp::test
