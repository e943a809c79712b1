#include "editor/QuestionView.h"

#include <algorithm>

#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/TrackingScope.h"
#include "gui/Zoom.h"

namespace qp {

namespace {

// The panel's parts at 100 %, from its top-left corner (it is 261 x 108).
constexpr Rect kCaptionArea(8, 4, 253, 18);
constexpr Rect kTextArea(10, 20, 251, 74);
constexpr std::int32_t kLineHeight = 15;
constexpr std::int32_t kAnswerTop = 78;
constexpr std::int32_t kAnswerWidth = 64;
constexpr std::int32_t kAnswerHeight = 20;
constexpr std::int32_t kAnswerGap = 16;

// The about caption's yellow frames the panel, so it reads as the editor's own.
constexpr Color kPanelFill = makeColor(40, 40, 44);
constexpr Color kPanelBorder = makeColor(244, 243, 4);
constexpr Color kTextColor = makeColor(255, 255, 255);
constexpr Color kAnswerFill = makeColor(84, 84, 92);

}  // namespace

std::vector<std::string> wrapText(const std::string& text, std::int32_t width,
                                  const std::function<std::int32_t(const std::string&)>& measure) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string::npos) {
            break;
        }
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string word = text.substr(start, end - start);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && measure(longer) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        at = end;
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

QuestionView::QuestionView(const Rect& size, ControlListener* listener, std::int32_t tag,
                           std::int32_t percent)
    : Control(size, listener, tag),
      percent_(percent) {}

void QuestionView::setMessage(const std::string& text, MessageKind kind) {
    text_ = text;
    kind_ = kind;
    setDirty(true);
}

Rect QuestionView::zoomedPart(const Rect& part) const {
    // Zoomed where it lies on the face, by the one rule every rectangle of the
    // layout takes, then moved with the view should it lie elsewhere.
    const Rect panel = zoomed(kPanel, percent_);
    return zoomed(part.offsetBy(kPanel.left, kPanel.top), percent_)
        .offsetBy(size_.left - panel.left, size_.top - panel.top);
}

Rect QuestionView::answerRect(std::int32_t answer) const {
    const std::int32_t panelWidth = kPanel.width();
    const std::int32_t count = answerCount();
    const std::int32_t all = count * kAnswerWidth + (count - 1) * kAnswerGap;
    const std::int32_t left = (panelWidth - all) / 2 + answer * (kAnswerWidth + kAnswerGap);
    return zoomedPart(Rect(left, kAnswerTop, left + kAnswerWidth, kAnswerTop + kAnswerHeight));
}

const char* QuestionView::answerLabel(std::int32_t answer) const {
    if (!isQuestion()) {
        return "OK";
    }
    return answer == 0 ? "Yes" : "No";
}

void QuestionView::draw(DrawContext* context) {
    context->setFillColor(kPanelFill);
    context->setLineColor(kPanelBorder);
    context->fillRect(size_);
    context->drawRectOutline(size_);

    context->selectFont(kFontSmall);
    context->setFontColor(kPanelBorder);
    context->drawText(captionFor(kind_), zoomedPart(kCaptionArea), 0, kAlignLeft);

    context->selectFont(kFontMedium);
    context->setFontColor(kTextColor);
    const Rect area = zoomedPart(kTextArea);
    const std::int32_t lineHeight = zoomed(kLineHeight, percent_);
    std::vector<std::string> lines = wrapText(
        text_, area.width(), [context](const std::string& s) { return context->textWidth(s.c_str()); });
    // What does not fit is cut, as a box too small for its text would be.
    const std::size_t room = std::size_t(std::max(1, area.height() / lineHeight));
    if (lines.size() > room) {
        lines.resize(room);
    }
    std::int32_t top = area.top + (area.height() - std::int32_t(lines.size()) * lineHeight) / 2;
    for (const std::string& line : lines) {
        context->drawText(line.c_str(), Rect(area.left, top, area.right, top + lineHeight), 0, kAlignCenter);
        top += lineHeight;
    }

    context->setLineColor(kTextColor);
    for (std::int32_t answer = 0; answer < answerCount(); ++answer) {
        const Rect button = answerRect(answer);
        context->setFillColor(kAnswerFill);
        context->fillRect(button);
        context->drawRectOutline(button);
        context->drawText(answerLabel(answer), button, 0, kAlignCenter);
    }
    setDirty(false);
}

void QuestionView::mouseDown(DrawContext* context, Point where) {
    if (leftPressButtons(context) == 0) {
        return;
    }
    for (std::int32_t answer = 0; answer < answerCount(); ++answer) {
        if (answerRect(answer).isInside(where)) {
            setValue(isQuestion() && answer == 1 ? kNo : kYes);
            // The answer may close the editor, which lets go of this view: the
            // scope keeps it until the listener is back, and nothing is touched after.
            TrackingScope scope(*this);
            if (listener_) {
                listener_->valueChanged(context, this);
            }
            return;
        }
    }
}

}  // namespace qp
