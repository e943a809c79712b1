// BuzzEditor: the zoom step, where it comes from (the user's choice, the host's
// scale, the system's), its pictures, and moving an open editor to another step.
#include <new>

#include "editor/BuzzEditor.h"
#include "editor/EditorModel.h"
#include "editor/ZoomArt.h"
#include "editor/art/Art.h"
#include "effect/Settings.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/System.h"
#include "gui/Zoom.h"
#include "resources/ResourceIds.h"

namespace qp {

namespace {

constexpr std::int32_t kArtResources[] = {kFaceBitmapId, kAboutBitmapId, kKnobStripBitmapId};
// The zoom submenu: "Auto" first, then the steps in order; never drawn, like the
// command menu it hangs from, with the current choice checked.
constexpr std::int32_t kZoomMenuStyle =
    kDisplayNoDrawing | kDisplayNoText | kMenuPopupAtTop | kMenuCheckCurrent;
constexpr std::int32_t kZoomMenuTag = -1;

std::int32_t choiceEntry(std::int32_t choice) {
    for (std::int32_t i = 0; i < kZoomStepCount; ++i) {
        if (kZoomSteps[i] == choice) {
            return i + 1;
        }
    }
    return 0;
}

}  // namespace

std::int32_t BuzzEditor::storedZoomChoice() {
    // Settings keep number + 1: 0 is "nothing stored".
    const std::int32_t choice = readSetting(kProductName, kZoomSettingName) - 1;
    return isZoomStep(choice) ? choice : kZoomAuto;
}

std::int32_t BuzzEditor::wantedZoom() const {
    if (zoomChoice_ != kZoomAuto) {
        return zoomChoice_;
    }
    return nearestZoomStep(hostScale_ > 0.0 ? hostScale_ : windowScale_);
}

void BuzzEditor::chooseZoom(std::int32_t choice) {
    zoomChoice_ = isZoomStep(choice) ? choice : kZoomAuto;
    writeSetting(kProductName, kZoomSettingName, zoomChoice_);
    requestZoom();
}

void BuzzEditor::setHostScale(double scale) {
    GuiEditorBase::setHostScale(scale);
    requestZoom();
}

void BuzzEditor::windowScaleChanged(double scale) {
    if (scale > 0.0) {
        windowScale_ = scale;
        windowScaleKnown_ = true;
        requestZoom();
    }
}

void BuzzEditor::requestZoom() {
    if (frame_) {
        // The request may come from inside a menu's choice, the window procedure
        // or a drag, whose views a new layout would replace: idle carries it out.
        zoomPending_ = true;
        return;
    }
    zoom_ = wantedZoom();
    updateRect();
}

void BuzzEditor::updateRect() {
    width_ = zoomed(background_ ? background_->getWidth() : 0, zoom_);
    height_ = zoomed(background_ ? background_->getHeight() : 0, zoom_);
}

void BuzzEditor::announceSize(std::int32_t& width, std::int32_t& height) {
    if (!frame_ && !windowScaleKnown_) {
        // No window yet: the system's scale for a window of the host's.
        windowScale_ = windowScale(nullptr);
        windowScaleKnown_ = true;
        zoom_ = wantedZoom();
    }
    updateRect();
    rectAnnounced_ = true;
    width = width_;
    height = height_;
}

void BuzzEditor::idle() {
    if (zoomPending_) {
        applyZoom();
    }
    GuiEditorBase::idle();
}

void BuzzEditor::applyZoom() {
    const std::int32_t wanted = wantedZoom();
    if (!frame_ || wanted == zoom_) {
        zoomPending_ = false;
        return;
    }
    // Not in the middle of a drag or with a popup open: at a later idle then.
    if (!onWindowThread() || editOpen_ || frame_->getEditView()) {
        return;
    }
    zoomPending_ = false;
    busy_ = true;
    const bool aboutShowing = isAboutShowing();
    releaseViews(true);
    zoom_ = wanted;
    // Without the step's pictures (no memory for them) the editor is laid out
    // at 100 %, whose pictures it always holds.
    if (!loadZoomedBitmaps()) {
        zoom_ = kUnzoomed;
        loadZoomedBitmaps();
    }
    updateRect();
    const std::int32_t width = width_;
    const std::int32_t height = height_;
    frame_->setSize(width, height);
    layOut();
    busy_ = false;
    if (aboutShowing) {
        showAboutScreen();
    }
    showLearnedControllers();
    // A host that refuses still has a whole editor at the new size, which it may
    // clip; one that takes it may close the editor from inside.
    model_.requestSize(width, height);
}

bool BuzzEditor::loadZoomedBitmaps() {
    // Kept from the last open at this step: an editor opened and closed again
    // copies nothing.
    if (zoom_ == zoomedBitmapsStep_ && (zoom_ == kUnzoomed || zoomedBitmaps_[0].bitmap)) {
        return true;
    }
    releaseZoomedBitmaps();
    zoomedBitmapsStep_ = zoom_;
    if (zoom_ == kUnzoomed) {
        return true;
    }
    for (std::int32_t i = 0; i < kZoomedBitmaps; ++i) {
        const art::Picture* picture = zoomedPicture(kArtResources[i], zoom_);
        Bitmap* bitmap = picture ? new (std::nothrow) Bitmap(kArtResources[i], picture->width,
                                                             picture->height, picture->rgb.data())
                                 : nullptr;
        if (!bitmap || !bitmap->isLoaded()) {
            if (bitmap) {
                bitmap->release();
            }
            releaseZoomedBitmaps();
            return false;
        }
        bitmap->setTransparentColor(kFilmStripKeyColor);
        zoomedBitmaps_[i] = ZoomedBitmap{bitmap, kArtResources[i]};
    }
    return true;
}

void BuzzEditor::releaseZoomedBitmaps() {
    zoomedBitmapsStep_ = kUnzoomed;
    for (ZoomedBitmap& held : zoomedBitmaps_) {
        if (held.bitmap) {
            held.bitmap->release();
        }
        held = ZoomedBitmap{};
    }
}

Bitmap* BuzzEditor::zoomedBitmap(std::int32_t resourceId) const {
    for (const ZoomedBitmap& held : zoomedBitmaps_) {
        if (held.bitmap && held.resourceId == resourceId) {
            return held.bitmap;
        }
    }
    return nullptr;
}

Bitmap* BuzzEditor::background() const {
    Bitmap* zoomedFace = zoomedBitmap(kFaceBitmapId);
    return zoomedFace ? zoomedFace : background_;
}

Bitmap* BuzzEditor::aboutBitmap() const {
    Bitmap* zoomedAbout = zoomedBitmap(kAboutBitmapId);
    return zoomedAbout ? zoomedAbout : aboutBitmap_;
}

Rect BuzzEditor::zoomedRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) const {
    return zoomed(Rect(x, y, x + width, y + height), zoom_);
}

void BuzzEditor::buildZoomMenu(OptionMenu* commandMenu) {
    auto* menu = new (std::nothrow)
        OptionMenu(commandMenu->getViewSize(), this, kZoomMenuTag, nullptr, nullptr, kZoomMenuStyle);
    if (!menu) {
        return;
    }
    menu->addEntry("Auto");
    for (std::int32_t step : kZoomSteps) {
        char text[16];
        std::snprintf(text, sizeof(text), "%d %%", int(step));
        menu->addLiteralEntry(text);
    }
    menu->setCurrent(choiceEntry(zoomChoice_));
    if (commandMenu->addSubmenu("Zoom", menu)) {
        zoomMenu_ = menu;
    }
    // The command menu retained it, or it goes now.
    menu->release();
}

}  // namespace qp
