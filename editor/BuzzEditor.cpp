// BuzzEditor: construction, the bitmap cache, open and close, and the way values
// the host sets reach the views. The layout is in BuzzEditorLayout.cpp, the
// commands and menus in BuzzEditorCommands.cpp.
#include "editor/BuzzEditor.h"

#include <new>

#include "editor/AboutBox.h"
#include "editor/EditorModel.h"
#include "editor/LearnOverlay.h"
#include "editor/QuestionView.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/ParamDisplay.h"
#include "gui/System.h"
#include "gui/Zoom.h"
#include "host/Platform.h"
#include "resources/ResourceIds.h"

namespace qp {

BuzzEditor::BuzzEditor(EditorModel& model, Commands commands)
    : GuiEditorBase(model),
      commands_(commands) {
    background_ = new (std::nothrow) Bitmap(kFaceBitmapId);
    aboutBitmap_ = new (std::nothrow) Bitmap(kAboutBitmapId);
    // The system's scale is asked only when a host asks for the rectangle
    // (getRect) or opens the window: on X11 it takes a display connection, which
    // an instance that never shows its editor should not cost.
    zoomChoice_ = storedZoomChoice();
    zoom_ = wantedZoom();
    updateRect();
    setKnobMode(kLinearKnobMode);
}

BuzzEditor::~BuzzEditor() {
    busy_ = true;
    // Also what close does: an effect destroyed with its window still open must not
    // leave the about box or a hidden entry's views behind.
    tearDown();
    if (background_) {
        background_->release();
    }
    if (aboutBitmap_) {
        aboutBitmap_->release();
    }
    releaseZoomedBitmaps();
    for (CachedBitmap& slot : bitmapCache_) {
        if (slot.bitmap) {
            slot.bitmap->release();
        }
        slot.bitmap = nullptr;
    }
}

Bitmap* BuzzEditor::getBitmap(std::int32_t resourceId) {
    if (resourceId == 0) {
        return nullptr;
    }
    if (Bitmap* zoomed = zoomedBitmap(resourceId)) {
        return zoomed;
    }
    for (CachedBitmap& slot : bitmapCache_) {
        if (slot.resourceId == resourceId) {
            return slot.bitmap;
        }
        if (slot.resourceId == -1) {
            slot.bitmap = new (std::nothrow) Bitmap(resourceId);
            if (!slot.bitmap) {
                return nullptr;
            }
            slot.resourceId = resourceId;
            slot.bitmap->setTransparentColor(kFilmStripKeyColor);
            return slot.bitmap;
        }
    }
    showError("Alocation Bitmap Error!");
    return bitmapCache_[0].bitmap;
}

bool BuzzEditor::open(NativeWindow parentWindow) {
    busy_ = true;
    // A host that opens twice without closing would otherwise leak the first window.
    if (frame_) {
        GuiEditorBase::close();
        tearDown();
    }
    parkedMask_.store(0, std::memory_order_relaxed);

    // Another instance may have stored another choice since; the host's window
    // tells its own scale now.
    const std::int32_t announcedWidth = width_;
    const std::int32_t announcedHeight = height_;
    const bool wasAnnounced = rectAnnounced_;
    zoomChoice_ = storedZoomChoice();
    windowScale_ = windowScale(parentWindow);
    windowScaleKnown_ = true;
    zoom_ = wantedZoom();
    zoomPending_ = false;
    if (!loadZoomedBitmaps()) {
        zoom_ = kUnzoomed;
    }
    updateRect();
    frame_ = new (std::nothrow) Frame(Rect(0, 0, width_, height_), parentWindow, this);
    if (!frame_) {
        return false;
    }
    windowThread_.store(currentThreadId(), std::memory_order_relaxed);
    setKnobMode(kLinearKnobMode);

    layOut();
    busy_ = false;

    GuiEditorBase::open(parentWindow);
    // Hosts often set their knob mode before opening; the editor wants linear
    // dragging whatever they chose then (a change while open holds until the next open).
    setKnobMode(kLinearKnobMode);
    showLearnedControllers();
    // The host sized its window from the last rectangle it asked for; the
    // window it gave may show at another scale, or the choice changed since.
    if (wasAnnounced && (announcedWidth != width_ || announcedHeight != height_)) {
        model_.requestSize(width_, height_);
    }
    return true;
}

void BuzzEditor::close() {
    busy_ = true;
    GuiEditorBase::close();
    tearDown();
}

void BuzzEditor::layOut() {
    frame_->setZoom(zoom_);
    frame_->setBackground(background());

    createControls();

    aboutBox_ = new (std::nothrow)
        AboutBox(zoomedRect(39, 26, 218, 77), this, kAboutBoxIndex, zoomed(77, zoom_), aboutBitmap(),
                 Point(0, 0), "Version 1.2", zoomedRect(54, 245, 146, 10), makeColor(244, 243, 4));
    if (aboutBox_) {
        aboutBox_->setValue(0.0f);
    }
    questionView_ = new (std::nothrow) QuestionView(zoomed(QuestionView::kPanel, zoom_), this, -1, zoom_);

    buildMenus();
    showQuestion();
}

void BuzzEditor::tearDown() {
    windowThread_.store(0, std::memory_order_relaxed);
    // Closed unanswered: nothing the questions would have done is done.
    questions_.clear();
    releaseViews(false);
}

void BuzzEditor::releaseViews(bool keepFrame) {
    const bool aboutShowing = isAboutShowing();
    if (frame_) {
        // The frame releases every view in it: the shown controls and overlays,
        // the command menu (and with it the presets and zoom menus) and a showing
        // about box.
        frame_->setModalView(nullptr);
        if (keepFrame) {
            frame_->removeAllViews(true);
        } else {
            delete frame_;
            frame_ = nullptr;
        }
    }
    for (ControlEntry& entry : entries_) {
        if (!entry.shown) {
            // Only the editor holds these.
            if (entry.control) {
                entry.control->release();
            }
            if (entry.display) {
                entry.display->release();
            }
            if (entry.learnOverlay) {
                entry.learnOverlay->release();
            }
        }
        entry.control = nullptr;
        entry.display = nullptr;
        entry.learnOverlay = nullptr;
        entry.shown = false;
    }
    if (aboutBox_ && !aboutShowing) {
        aboutBox_->release();
    }
    aboutBox_ = nullptr;
    if (questionView_) {
        questionView_->release();
    }
    questionView_ = nullptr;
    commandMenu_ = nullptr;
    presetsMenu_ = nullptr;
    zoomMenu_ = nullptr;
}

bool BuzzEditor::isAboutShowing() const { return frame_ && aboutBox_ && frame_->isChild(aboutBox_); }

bool BuzzEditor::onWindowThread() const {
    const std::uint32_t owner = windowThread_.load(std::memory_order_relaxed);
    return owner != 0 && owner == currentThreadId();
}

void BuzzEditor::parameterChanged(std::int32_t index, float value) {
    if (!isEntryIndex(index)) {
        return;
    }
    if (!onWindowThread()) {
        // Host automation and MIDI arrive on the host's own threads, while the
        // window thread may be drawing or closing the very views this would touch.
        // The knob catches up at the next idle, with whatever the model holds then.
        parkedMask_.fetch_or(1u << index, std::memory_order_relaxed);
        requestUpdate();
        return;
    }
    // A value may bring a controller learnt from the MIDI stream: update() shows it.
    requestUpdate();
    if (isBusy() || !frame_ || index == changing_) {
        return;
    }
    setControlValue(index, value);
    tickMatchingPreset();
}

void BuzzEditor::update() {
    const std::uint32_t parked = parkedMask_.exchange(0, std::memory_order_relaxed);
    if (isBusy() || !frame_) {
        return;
    }
    for (std::int32_t index = 0; index < kEntryCount; ++index) {
        if (parked & (1u << index)) {
            setControlValue(index, model_.parameterValue(index));
        }
    }
    if (parked) {
        tickMatchingPreset();
    }
    // The effect learns a controller from the MIDI stream without telling the
    // editor; the controller's first value sets the parameter, which brings us
    // here, so the learn menu offers to forget it from then on.
    showLearnedControllers();
}

}  // namespace qp
