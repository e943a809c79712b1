// The editor's menus under real input: the MIDI-learn menu a right click opens on
// a knob, and the command menu over the logo with its "Presets" submenu. The
// clicks and keys are played on a second thread, which also reads the popup
// menus while this thread sits in their loop. Needs a display (Xvfb).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "EditorSession.h"
#include "PluginHost.h"
#include "tests/gui/RealInput.h"
#include "tools/hostlib/ZoomSetting.h"

namespace qp::test {
namespace {

using test::MouseButton;
using test::RealInput;

constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kController = 7;
constexpr float kForget = 1000.0f;
constexpr int kZoomEntry = 3;
constexpr int kPresetsEntry = 5;
// What qphost, a process of its own, says of the editor it opens.
std::string qphostEditorLine() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.erase(dir.find_last_of("\\/") + 1);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string picture = std::string(temp) + "qp-zoom-remembered.bmp";
    const std::string command = "\"" + dir + "qphost.exe\" editor \"" + picture + "\"";
    // cmd takes the first and last quotes off a command line that starts with one.
    FILE* out = _popen(("\"" + command + "\"").c_str(), "r");
    if (!out) {
        return {};
    }
    std::string line;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, out)) {
        line += buffer;
    }
    _pclose(out);
    DeleteFileA(picture.c_str());
    return line;
}

// What the input thread saw of the menus it worked.
struct SeenMenu {
    std::vector<std::string> texts;
    std::vector<std::string> submenuTexts;
    RECT rect = {};
    int checkedSubmenuEntry = -1;
    bool reached = false;
};

class EditorMenus : public OpenEditorTest {
protected:
    // Every test starts at Auto (this display: 100 %), whatever a test before it chose.
    void setUpForEditor() override {
        zoom.choose(0);
        OpenEditorTest::setUpForEditor();
    }

    hostlib::ZoomSetting zoom;

    void sendController(std::uint8_t controller, std::uint8_t value) {
        VstMidiEvent midi = {};
        midi.type = kVstMidiType;
        midi.byteSize = sizeof(midi);
        midi.midiData[0] = char(kControlChange);
        midi.midiData[1] = char(controller);
        midi.midiData[2] = char(value);
        VstEvents events = {};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&midi);
        host.dispatch(effProcessEvents, 0, 0, &events);
    }

    // Right-clicks a knob, records the menu and chooses an entry (or none with -1).
    SeenMenu learnMenu(POINT knob, int choose) {
        SeenMenu seen;
        const POINT at = session->toScreen(knob);
        RealInput input;
        input.moveTo(at.x, at.y).press(MouseButton::right).release(MouseButton::right).then([&] {
            if (!popup::waitForMenus(1)) {
                return;
            }
            HMENU menu = popup::shownMenu();
            seen.texts = popup::texts(menu);
            seen.rect = popup::menuWindowRect();
            if (choose < 0) {
                popup::tapKey(VK_ESCAPE);
            } else {
                seen.reached = popup::highlight(menu, choose);
                popup::tapKey(seen.reached ? VK_RETURN : VK_ESCAPE);
            }
            popup::waitForNoMenus();
        });
        EXPECT_TRUE(input.runWhilePumping());
        session->idle(60);
        return seen;
    }

    // Clicks the logo, records the command menu and works it with the keys.
    SeenMenu commandMenu(int choose, int submenuChoice = -1, POINT logo = kLogoClick) {
        SeenMenu seen;
        const POINT at = session->toScreen(logo);
        RealInput input;
        input.moveTo(at.x, at.y).press().release().then([&] {
            if (!popup::waitForMenus(1)) {
                return;
            }
            HMENU menu = popup::shownMenu();
            seen.texts = popup::texts(menu);
            seen.rect = popup::menuWindowRect();
            seen.reached = popup::highlight(menu, choose);
            if (seen.reached && submenuChoice >= 0) {
                HMENU submenu = GetSubMenu(menu, choose);
                popup::tapKey(VK_RIGHT);
                popup::waitForMenus(2);
                seen.submenuTexts = popup::texts(submenu);
                for (int i = 0; i < GetMenuItemCount(submenu); ++i) {
                    if (popup::isChecked(submenu, i)) {
                        seen.checkedSubmenuEntry = i;
                    }
                }
                seen.reached = popup::highlight(submenu, submenuChoice);
            }
            popup::tapKey(seen.reached ? VK_RETURN : VK_ESCAPE);
            for (int i = 0; i < 3 && !popup::visibleMenuWindows().empty(); ++i) {
                popup::tapKey(VK_ESCAPE);
            }
            popup::waitForNoMenus();
        });
        EXPECT_TRUE(input.runWhilePumping());
        session->idle(60);
        return seen;
    }

    std::vector<HostCall> automations(Int32 index) const {
        std::vector<HostCall> found;
        for (const HostCall& call : host.callsWith(audioMasterAutomate)) {
            if (call.index == index) {
                found.push_back(call);
            }
        }
        return found;
    }
};

TEST_F(EditorMenus, LearningAControllerThroughTheRightClickMenuBindsIt) {
    const SeenMenu first = learnMenu(kSensKnobCentre, 0);
    EXPECT_EQ(first.texts, std::vector<std::string>({"MidiLearn"}));
    // The menu hangs from the knob's bottom-left corner.
    const POINT corner = session->toScreen(POINT{116, 112});
    EXPECT_NEAR(first.rect.left, corner.x, 3);
    EXPECT_NEAR(first.rect.top, corner.y, 3);
    ASSERT_TRUE(first.reached);
    ASSERT_EQ(automations(13).size(), 1u);
    EXPECT_EQ(automations(13)[0].opt, 0.0f);

    // The next controller to arrive is learnt for sens and moves it from then on.
    sendController(kController, 127);
    EXPECT_EQ(host.getParameter(0), 1.0f);
    sendController(kController, 0);
    EXPECT_EQ(host.getParameter(0), 0.0f);
    const float buzz = host.getParameter(1);
    session->idle();

    // The menu now offers to learn anew or to forget controller 7.
    host.clearCalls();
    const SeenMenu second = learnMenu(kSensKnobCentre, 1);
    EXPECT_EQ(second.texts, std::vector<std::string>({"MidiLearn New", "Forget CC 7"}));
    ASSERT_TRUE(second.reached);
    ASSERT_EQ(automations(13).size(), 1u);
    EXPECT_EQ(automations(13)[0].opt, kForget);
    sendController(kController, 64);
    EXPECT_EQ(host.getParameter(0), 0.0f);
    EXPECT_EQ(host.getParameter(1), buzz);

    // Closed without a choice: nothing is sent.
    host.clearCalls();
    const SeenMenu third = learnMenu(kSensKnobCentre, -1);
    EXPECT_EQ(third.texts, std::vector<std::string>({"MidiLearn"}));
    EXPECT_TRUE(automations(13).empty());
}

TEST_F(EditorMenus, TheBuzzKnobsLearnMenuNamesTheBuzzParameter) {
    const SeenMenu seen = learnMenu(kBuzzKnobCentre, 0);
    ASSERT_TRUE(seen.reached);
    ASSERT_EQ(automations(13).size(), 1u);
    EXPECT_EQ(automations(13)[0].opt, 1.0f);
    sendController(kController, 127);
    EXPECT_EQ(host.getParameter(1), 1.0f);
}

TEST_F(EditorMenus, ChoosingProgramThreeInPresetsSelectsIt) {
    ASSERT_EQ(host.dispatch(effGetProgram), 0);
    const SeenMenu seen = commandMenu(kPresetsEntry, 3);
    EXPECT_EQ(seen.texts,
              std::vector<std::string>({"About", "Default", "MidiForget", "Zoom", "-", "Presets"}));
    // The menu's top-left corner is the logo area's.
    const POINT corner = session->toScreen(POINT{12, 117});
    EXPECT_NEAR(seen.rect.left, corner.x, 3);
    EXPECT_NEAR(seen.rect.top, corner.y, 3);
    ASSERT_EQ(seen.submenuTexts.size(), 9u);
    for (Int32 program = 0; program < 9; ++program) {
        EXPECT_EQ(seen.submenuTexts[std::size_t(program)], host.getString(effGetProgramNameIndexed, program));
    }
    EXPECT_EQ(seen.checkedSubmenuEntry, 0);
    ASSERT_TRUE(seen.reached);

    EXPECT_EQ(host.dispatch(effGetProgram), 3);
    ASSERT_EQ(automations(6).size(), 1u);
    EXPECT_EQ(automations(6)[0].opt, 3.0f);
}

TEST_F(EditorMenus, ZoomFromTheCommandMenuResizesTheEditorTellsTheHostAndIsRemembered) {
    // Auto, then the steps: 150 % is the fourth entry.
    const SeenMenu seen = commandMenu(kZoomEntry, 3);
    ASSERT_TRUE(seen.reached);
    EXPECT_EQ(seen.submenuTexts, std::vector<std::string>({"Auto", "100 %", "125 %", "150 %", "175 %",
                                                           "200 %", "250 %", "300 %"}));
    EXPECT_EQ(seen.checkedSubmenuEntry, 0) << "Auto until the user chooses";
    session->idle();
    RECT client = {};
    GetClientRect(session->frameWindow(), &client);
    EXPECT_EQ(client.right, 464);
    EXPECT_EQ(client.bottom, 252);
    const std::vector<HostCall> sizes = host.callsWith(audioMasterSizeWindow);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0].index, 464);
    EXPECT_EQ(sizes[0].value, 252);
    for (const HostCall& call : host.callsWith(audioMasterAutomate)) {
        EXPECT_LT(call.index, 2) << "the zoom is the editor's alone, not the host's to automate";
    }
    EXPECT_EQ(hostlib::ZoomSetting::stored(), 151u);
    // As a host that takes the size: its windows grow to show the whole editor.
    const HWND hostWindow = session->hostWindow();
    SetWindowPos(GetParent(hostWindow), nullptr, 0, 0, 520, 320, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hostWindow, nullptr, 0, 0, 464, 252, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    session->idle();
    // Another instance in this process, and a new process, open at the choice.
    {
        PluginHost another;
        ASSERT_NE(another.open(), nullptr);
        ERect* rect = nullptr;
        ASSERT_EQ(another.dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, 464);
        EXPECT_EQ(rect->bottom - rect->top, 252);
    }
    EXPECT_NE(qphostEditorLine().find("464 x 252"), std::string::npos);
    // The logo has moved with the step: its click point is where 150 % puts it.
    const SeenMenu again = commandMenu(kZoomEntry, 0, POINT{353, 233});
    EXPECT_EQ(again.checkedSubmenuEntry, 3);
    ASSERT_TRUE(again.reached);
    session->idle();
    GetClientRect(session->frameWindow(), &client);
    EXPECT_EQ(client.right, 309) << "Auto: this display's 96 dots per inch";
}

TEST_F(EditorMenus, AnInstantClickOpensTheCommandMenuThoughTheButtonIsNoLongerDown) {
    // A tap as Wine delivers it: the press message arrives, the asynchronous
    // state does not show the button (yet, or any more).
    const HWND frame = session->frameWindow();
    ASSERT_NE(frame, nullptr);
    std::atomic<bool> menuOpened{false};
    RealInput input;
    input.then([&] {
        PostMessageA(frame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kLogoClick.x, kLogoClick.y));
        menuOpened = popup::waitForMenus(1);
        if (menuOpened) {
            popup::tapKey(VK_ESCAPE);
        }
        popup::waitForNoMenus();
    });
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_TRUE(menuOpened);
}

TEST_F(EditorMenus, AboutFromTheCommandMenuStaysUntilThePictureIsClicked) {
    const Capture plain = session->capture();
    const SeenMenu seen = commandMenu(0);
    ASSERT_TRUE(seen.reached);
    ASSERT_EQ(automations(5).size(), 1u);
    EXPECT_EQ(automations(5)[0].opt, 0.0f);
    session->idle();
    EXPECT_GT(session->capture().differences(plain, &kAboutArea), 5000);

    // A second click on the logo does not reach the menu while the picture is up.
    host.clearCalls();
    const POINT logo = session->toScreen(kLogoClick);
    RealInput input;
    std::atomic<bool> menuOpened{false};
    input.moveTo(logo.x, logo.y).press().release().pause(400).then([&] {
        menuOpened = !popup::visibleMenuWindows().empty();
        if (menuOpened) {
            popup::tapKey(VK_ESCAPE);
        }
    });
    ASSERT_TRUE(input.runWhilePumping());
    EXPECT_FALSE(menuOpened);

    const POINT picture = session->toScreen(POINT{150, 60});
    RealInput dismiss;
    dismiss.moveTo(picture.x, picture.y).press().release();
    ASSERT_TRUE(dismiss.runWhilePumping());
    session->idle();
    EXPECT_EQ(automations(4).size(), 1u);
    EXPECT_EQ(session->capture().differences(plain), 0);
}

}  // namespace
}  // namespace qp::test
