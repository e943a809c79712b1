// The questions and notices the editor shows in its window: the text's wrap, the
// answer that runs the action (Yes only, once), the effect's settings commands
// asked there when the platform asks in the editor, and the old boxes otherwise.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "editor/QuestionView.h"
#include "gui/Frame.h"
#include "gui/Zoom.h"
#include "tests/editor/EditorTestSupport.h"

namespace qp::test {
namespace {

TEST(QuestionViewWrap, BreaksBetweenWordsAtTheWidth) {
    const auto sixPerCharacter = [](const std::string& s) { return std::int32_t(s.size()) * 6; };
    const struct {
        const char* text;
        std::int32_t width;
        std::vector<std::string> lines;
    } cases[] = {
        {"Save Actual Values as Defaults?", 1000, {"Save Actual Values as Defaults?"}},
        {"Save Actual Values as Defaults?", 120, {"Save Actual Values", "as Defaults?"}},
        {"Save Actual Values as Defaults?", 18, {"Save", "Actual", "Values", "as", "Defaults?"}},
        {"  two   spaces  ", 1000, {"two spaces"}},
        {"", 100, {}},
        {"   ", 100, {}},
        {"x averyveryverylongword y", 30, {"x", "averyveryverylongword", "y"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wrapText(c.text, c.width, sixPerCharacter), c.lines) << c.text << " in " << c.width;
    }
}

TEST(QuestionViewLayout, TheAnswersAreTheFacesRectanglesAtEveryZoomStep) {
    for (const MessageKind kind : {MessageKind::Question, MessageKind::Confirmation}) {
        // Views are counted and deleted by their last release.
        auto* unzoomed = new QuestionView(QuestionView::kPanel, nullptr, 0, kUnzoomed);
        unzoomed->setMessage("?", kind);
        for (const std::int32_t step : kZoomSteps) {
            auto* view = new QuestionView(zoomed(QuestionView::kPanel, step), nullptr, 0, step);
            view->setMessage("?", kind);
            EXPECT_EQ(view->answerCount(), kind == MessageKind::Question ? 2 : 1);
            for (std::int32_t answer = 0; answer < view->answerCount(); ++answer) {
                const Rect expected = zoomed(unzoomed->answerRect(answer), step);
                const Rect got = view->answerRect(answer);
                EXPECT_TRUE(got.left == expected.left && got.top == expected.top &&
                            got.right == expected.right && got.bottom == expected.bottom)
                    << step << " % answer " << answer;
                EXPECT_TRUE(view->getViewSize().isInside(Point(got.right, got.bottom))) << step;
            }
            view->release();
        }
        unzoomed->release();
    }
}

// A left press in the middle of answer i of the question on show.
void pressAnswer(BuzzEditor& editor, std::int32_t answer) {
    QuestionView* view = editor.shownQuestion();
    ASSERT_NE(view, nullptr);
    const Rect r = view->answerRect(answer);
    DrawContext context(editor.getFrame(), nullptr, nullptr);
    context.reportPress(kButtonLeft);
    editor.getFrame()->mouseDown(&context, Point((r.left + r.right) / 2, (r.top + r.bottom) / 2));
}

class EditorQuestions : public ::testing::Test {
protected:
    void SetUp() override {
        fx.platform.setAsksInEditor(true);
        ASSERT_EQ(fx.editor->open(nullptr), 1);
    }
    QuestionView* shown() const { return fx.editor->shownQuestion(); }

    EditedEffect fx;
    int ran = 0;
};

TEST(EditorQuestionAnswers, YesRunsTheActionOnceAndNoCloseOrTheEditorsEndNever) {
    enum class Then {
        Yes,
        No,
        Close,
        DestroyEffect
    };
    const struct {
        const char* name;
        Then then;
        int ran;
    } cases[] = {
        {"Yes", Then::Yes, 1},
        {"No", Then::No, 0},
        {"closed", Then::Close, 0},
        {"effect destroyed", Then::DestroyEffect, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EditedEffect local;
        local.platform.setAsksInEditor(true);
        ASSERT_EQ(local.editor->open(nullptr), 1);
        int ran = 0;
        ASSERT_TRUE(local.editor->ask("Sure?", MessageKind::Question, [&ran] { ++ran; }));
        QuestionView* view = local.editor->shownQuestion();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(local.editor->getFrame()->getModalView(), view);
        EXPECT_EQ(view->text(), "Sure?");
        EXPECT_EQ(view->answerCount(), 2);
        EXPECT_EQ(ran, 0) << "ran before the answer";
        switch (c.then) {
            case Then::Yes:
                pressAnswer(*local.editor, 0);
                break;
            case Then::No:
                pressAnswer(*local.editor, 1);
                break;
            case Then::Close:
                local.editor->close();
                ASSERT_EQ(local.editor->open(nullptr), 1);
                break;
            case Then::DestroyEffect:
                local.effect.reset();
                local.editor = nullptr;
                break;
        }
        EXPECT_EQ(ran, c.ran);
        if (local.editor) {
            EXPECT_EQ(local.editor->shownQuestion(), nullptr);
            EXPECT_EQ(local.editor->getFrame()->getModalView(), nullptr);
        }
    }
}

TEST_F(EditorQuestions, CannotAskWhileClosedOrFromAnotherThread) {
    bool fromThread = true;
    std::thread([&] {
        fromThread = fx.editor->ask("Sure?", MessageKind::Question, [this] { ++ran; });
    }).join();
    EXPECT_FALSE(fromThread);
    fx.editor->close();
    EXPECT_FALSE(fx.editor->ask("Sure?", MessageKind::Question, [this] { ++ran; }));
    ASSERT_EQ(fx.editor->open(nullptr), 1);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_EQ(ran, 0);
}

TEST_F(EditorQuestions, TheSettingsCommandsAskInTheEditorAndTheirNoticesFollowInTurn) {
    const std::string key = "Software\\Veltmarsk\\Quorrelphone";
    const struct {
        const char* name;
        float command;
        bool failWrites;
        std::vector<std::string> notices;  // shown one after the other after Yes
    } cases[] = {
        {"Default", 1.0f, false, {"Default Values Saved!"}},
        {"Default, unwritable",
         1.0f,
         true,
         {"Error saving Midi-CC registery!", "Error saving Midi-CC registery!", "Default Values Saved!"}},
        {"MidiForget", 2.0f, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fx.platform.clearRegistry();
        fx.platform.failValueWrites(c.failWrites);
        fx.effect->setParameter(kLearnCommandIndex, 0.0f);
        fx.sendController(7, 64);
        fx.effect->setParameter(kMenuCommandIndex, c.command);
        ASSERT_NE(shown(), nullptr);
        EXPECT_EQ(shown()->kind(), MessageKind::Question);
        EXPECT_EQ(shown()->text(),
                  c.command == 1.0f ? "Save Actual Values as Defaults?" : "Forget Learned MidiCC?");
        EXPECT_FALSE(fx.platform.dwordValue(key, "MidiCC-sens"));
        EXPECT_EQ(fx.effect->learnedController(0), 7);
        pressAnswer(*fx.editor, 0);
        for (const std::string& notice : c.notices) {
            ASSERT_NE(shown(), nullptr) << notice;
            EXPECT_EQ(shown()->text(), notice);
            EXPECT_NE(shown()->kind(), MessageKind::Question);
            EXPECT_EQ(shown()->answerCount(), 1);
            pressAnswer(*fx.editor, 0);
        }
        EXPECT_EQ(shown(), nullptr);
        EXPECT_EQ(fx.platform.dwordValue(key, "MidiCC-sens").has_value(), c.command == 1.0f && !c.failWrites);
        EXPECT_EQ(fx.effect->learnedController(0), c.command == 1.0f ? 7 : 0);
        EXPECT_TRUE(fx.platform.messages().empty()) << "a box besides the window";
    }
}

}  // namespace
}  // namespace qp::test
