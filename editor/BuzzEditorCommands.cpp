// BuzzEditor: the listener side, the command menu and presets submenu, the about
// screen, the learnt-controller refresh and randomize.
#include <algorithm>
#include <cstdio>
#include <new>

#include "editor/AboutBox.h"
#include "editor/BuzzEditor.h"
#include "editor/EditorModel.h"
#include "editor/LearnOverlay.h"
#include "editor/QuestionView.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/Zoom.h"

namespace qp {

namespace {

// The command menu's area over the logo; the presets submenu shares it.
constexpr Rect kMenuArea(12, 117, 240, 158);
// Never drawn: the face shows the logo there. Pops up at the area's top-left corner.
constexpr std::int32_t kCommandMenuStyle = kDisplayNoDrawing | kDisplayNoText | kMenuPopupAtTop;
// As the command menu, with the current program checked.
constexpr std::int32_t kPresetsMenuStyle = kCommandMenuStyle | kMenuCheckCurrent;
// As the command menu, with the checks the editor sets: the matching preset's,
// or none.
constexpr std::int32_t kMatchedPresetsMenuStyle = kCommandMenuStyle | kMenuMultipleCheck;
constexpr std::int32_t kPresetsPerColumn = 32;
constexpr std::int32_t kProgramNameBuffer = 256;

// 1/32767 as a float: turns the generator's 0..32767 into 0..1.
constexpr float kRandomScale = 3.0518509e-05f;

}  // namespace

void BuzzEditor::valueChanged(DrawContext* context, Control* control) {
    if (isBusy() || !control) {
        return;
    }
    if (control == questionView_) {
        answerQuestion(control->getValue() == QuestionView::kYes);
        return;
    }
    if (control == zoomMenu_) {
        // The editor's own: the model and the host never hear of it.
        const std::int32_t entry = std::int32_t(control->getValue());
        chooseZoom(entry >= 1 && entry <= kZoomStepCount ? kZoomSteps[entry - 1] : kZoomAuto);
        return;
    }
    // The host may destroy the editor from inside the model (a VST 2 host's
    // effClose, an LV2 UI's cleanup), or close its window, and the control with it.
    const std::int32_t tag = control->getTag();
    const float value = control->getValue();
    if (!tellModel(tag, value)) {
        return;
    }
    commandHook(tag, value);
    // A control the command just took out of the frame (the about box) must not
    // paint itself over the face again.
    if (context && frame_ && frame_->isChild(control)) {
        control->update(context);
    }
}

bool BuzzEditor::tellModel(std::int32_t tag, float value) {
    CallOut call(lifeline_);
    switch (tag) {
        case kAboutBoxIndex:
            model_.aboutScreenChanged(false);
            if (!call.isLost()) {
                hideAboutScreen();
            }
            break;
        case kMenuCommandIndex:
            if (value == float(kMenuAboutEntry)) {
                model_.aboutScreenChanged(true);
                if (!call.isLost()) {
                    showAboutScreen();
                }
            } else if (value == float(kMenuSaveDefaultsEntry)) {
                model_.saveDefaults();
            } else if (value == float(kMenuForgetAllEntry)) {
                model_.forgetAll();
            }
            break;
        case kPresetsMenuIndex:
            choosePreset();
            break;
        case kLearnCommandIndex:
            if (value >= kLearnCommandLimit) {
                model_.forget(std::int32_t(value) - kForgetCommandOffset);
            } else if (value >= 0.0f) {
                model_.learn(std::int32_t(value));
            }
            break;
        default:
            if (isEntryIndex(tag)) {
                // The knob shows the value already: what comes back of it while
                // the model hears it is not set again.
                changing_ = tag;
                model_.changeValue(tag, value);
                if (!call.isLost()) {
                    changing_ = -1;
                    tickMatchingPreset();
                }
            }
            break;
    }
    return !call.isLost();
}

void BuzzEditor::buildMenus() {
    const Rect menuArea = zoomed(kMenuArea, zoom());
    presetsMenu_ = new (std::nothrow)
        OptionMenu(menuArea, this, kPresetsMenuIndex, nullptr, nullptr,
                   commands_ == Commands::Full ? kPresetsMenuStyle : kMatchedPresetsMenuStyle);
    commandMenu_ =
        new (std::nothrow) OptionMenu(menuArea, this, kMenuCommandIndex, nullptr, nullptr, kCommandMenuStyle);
    if (!presetsMenu_ || !commandMenu_) {
        if (presetsMenu_) {
            presetsMenu_->release();
        }
        if (commandMenu_) {
            commandMenu_->release();
        }
        presetsMenu_ = commandMenu_ = nullptr;
        return;
    }
    for (std::int32_t preset = 0; preset < model_.presetCount(); ++preset) {
        char name[kProgramNameBuffer] = {};
        model_.presetName(preset, name, sizeof name);
        // Names come from hosts, banks and users: never menu markup.
        presetsMenu_->addLiteralEntry(name);
    }
    presetsMenu_->setCurrent(model_.currentPreset(), true);
    tickMatchingPreset();
    presetsMenu_->setEntriesPerColumn(kPresetsPerColumn);

    // Entry numbers are the command values: About stays 0 in both forms.
    commandMenu_->addEntry("About");
    if (commands_ == Commands::Full) {
        commandMenu_->addEntry("Default");
        commandMenu_->addEntry("MidiForget");
    }
    extraMenuEntries(commandMenu_);
    commandMenu_->addEntry("-");
    commandMenu_->addSubmenu("Presets", presetsMenu_);
    // The command menu retained the submenu; from here on it keeps it alive.
    presetsMenu_->release();
    frame_->addView(commandMenu_);
}

void BuzzEditor::tickMatchingPreset() {
    if (commands_ == Commands::Full || !presetsMenu_) {
        return;
    }
    const std::int32_t match = model_.currentPreset();
    for (std::int32_t preset = 0; preset < model_.presetCount(); ++preset) {
        presetsMenu_->checkEntry(preset, preset == match);
    }
}

void BuzzEditor::extraMenuEntries(OptionMenu* commandMenu) { buildZoomMenu(commandMenu); }

void BuzzEditor::commandHook(std::int32_t, float) {}

void BuzzEditor::choosePreset() {
    if (!presetsMenu_) {
        return;
    }
    // Choosing an entry has already made it the submenu's current one. The
    // model sets the values; the knobs hear them as the host's.
    const std::int32_t preset = presetsMenu_->getCurrent(nullptr, true);
    if (preset >= 0) {
        model_.choosePreset(preset);
    }
}

void BuzzEditor::showAboutScreen() {
    // A question on show keeps the face until it is answered.
    if (!onWindowThread() || isBusy() || !frame_ || !aboutBox_ || isAboutShowing() ||
        frame_->getModalView()) {
        return;
    }
    frame_->addView(aboutBox_);
    aboutBox_->setValue(0.0f);
    aboutBox_->setDirty(true);
    frame_->setModalView(aboutBox_);
}

void BuzzEditor::hideAboutScreen() {
    if (!onWindowThread() || isBusy() || !frame_ || !aboutBox_ || frame_->getModalView() != aboutBox_) {
        return;
    }
    frame_->setModalView(nullptr);
    // Back to the editor, which keeps it for the next time.
    frame_->removeView(aboutBox_, false);
    if (aboutBox_) {
        aboutBox_->setValue(1.0f);
    }
    frame_->setDirty(true);
    frame_->redrawView(nullptr);
}

bool BuzzEditor::ask(const char* text, MessageKind kind, std::function<void()> onYes) {
    if (!onWindowThread() || isBusy() || !frame_ || !questionView_) {
        return false;
    }
    questions_.push_back(
        Question{text ? text : "", kind, kind == MessageKind::Question ? std::move(onYes) : nullptr});
    showQuestion();
    return true;
}

QuestionView* BuzzEditor::shownQuestion() const {
    return frame_ && questionView_ && frame_->getModalView() == questionView_ ? questionView_ : nullptr;
}

void BuzzEditor::showQuestion() {
    if (questions_.empty() || !frame_ || !questionView_ || shownQuestion()) {
        return;
    }
    // The question comes first: the about screen is the user's to open again.
    if (isAboutShowing()) {
        hideAboutScreen();
    }
    const Question& next = questions_.front();
    questionView_->setMessage(next.text, next.kind);
    questionView_->setFrame(frame_);
    if (frame_->setModalView(questionView_)) {
        frame_->redrawView(nullptr);
    }
}

void BuzzEditor::hideQuestion() {
    if (!shownQuestion()) {
        return;
    }
    frame_->setModalView(nullptr);
    frame_->setDirty(true);
    frame_->redrawView(nullptr);
}

void BuzzEditor::answerQuestion(bool yes) {
    if (questions_.empty()) {
        return;
    }
    // Taken out first: what the answer does may ask again, or close the editor.
    Question answered = std::move(questions_.front());
    questions_.pop_front();
    hideQuestion();
    if (yes && answered.onYes) {
        CallOut call(lifeline_);
        answered.onYes();
        if (call.isLost()) {
            return;
        }
    }
    showQuestion();
}

void BuzzEditor::learnedControllersChanged() {
    // Chunk loads and replayed learn automation arrive on the host's worker
    // threads, while the window thread may be making or freeing the overlays.
    if (!onWindowThread()) {
        requestUpdate();
        return;
    }
    showLearnedControllers();
}

void BuzzEditor::showLearnedControllers() {
    for (std::int32_t index = 0; index < kEntryCount; ++index) {
        if (LearnOverlay* overlay = entries_[index].learnOverlay) {
            overlay->setLearnedController(model_.learnedController(index));
        }
    }
}

void BuzzEditor::setRandomSetting(std::int32_t parameter, bool bipolar, float offset,
                                  const float (&amounts)[kRandomAmounts]) {
    if (!isEntryIndex(parameter)) {
        return;
    }
    RandomSetting& setting = randomSettings_[parameter];
    setting.parameter = parameter;
    setting.bipolar = bipolar;
    setting.offset = offset;
    std::copy(std::begin(amounts), std::end(amounts), setting.amounts);
}

std::int32_t BuzzEditor::nextRandom() {
    // The classic C library recurrence: 15 bits per draw, reproducible from a seed.
    randomState_ = randomState_ * 214013u + 2531011u;
    return std::int32_t((randomState_ >> 16) & 0x7FFF);
}

void BuzzEditor::setRandomValue(std::int32_t index, float value) {
    CallOut call(lifeline_);
    model_.setValueUnrecorded(index, value);
    if (!call.isLost()) {
        setControlValue(index, value);
    }
}

void BuzzEditor::randomize(std::int32_t amountNumber) {
    if (amountNumber < 0 || amountNumber >= kRandomAmounts) {
        return;
    }
    for (std::int32_t index = 0; index < kEntryCount; ++index) {
        const RandomSetting& setting = randomSettings_[index];
        const float amount = setting.amounts[amountNumber];
        if (amount < 0.0f) {
            // A negative amount names a fixed value.
            setRandomValue(index, -amount);
            continue;
        }
        if (setting.parameter == -1) {
            continue;
        }
        const float r = float(nextRandom()) * kRandomScale;
        float v = setting.bipolar ? r * -amount + amount * 0.5f + 0.5f : r * amount;
        v += setting.offset;
        if (v > 1.0f) {
            v = 1.0f;
        } else if (v < 0.0f) {
            v = 0.0f;
        }
        setRandomValue(index, v);
    }
}

}  // namespace qp
