// The LV2 UI in-process, its editor reached directly, its host a fake one; the
// window sits in a window of the test's own on the display xvfb-run gives.
// - The host cleans the UI up from inside the UI's own call to it: a port write
//   (a host closing the UI as a preset loads) or a touch. Each row is one call
//   out of the UI, its editor or its toolkit that reaches the host; natively the
//   sanitizers catch any use of the freed UI.
// - The presets menu ticks the preset whose values the ports hold, or none.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "editor/BuzzEditor.h"
#include "gui/Control.h"
#include "gui/ControlEditing.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/TrackingScope.h"
#include "lv2/Lv2Ports.h"
#include "lv2/ui/Lv2Ui.h"
#include "lv2/ui/Lv2UiDescriptor.h"
#include "tests/support/ScriptedControl.h"
#include "tests/x11/XTestInput.h"

namespace qp::test {
namespace {

enum class Site {
    presetChoice,
    wheel,
    dragStep
};
enum class CleansUpIn {
    nowhere,
    write,
    touch
};

struct Row {
    const char* name;
    Site site;
    CleansUpIn moment;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const Row kRows[] = {
    {"PresetChoiceWrite", Site::presetChoice, CleansUpIn::write},
    {"WheelWrite", Site::wheel, CleansUpIn::write},
    {"DragWrite", Site::dragStep, CleansUpIn::write},
    {"DragTouch", Site::dragStep, CleansUpIn::touch},
};

struct FakeHost {
    const LV2UI_Descriptor* descriptor = nullptr;
    LV2UI_Handle ui = nullptr;
    CleansUpIn moment = CleansUpIn::nowhere;
    std::vector<float> written;
    int writes = 0, writesAfterCleanup = 0, grabs = 0, releases = 0, cleanups = 0;

    void cleanUpOnce() {
        if (ui) {
            LV2UI_Handle handle = ui;
            ui = nullptr;
            ++cleanups;
            descriptor->cleanup(handle);
        }
    }
    static void write(LV2UI_Controller controller, uint32_t, uint32_t, uint32_t, const void* buffer) {
        auto* host = static_cast<FakeHost*>(controller);
        host->written.push_back(*static_cast<const float*>(buffer));
        ++host->writes;
        host->writesAfterCleanup += host->cleanups;
        if (host->moment == CleansUpIn::write) {
            host->cleanUpOnce();
        }
    }
    static void touch(LV2UI_Feature_Handle handle, uint32_t, bool grabbed) {
        auto* host = static_cast<FakeHost*>(handle);
        ++(grabbed ? host->grabs : host->releases);
        if (grabbed && host->moment == CleansUpIn::touch) {
            host->cleanUpOnce();
        }
    }
};

// The UI instantiated with parent, idle and touch, and its editor.
class InProcessUi {
public:
    void open(CleansUpIn moment) {
        display = openDisplay();
        if (!display) {
            GTEST_SKIP() << "no X display";
        }
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
        XSync(display, False);
        host.descriptor = lv2::uiDescriptor(0);
        host.moment = moment;
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
        const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch};
        const LV2_Feature* features[] = {&parentFeature, &idleFeature, &touchFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        host.ui = host.descriptor->instantiate(host.descriptor, lv2::kPluginUri, "", &FakeHost::write, &host,
                                               &widget, features);
        ASSERT_NE(host.ui, nullptr);
        editor = static_cast<BuzzEditor*>(static_cast<lv2::Lv2Ui*>(host.ui)->editor());
        ASSERT_NE(editor->getFrame(), nullptr);
    }
    void close() {
        host.moment = CleansUpIn::nowhere;
        if (host.ui) {
            host.descriptor->cleanup(host.ui);
        }
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }
    void setPort(std::uint32_t port, float value) {
        host.descriptor->port_event(host.ui, port, sizeof value, 0, &value);
    }

    FakeHost host;
    LV2UI_Touch touch{&host, &FakeHost::touch};
    Display* display = nullptr;
    Window parent = 0;
    BuzzEditor* editor = nullptr;
};

class Lv2UiHostCleansUpInCallOut : public ::testing::TestWithParam<Row>, public InProcessUi {
protected:
    void SetUp() override { open(GetParam().moment); }
    void TearDown() override { close(); }
};

TEST_P(Lv2UiHostCleansUpInCallOut, NothingOfTheFreedUiIsTouchedAndTheTouchEndsOnce) {
    Frame* frame = editor->getFrame();
    auto* drag = new ScriptedControl(editor, kSensIndex);
    ASSERT_TRUE(frame->addView(drag));
    DrawContext context(frame, nullptr, nullptr);
    switch (GetParam().site) {
        case Site::presetChoice:
            editor->presetsMenu()->setValue(3.0f);
            editor->valueChanged(&context, editor->presetsMenu());
            break;
        case Site::wheel:
            // The modal view takes the wheel wherever the pointer is.
            ASSERT_TRUE(frame->setModalView(editor->entry(kSensIndex).control));
            editor->wheel(1.0f);
            break;
        case Site::dragStep:
            frame->mouseDown(&context, Point(50, 50));
            break;
    }
    EXPECT_EQ(host.cleanups, 1);
    EXPECT_EQ(host.writesAfterCleanup, 0);
    EXPECT_EQ(host.grabs, host.releases);
}

INSTANTIATE_TEST_SUITE_P(EachCallOut, Lv2UiHostCleansUpInCallOut, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct TickCase {
    const char* name;
    float sens, buzz;
    // A preset chosen from the menu afterwards, if any.
    std::int32_t chosen;
    std::int32_t ticked;
};

void PrintTo(const TickCase& row, std::ostream* out) { *out << row.name; }

// The factory bank: 0 Faint Reed (0.4, 0.1), 3 Nasal Reed (0.75, 0.45), 5 Comb
// Buzz (0.65, 1).
const TickCase kTickCases[] = {
    {"HalfAndHalfMatchesNone", 0.5f, 0.5f, -1, -1}, {"SensAloneMovedMatchesNone", 0.7f, 0.5f, -1, -1},
    {"FaintReedsValues", 0.4f, 0.1f, -1, 0},        {"NasalReedsValues", 0.75f, 0.45f, -1, 3},
    {"NasalReedsSensOnly", 0.75f, 0.5f, -1, -1},    {"CombBuzzChosen", 0.5f, 0.5f, 5, 5},
};

class Lv2UiPresetTick : public ::testing::TestWithParam<TickCase>, public InProcessUi {
protected:
    void SetUp() override { open(CleansUpIn::nowhere); }
    void TearDown() override { close(); }
};

TEST_P(Lv2UiPresetTick, TicksThePresetTheValuesEqualElseNone) {
    const TickCase& row = GetParam();
    setPort(lv2::kSens, row.sens);
    setPort(lv2::kBuzz, row.buzz);
    OptionMenu* presets = editor->presetsMenu();
    if (row.chosen >= 0) {
        presets->setValue(float(row.chosen));
        editor->valueChanged(nullptr, presets);
        ASSERT_EQ(host.written.size(), 2u);
    }
    // A tick as the popup draws one (OptionMenuPopup.cpp): a checked entry under
    // kMenuMultipleCheck, the current one under kMenuCheckCurrent.
    const std::int32_t style = presets->getStyle();
    for (std::int32_t entry = 0; entry < presets->getNumEntries(); ++entry) {
        const bool ticked = ((style & kMenuMultipleCheck) && presets->isCheckedEntry(entry)) ||
                            ((style & kMenuCheckCurrent) && entry == presets->getCurrent());
        EXPECT_EQ(ticked, entry == row.ticked) << entry;
    }
}

INSTANTIATE_TEST_SUITE_P(Values, Lv2UiPresetTick, ::testing::ValuesIn(kTickCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qp::test
