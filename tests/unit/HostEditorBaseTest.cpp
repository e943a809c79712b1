// The editor as the effect sees it: how it attaches to its effect, who destroys it,
// and the defaults every editor starts from.
#include <gtest/gtest.h>

#include "HostTestSupport.h"

namespace qp::test {
namespace {

TEST(EditorBase, AttachesItselfAndIsAnnouncedToTheHost) {
    DefaultEffect effect;
    auto* editor = new EditorBase(&effect);
    EXPECT_EQ(effect.editor(), editor);
    EXPECT_EQ(effect.getEditor(), editor);
    EXPECT_EQ(editor->effect(), &effect);
    EXPECT_EQ(effect.record()->flags & effFlagsHasEditor, effFlagsHasEditor);
}

TEST(EditorBase, DefaultsAnswerAsAnEditorWithoutAWindow) {
    DefaultEffect effect;
    auto* editor = new EditorBase(&effect);
    ERect dummy{};
    ERect* rect = &dummy;
    EXPECT_EQ(editor->getRect(&rect), 0);
    EXPECT_EQ(rect, nullptr);
    int parent = 0;
    EXPECT_EQ(editor->open(&parent), 0);
    EXPECT_EQ(editor->parentWindow(), &parent);
    VstKeyCode key{};
    EXPECT_EQ(editor->keyDown(key), -1);
    EXPECT_EQ(editor->keyUp(key), -1);
    EXPECT_EQ(editor->setKnobMode(2), 0);
    EXPECT_FALSE(editor->wheel(1.0f));
    // Through the dispatcher the same answers reach the host.
    rect = &dummy;
    EXPECT_EQ(effect.dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(effect.dispatch(effEditKeyDown, 65), -1);
}

TEST(EditorBase, IdleUpdatesOnceAfterEachRequest) {
    DefaultEffect effect;
    auto* editor = new CountingEditor(&effect);
    editor->idle();
    EXPECT_EQ(editor->updates, 0);
    editor->setParameter(0, 0.5f);  // a parameter change asks for an update
    EXPECT_TRUE(editor->pending());
    editor->idle();
    editor->idle();
    EXPECT_EQ(editor->updates, 1);
    EXPECT_FALSE(editor->pending());
}

TEST(EditorBase, TheEffectDestroysItsEditorOnce) {
    CountingEditor::destroyed = 0;
    {
        DefaultEffect effect;
        new CountingEditor(&effect);
    }
    EXPECT_EQ(CountingEditor::destroyed, 1);

    // An editor destroyed by someone else leaves the effect without one.
    CountingEditor::destroyed = 0;
    {
        DefaultEffect effect;
        delete new CountingEditor(&effect);
        EXPECT_EQ(effect.editor(), nullptr);
        EXPECT_EQ(effect.record()->flags & effFlagsHasEditor, 0);
    }
    EXPECT_EQ(CountingEditor::destroyed, 1);
}

TEST(EditorBase, ASecondEditorReplacesTheFirst) {
    CountingEditor::destroyed = 0;
    DefaultEffect effect;
    new CountingEditor(&effect);
    auto* second = new CountingEditor(&effect);
    EXPECT_EQ(CountingEditor::destroyed, 1);
    EXPECT_EQ(effect.editor(), second);
    EXPECT_EQ(effect.record()->flags & effFlagsHasEditor, effFlagsHasEditor);
}

TEST(EditorBase, AnEditorWithoutEffectStandsAlone) {
    EditorBase editor(nullptr);
    EXPECT_EQ(editor.effect(), nullptr);
    editor.requestUpdate();
    editor.idle();
}

}  // namespace
}  // namespace qp::test
