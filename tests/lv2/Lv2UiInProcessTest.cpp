// The LV2 UI in-process, its editor reached directly, its host a fake one; the
// window sits in a window of the test's own on the display xvfb-run gives.
// - The host cleans the UI up from inside the UI's own call to it: a port write
//   (a host closing the UI as a preset loads) or a touch. Each row is one call
//   out of the UI, its editor or its toolkit that reaches the host; natively the
//   sanitizers catch any use of the freed UI.
// - The presets menu ticks the preset whose values the ports hold, or none.
// - The editor has the host's scale from the options before it opens, and its
//   requests for a size reach the host as ui:resize.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/BuzzEditor.h"
#include "effect/BuzzEffect.h"
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

// The UI instantiated with parent, idle, touch and any more features, and its editor.
class InProcessUi {
public:
    void open(CleansUpIn moment, const std::vector<const LV2_Feature*>& more = {}) {
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
        std::vector<const LV2_Feature*> features = {&parentFeature, &idleFeature, &touchFeature};
        features.insert(features.end(), more.begin(), more.end());
        features.push_back(nullptr);
        LV2UI_Widget widget = nullptr;
        host.ui = host.descriptor->instantiate(host.descriptor, lv2::kPluginUri, "", &FakeHost::write, &host,
                                               &widget, features.data());
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

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& uris = *static_cast<std::vector<std::string>*>(handle);
    const auto found = std::find(uris.begin(), uris.end(), uri);
    if (found == uris.end()) {
        uris.emplace_back(uri);
        return LV2_URID(uris.size());
    }
    return LV2_URID(found - uris.begin() + 1);
}

TEST(Lv2UiHostScale, TheEditorHasAPositiveFloatScaleOfTheOptionsBeforeItOpensElseNone) {
    const struct {
        bool withMap, withOptions;
        const char* type;
        float value;
        double hostScale;
    } cases[] = {
        {true, true, LV2_ATOM__Float, 1.5f, 1.5},  {true, true, LV2_ATOM__Float, 2.0f, 2.0},
        {true, false, LV2_ATOM__Float, 2.0f, 0.0}, {false, true, LV2_ATOM__Float, 2.0f, 0.0},
        {true, true, LV2_ATOM__Int, 2.0f, 0.0},    {true, true, LV2_ATOM__Float, -1.5f, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.withMap) + std::to_string(c.withOptions) + c.type +
                     std::to_string(c.value));
        std::vector<std::string> uris;
        LV2_URID_Map map{&uris, mapUri};
        const float other = 44100.0f;  // the scale is looked for among all options
        const LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, mapUri(&uris, "urn:someone:rate"), 4, mapUri(&uris, LV2_ATOM__Float),
             &other},
            {LV2_OPTIONS_INSTANCE, 0, mapUri(&uris, LV2_UI__scaleFactor), 4, mapUri(&uris, c.type), &c.value},
            {}};
        const LV2_Feature mapFeature{LV2_URID__map, &map};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
        std::vector<const LV2_Feature*> more;
        for (const auto& [wanted, feature] :
             {std::pair{c.withMap, &mapFeature}, {c.withOptions, &optionsFeature}}) {
            if (wanted) {
                more.push_back(feature);
            }
        }
        InProcessUi ui;
        ui.open(CleansUpIn::nowhere, more);
        ASSERT_NE(ui.editor, nullptr);
        EXPECT_EQ(ui.editor->hostScale(), c.hostScale);
        ui.close();
    }
}

// The editor's audioMasterSizeWindow: a ui_resize where the host offers it, and
// whether the host took the size. A host may clean the UI up inside.
TEST(Lv2UiAsksForASize, TheEditorsSizeGoesToUiResizeAndItsAnswerBack) {
    const struct {
        bool offered;
        int hostAnswer;  // ui_resize's: 0 when it took the size
        bool cleansUp;
        bool answered;
    } cases[] = {
        {true, 0, false, true}, {true, 1, false, false}, {false, 0, false, false}, {true, 0, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.offered) + std::to_string(c.hostAnswer) + std::to_string(c.cleansUp));
        struct Host {
            InProcessUi ui;
            bool cleansUp;
            int answer;
            std::vector<std::pair<int, int>> sizes;
        } host{{}, c.cleansUp, c.hostAnswer, {}};
        LV2UI_Resize resize{&host, [](LV2UI_Feature_Handle handle, int width, int height) {
                                auto* h = static_cast<Host*>(handle);
                                h->sizes.emplace_back(width, height);
                                if (h->cleansUp) {
                                    h->ui.host.cleanUpOnce();
                                }
                                return h->answer;
                            }};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        host.ui.open(CleansUpIn::nowhere,
                     c.offered ? std::vector{&resizeFeature} : std::vector<const LV2_Feature*>{});
        host.sizes.clear();  // the size told at instantiate
        EXPECT_EQ(host.ui.editor->model().requestSize(618, 336), c.answered);
        EXPECT_EQ(host.sizes, (std::vector<std::pair<int, int>>(c.offered ? 1 : 0, {618, 336})));
        EXPECT_EQ(host.ui.host.cleanups, c.cleansUp ? 1 : 0);
        host.ui.close();
    }
}

}  // namespace
}  // namespace qp::test
