// A question or a notice over the face, as the frame's modal view: a panel with
// the caption a message box would have ("Warning!", "Error!", "Ok!"), the text
// wrapped to its width and the answers under it, "Yes" and "No" for a
// question, "OK" for a notice, all at the frame's zoom step. A press on an
// answer sets the value (kYes or kNo; OK is kYes) and tells the listener; a
// press anywhere else on the face does nothing, as the view is modal.
//
// It blocks nothing: it is drawn and pressed on the host's own loop, like every
// other view, and whoever asked hears the answer through its listener.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/Control.h"
#include "host/Platform.h"

namespace qp {

// The lines of text no wider than width as measure tells it, broken at spaces
// (runs of spaces between two lines are dropped); a word wider than width
// stands alone on its line.
std::vector<std::string> wrapText(const std::string& text, std::int32_t width,
                                  const std::function<std::int32_t(const std::string&)>& measure);

class QuestionView : public Control {
public:
    static constexpr float kYes = 1.0f;
    static constexpr float kNo = 0.0f;
    // The panel at 100 %, in the face's coordinates; BuzzEditor zooms it.
    static constexpr Rect kPanel{24, 30, 285, 138};

    // size is the panel at the zoom step (percent) of the frame it shows in.
    QuestionView(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t percent);

    // What to show next: a question has Yes and No, anything else OK.
    void setMessage(const std::string& text, MessageKind kind);
    const std::string& text() const { return text_; }
    MessageKind kind() const { return kind_; }
    bool isQuestion() const { return kind_ == MessageKind::Question; }
    // 2 for a question (Yes, No), 1 for a notice (OK).
    std::int32_t answerCount() const { return isQuestion() ? 2 : 1; }
    // Where answer i lies, in frame coordinates.
    Rect answerRect(std::int32_t answer) const;
    const char* answerLabel(std::int32_t answer) const;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;

private:
    Rect zoomedPart(const Rect& part) const;

    std::int32_t percent_;
    std::string text_;
    MessageKind kind_ = MessageKind::Question;
};

}  // namespace qp
