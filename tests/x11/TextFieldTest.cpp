#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/X11TextField.h"
#include "tests/x11/XTestInput.h"

namespace qp::x11 {
namespace {

using test::pumpUntilQuiet;
using test::XInput;

struct Ending : TextFieldClient {
    void textFieldEnded(FieldEnd how) override {
        ++endings;
        ended = how;
        // The client drops the field from here, as the text edit does.
        if (field) {
            text = field->text();
        }
        field = nullptr;
        closeField();
    }
    std::function<void()> closeField;
    TextField* field = nullptr;
    int endings = 0;
    FieldEnd ended = FieldEnd::escape;
    std::string text;
};

// One step: a key by its symbol, or text typed.
struct Step {
    KeySym key;
    const char* typed = nullptr;
};

struct Script {
    const char* name;
    const char* start;
    std::vector<Step> steps;
    int endings;
    FieldEnd ended;    // when it ended
    const char* text;  // what the field held at the end
};

class TextFieldInput : public ::testing::Test {
protected:
    void SetUp() override {
        display_ = test::openDisplay();
        if (!display_ || !input_.ok()) {
            GTEST_SKIP() << "no X display";
        }
        parent_ =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 100, 100, 300, 80, 0, 0, 0x808080);
        other_ =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 500, 100, 100, 80, 0, 0, 0x404040);
        XMapWindow(display_, parent_);
        XMapWindow(display_, other_);
        XSync(display_, False);
    }
    void TearDown() override {
        field_.reset();
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    void pump() {
        pumpUntilQuiet(display_, [&](const XEvent& event) {
            if (field_) {
                field_->handleEvent(event);
            }
        });
    }

    Display* display_ = nullptr;
    Window parent_ = 0;
    Window other_ = 0;
    XInput input_;
    std::unique_ptr<TextField> field_;
};

TEST_F(TextFieldInput, TypingEditingAndEndingLeaveTheRightText) {
    const Script scripts[] = {
        {"typing replaces the selected text", "Hello", {{0, "abc"}, {XK_Return}}, 1, FieldEnd::enter, "abc"},
        {"backspace at the end",
         "Hello",
         {{XK_End}, {XK_BackSpace}, {XK_BackSpace}, {0, "p"}, {XK_Return}},
         1,
         FieldEnd::enter,
         "Help"},
        {"delete at the start",
         "Hello",
         {{XK_Home}, {XK_Delete}, {0, "J"}, {XK_KP_Enter}},
         1,
         FieldEnd::enter,
         "Jello"},
        {"left and right move the caret",
         "Hello",
         {{XK_Left}, {XK_Right}, {XK_Right}, {0, "X"}, {XK_Right}, {XK_Left}, {0, "Y"}, {XK_Return}},
         1,
         FieldEnd::enter,
         "HeXYllo"},
        {"backspace over the selection clears it",
         "Hello",
         {{XK_BackSpace}, {0, "Hi"}, {XK_Return}},
         1,
         FieldEnd::enter,
         "Hi"},
        {"the limit holds", "Hello", {{XK_End}, {0, "abcd"}, {XK_Return}}, 1, FieldEnd::enter, "Helloabc"},
        {"escape asks to drop the text", "Hello", {{0, "abc"}, {XK_Escape}}, 1, FieldEnd::escape, "abc"},
        {"focus going elsewhere keeps the text",
         "Hello",
         {{XK_End}, {0, "s"}, {0}},
         1,
         FieldEnd::focusLost,
         "Hellos"},
        {"nothing ends without enter, escape or focus loss",
         "Hello",
         {{XK_Home}, {XK_Up}, {0, "A"}},
         0,
         FieldEnd::escape,
         "AHello"},
    };
    for (const Script& script : scripts) {
        SCOPED_TRACE(script.name);
        Ending ending;
        ending.closeField = [&] { field_.reset(); };
        TextFieldLook look;
        field_ =
            std::make_unique<TextField>(display_, parent_, 10, 10, 200, 20, script.start, 8, look, ending);
        ASSERT_TRUE(field_->isOpen());
        ending.field = field_.get();
        pump();
        for (const Step& step : script.steps) {
            if (step.typed) {
                input_.type(step.typed);
            } else if (step.key) {
                input_.key(step.key);
            } else {
                XSetInputFocus(display_, other_, RevertToParent, CurrentTime);
            }
            pump();
        }
        if (field_) {
            test::saveScreen(display_, "text-field-open");
            ending.text = field_->text();
        }
        EXPECT_EQ(ending.endings, script.endings);
        if (script.endings > 0) {
            EXPECT_EQ(ending.ended, script.ended);
        }
        EXPECT_EQ(ending.text, script.text);
        field_.reset();
    }
}

}  // namespace
}  // namespace qp::x11
