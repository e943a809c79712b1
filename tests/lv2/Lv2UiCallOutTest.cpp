// The LV2 UI in-process, its host a fake one that cleans the UI up from inside
// the UI's own call to it: a port write (a host closing the UI as a preset loads)
// or a touch. Each row is one call out of the UI, its editor or its toolkit that
// reaches the host; natively the sanitizers catch any use of the freed UI. The
// window sits in a window of the test's own on the display xvfb-run gives.
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
#include "tests/x11/XTestInput.h"

namespace qp::test {
namespace {

// A drag's loop as the back ends run it, in one call: the bracket, then steps of
// a value and host idle until the frame goes away.
class ScriptedDrag : public Control {
public:
    explicit ScriptedDrag(ControlListener* listener)
        : Control(Rect(0, 0, 20, 20), listener, kSensIndex) {}
    void draw(DrawContext*) override { setDirty(false); }
    void mouseDown(DrawContext* context, Point) override {
        TrackingScope scope(*this);
        scope.beginEdit(getTag());
        for (int step = 1; step <= 3 && !scope.frameLost(); ++step) {
            setValue(0.2f * float(step));
            notifyIfDirty(*this, context);
            if (!scope.idle()) {
                return;
            }
        }
    }
};

enum class Site {
    presetChoice,
    wheel,
    dragStep
};
enum class CleansUpIn {
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
    CleansUpIn moment = CleansUpIn::write;
    int writes = 0, writesAfterCleanup = 0, grabs = 0, releases = 0, cleanups = 0;

    void cleanUpOnce() {
        if (ui) {
            LV2UI_Handle handle = ui;
            ui = nullptr;
            ++cleanups;
            descriptor->cleanup(handle);
        }
    }
    static void write(LV2UI_Controller controller, uint32_t, uint32_t, uint32_t, const void*) {
        auto* host = static_cast<FakeHost*>(controller);
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

class Lv2UiHostCleansUpInCallOut : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        display = openDisplay();
        if (!display) {
            GTEST_SKIP() << "no X display";
        }
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
        XSync(display, False);
        host.descriptor = lv2::uiDescriptor(0);
        host.moment = GetParam().moment;
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
    void TearDown() override {
        host.moment = CleansUpIn::write;
        if (host.ui) {
            host.descriptor->cleanup(host.ui);
        }
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    FakeHost host;
    LV2UI_Touch touch{&host, &FakeHost::touch};
    Display* display = nullptr;
    Window parent = 0;
    BuzzEditor* editor = nullptr;
};

TEST_P(Lv2UiHostCleansUpInCallOut, NothingOfTheFreedUiIsTouchedAndTheTouchEndsOnce) {
    Frame* frame = editor->getFrame();
    auto* drag = new ScriptedDrag(editor);
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
            frame->mouseDown(&context, Point(5, 5));
            break;
    }
    EXPECT_EQ(host.cleanups, 1);
    EXPECT_EQ(host.writesAfterCleanup, 0);
    EXPECT_EQ(host.grabs, host.releases);
}

INSTANTIATE_TEST_SUITE_P(EachCallOut, Lv2UiHostCleansUpInCallOut, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qp::test
