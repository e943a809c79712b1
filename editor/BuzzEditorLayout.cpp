// BuzzEditor: the layout, the control entries and the family of operations that
// put a parameter's control (with its learn overlay) on the face.
#include <cstdio>
#include <new>

#include "editor/BuzzEditor.h"
#include "editor/EditorModel.h"
#include "editor/FilmStripSlider.h"
#include "editor/LearnOverlay.h"
#include "editor/StepSwitch.h"
#include "effect/ParameterRecords.h"
#include "gui/AnimKnob.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/HorizontalSlider.h"
#include "gui/Knob.h"
#include "gui/OnOffButton.h"
#include "gui/ParamDisplay.h"
#include "gui/VerticalSlider.h"
#include "gui/Zoom.h"
#include "resources/ResourceIds.h"

namespace qp {

namespace {

constexpr std::int32_t kKnobFrameSize = 98;
constexpr std::int32_t kSensKnobX = 116;
constexpr std::int32_t kBuzzKnobX = 210;
constexpr std::int32_t kKnobY = 14;
// A button steps through its two states with every wheel notch.
constexpr float kButtonWheelIncrement = 10.0f;

// The value a display shows for a parameter value.
float displayValue(const BuzzEditor::ControlEntry& entry, float value) {
    float v = value * entry.displayScale + entry.displayOffset;
    if (entry.integerDisplay) {
        v = float(std::int32_t(v));
    }
    return v;
}

void integerText(float value, char* text) {
    std::snprintf(text, kDisplayTextSize, "%d", int(std::int32_t(value)));
}

}  // namespace

void BuzzEditor::createControls() {
    addFilmStripKnob(kSensKnobX, kKnobY, kSensIndex, kKnobFrameSize, kKnobStripBitmapId, true);
    addFilmStripKnob(kBuzzKnobX, kKnobY, kBuzzIndex, kKnobFrameSize, kKnobStripBitmapId, true);
    // Green around each knob frame lets the face's wells show through.
    setTransparencyForBitmap(kKnobStripBitmapId);
    busy_ = false;
}

// A view of an entry being replaced: the frame's to release while it shows, else the editor's.
void BuzzEditor::releaseView(const ControlEntry& entry, View* view) {
    if (!view) {
        return;
    }
    if (entry.shown && frame_ && frame_->isChild(view)) {
        frame_->removeView(view, true);
    } else {
        view->release();
    }
}

void BuzzEditor::installControl(std::int32_t index, Control* control, bool show, std::int32_t bitmapId) {
    control->setValue(model_.parameterValue(index));
    ControlEntry& entry = entries_[index];
    entry.bitmapId = bitmapId;
    // Each entry holds one control: adding again for the same parameter replaces it.
    releaseView(entry, entry.learnOverlay);
    releaseView(entry, entry.control);
    entry.learnOverlay = nullptr;
    entry.control = control;
    entry.shown = show;
    if (commands_ == Commands::Full) {
        entry.learnOverlay =
            new (std::nothrow) LearnOverlay(control->getViewSize(), this, kLearnCommandIndex, control);
    }
    if (show && frame_) {
        frame_->addView(control);
        if (entry.learnOverlay) {
            frame_->addView(entry.learnOverlay);
        }
    }
}

void BuzzEditor::setTransparencyForBitmap(std::int32_t resourceId) {
    for (ControlEntry& entry : entries_) {
        if (entry.bitmapId == resourceId && entry.control) {
            entry.control->setTransparency(true);
        }
    }
}

void BuzzEditor::addFilmStripKnob(std::int32_t x, std::int32_t y, std::int32_t index, std::int32_t frameSize,
                                  std::int32_t bitmapId, bool show) {
    Bitmap* bitmap = getBitmap(bitmapId);
    if (!isEntryIndex(index) || !bitmap || frameSize <= 0) {
        return;
    }
    // A strip drawn at the step has the step's frames; one without art keeps its
    // own, placed where the step puts the knob.
    if (bitmap == zoomedBitmap(bitmapId)) {
        frameSize = zoomed(frameSize, zoom_);
    }
    const Point origin = zoomed(Point(x, y), zoom_);
    const Rect size(origin.h, origin.v, origin.h + bitmap->getWidth(), origin.v + frameSize);
    auto* knob = new (std::nothrow)
        AnimKnob(size, this, index, bitmap->getHeight() / frameSize, frameSize, bitmap, Point(0, 0));
    if (!knob) {
        return;
    }
    installControl(index, knob, show, bitmapId);
}

void BuzzEditor::addValueDisplay(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                 std::int32_t index, bool useBackground, bool integerDisplay, float scale,
                                 float offset, Color fontColor, Color backgroundColor, Color frameColor,
                                 FontId font) {
    if (!isEntryIndex(index)) {
        return;
    }
    ControlEntry& entry = entries_[index];
    entry.integerDisplay = integerDisplay;
    entry.displayScale = scale;
    entry.displayOffset = offset;
    const Rect place = zoomedRect(x, y, width, height);
    auto* display = new (std::nothrow) ParamDisplay(place, useBackground ? background() : nullptr, 0);
    if (!display) {
        return;
    }
    releaseView(entry, entry.display);
    entry.display = display;
    if (integerDisplay) {
        display->setValueToText(integerText);
    }
    display->setValue(displayValue(entry, model_.parameterValue(index)));
    display->setFont(font);
    display->setFontColor(fontColor);
    display->setBackgroundColor(backgroundColor);
    display->setFrameColor(frameColor);
    if (useBackground) {
        display->setTransparency(true);
        display->setBackgroundOffset(place.topLeft());
        display->setTextTransparency(true);
    }
    // A display made for a hidden entry joins the frame with the next showEntry.
    if (entry.shown && frame_) {
        frame_->addView(display);
    }
}

void BuzzEditor::addKnob(std::int32_t x, std::int32_t y, std::int32_t size, std::int32_t index,
                         std::int32_t handleBitmapId, bool show, std::int32_t inset, Color handleColor,
                         Color shadowColor) {
    if (!isEntryIndex(index)) {
        return;
    }
    Bitmap* handle = getBitmap(handleBitmapId);
    const Rect place = zoomedRect(x, y, size, size);
    auto* knob = new (std::nothrow) Knob(place, this, index, background(), handle, place.topLeft());
    if (!knob) {
        return;
    }
    if (!handle) {
        knob->setInset(zoomed(inset, zoom_));
        knob->setShadowColor(shadowColor);
        knob->setHandleColor(handleColor);
    }
    installControl(index, knob, show, handleBitmapId);
}

template <class SliderForm>
void BuzzEditor::addSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           std::int32_t index, std::int32_t handleBitmapId, bool show,
                           std::int32_t minPosition, std::int32_t maxPosition, std::int32_t style) {
    if (!isEntryIndex(index)) {
        return;
    }
    const Rect place = zoomedRect(x, y, width, height);
    auto* slider = new (std::nothrow)
        SliderForm(place, this, index, zoomed(minPosition, zoom_), zoomed(maxPosition, zoom_),
                   getBitmap(handleBitmapId), background(), place.topLeft(), style);
    if (!slider) {
        return;
    }
    installControl(index, slider, show, handleBitmapId);
}

void BuzzEditor::addHorizontalSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                     std::int32_t index, std::int32_t handleBitmapId, bool show,
                                     std::int32_t minPosition, std::int32_t maxPosition, std::int32_t style) {
    addSlider<HorizontalSlider>(x, y, width, height, index, handleBitmapId, show, minPosition, maxPosition,
                                style);
}

void BuzzEditor::addVerticalSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                   std::int32_t index, std::int32_t handleBitmapId, bool show,
                                   std::int32_t minPosition, std::int32_t maxPosition, std::int32_t style) {
    addSlider<VerticalSlider>(x, y, width, height, index, handleBitmapId, show, minPosition, maxPosition,
                              style);
}

void BuzzEditor::addButton(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           std::int32_t index, std::int32_t bitmapId, bool show) {
    if (!isEntryIndex(index)) {
        return;
    }
    auto* button =
        new (std::nothrow) OnOffButton(zoomedRect(x, y, width, height), this, index, getBitmap(bitmapId));
    if (!button) {
        return;
    }
    button->setWheelIncrement(kButtonWheelIncrement);
    installControl(index, button, show, bitmapId);
}

void BuzzEditor::addStepSwitch(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                               std::int32_t states, std::int32_t index, std::int32_t bitmapId, bool show) {
    if (!isEntryIndex(index)) {
        return;
    }
    const Rect place = zoomedRect(x, y, width, height);
    auto* stepSwitch = new (std::nothrow)
        StepSwitch(place, this, index, states, place.height(), getBitmap(bitmapId), Point(0, 0));
    if (!stepSwitch) {
        return;
    }
    installControl(index, stepSwitch, show, bitmapId);
}

void BuzzEditor::addFilmStripSlider(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                    std::int32_t index, std::int32_t bitmapId, bool show, std::int32_t frames,
                                    std::int32_t frameHeight, std::int32_t minPosition,
                                    std::int32_t maxPosition, std::int32_t style) {
    if (!isEntryIndex(index)) {
        return;
    }
    auto* slider = new (std::nothrow) FilmStripSlider(
        zoomedRect(x, y, width, height), this, index, frames, zoomed(frameHeight, zoom_),
        zoomed(minPosition, zoom_), zoomed(maxPosition, zoom_), getBitmap(bitmapId), Point(0, 0), style);
    if (!slider) {
        return;
    }
    installControl(index, slider, show, bitmapId);
}

void BuzzEditor::showEntry(std::int32_t index) {
    if (!isEntryIndex(index) || entries_[index].shown || !frame_) {
        return;
    }
    ControlEntry& entry = entries_[index];
    entry.shown = true;
    if (entry.display) {
        frame_->addView(entry.display);
    }
    if (entry.control) {
        frame_->addView(entry.control);
    }
    if (entry.learnOverlay) {
        frame_->addView(entry.learnOverlay);
    }
    // Values set while hidden were ignored: show what the effect holds now.
    setControlValue(index, model_.parameterValue(index));
}

void BuzzEditor::hideEntry(std::int32_t index) {
    if (!isEntryIndex(index) || !entries_[index].shown || !frame_) {
        return;
    }
    ControlEntry& entry = entries_[index];
    entry.shown = false;
    if (entry.display) {
        frame_->removeView(entry.display, false);
    }
    if (entry.control) {
        frame_->removeView(entry.control, false);
    }
    if (entry.learnOverlay) {
        frame_->removeView(entry.learnOverlay, false);
    }
    if (entry.display) {
        entry.display->setDirty(true);
    }
    if (entry.control) {
        entry.control->setDirty(true);
    }
}

void BuzzEditor::setControlValue(std::int32_t index, float value) {
    if (!isEntryIndex(index) || !entries_[index].shown) {
        return;
    }
    ControlEntry& entry = entries_[index];
    if (entry.display) {
        entry.display->setValue(displayValue(entry, value));
    }
    if (entry.control) {
        entry.control->setValue(value);
    }
}

}  // namespace qp
