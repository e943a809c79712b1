// The root of the toolkit: the one view that owns a native child window inside
// the window the host gave the editor, holds the child views in the order they
// were added, and turns window messages into calls on them.
//
// Drawing goes in the order added (later views on top) and a press goes to the
// last-added view under the cursor. Redrawing is lazy: idle() redraws only dirty
// views, and does nothing until the window has been painted once. Drags do not
// return to the message loop; controls keep the window alive through
// TrackingScope::idle(), which lands in the owner's wait().
//
// Ownership: the frame owns its children (addView takes over the creator's
// reference; removeAllViews(true) at destruction releases them), retains its
// background bitmap, and neither retains nor releases the modal view. It owns its
// native window and destroys it at destruction. A control that hands control
// away (a drag loop, a popup) holds a TrackingScope, a call-out on the frame's
// lifeline, which the frame ends first when it is destroyed; the frame takes a
// call-out of its own around each call into a view that may reach the host (a
// wheel step, the loss of focus), as gui/Lifeline.h says.
// Everything runs on the thread that owns the host's editor window.
//
// The window side is the back end's: FrameWin32.cpp (a child window of its own
// class, its messages, the cursor, OLE drops) and FrameX11.cpp (a child window
// on the frame's own display connection and its events). Its state is the
// opaque Platform; the views, drawing order and routing here are shared.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/KnobMode.h"
#include "gui/Lifeline.h"
#include "gui/NativeHandles.h"
#include "gui/View.h"

namespace qp {

class Bitmap;
class TrackingScope;

// The cursor kinds Frame::setCursor takes; the numbers (0 to 6, in this order)
// are the toolkit's public ones.
enum CursorKind : std::int32_t {
    kCursorDefault = 0,
    kCursorWait,
    kCursorSizeWestEast,
    kCursorSizeNorthSouth,
    kCursorSizeAll,
    kCursorSizeNortheastSouthwest,
    kCursorSizeNorthwestSoutheast,
};

class Frame : public View {
public:
    // With no parent window no native window is made: the frame holds views but
    // never paints, and idle does nothing.
    Frame(const Rect& size, NativeWindow parentWindow, FrameOwner* owner);
    ~Frame() override;

    void draw(DrawContext* context) override;
    void drawArea(DrawContext* context, const Rect& area) override;
    void mouseDown(DrawContext* context, Point where) override;
    void update(DrawContext* context) override;
    std::int32_t keyDown(KeyCode& key) override;
    std::int32_t keyUp(KeyCode& key) override;
    bool drop(const char* const* items, std::int32_t count, std::int32_t type, Point where) override;
    // The point given is not used: the wheel goes to the view under the cursor,
    // with the cursor's location, whether or not that view takes the mouse.
    bool wheel(DrawContext* context, Point where, float distance) override;
    FrameOwner* getEditor() const override;

    virtual bool addView(View* view);
    virtual bool removeView(View* view, const bool& releaseIt = true);
    virtual bool removeAllViews(const bool& releaseIt = true);
    virtual bool isChild(View* view) const;
    virtual std::int32_t getViewCount() const;
    virtual View* getView(std::int32_t index) const;

    // Draws that child at once; any other view, or none, redraws the whole frame.
    void redrawView(View* view);
    // The window's next paint covers all of it, whatever area the system hands
    // over (nothing without a window).
    void invalidateWindow();
    void idle();
    bool anyViewDirty() const;
    // Fails (false) when another modal view is set; none always succeeds.
    bool setModalView(View* view);
    View* getModalView() const { return modalView_; }
    // The old edit view, if any, loses focus; the new one is not told. False when
    // that loss of focus reached a host that closed the editor: the frame and its
    // views are gone, and the caller touches nothing of theirs.
    bool setEditView(View* view);
    View* getEditView() const { return editView_; }
    void setBackground(Bitmap* background);
    Bitmap* getBackground() const { return background_; }

    void beginEdit(std::int32_t tag);
    void endEdit(std::int32_t tag);
    void doIdleProcessing();
    // The system's millisecond tick count, or 0 without an owner.
    std::int32_t getTicks() const;
    // The owner's knob mode, circular without an owner.
    KnobMode getKnobMode() const;
    // The zoom step (gui/Zoom.h) its views are laid out at. The frame's own size
    // and its views' rectangles already are the step's; what the toolkit draws or
    // measures beyond them (popup menus, line widths, a drag's pixels per step)
    // scales by it. 100 until set.
    void setZoom(std::int32_t percent) { zoom_ = percent; }
    // A new size for the frame and its window (the window keeps its place in the
    // parent); the views stay as they are and the whole window is painted anew.
    void setSize(std::int32_t width, std::int32_t height);
    std::int32_t getZoom() const { return zoom_; }
    View* getViewUnderMouse() const;
    // The cursor relative to the window's top-left corner (screen coordinates
    // without a window). Always true.
    bool getMouseLocation(Point& where) const;
    // One of the cursor kinds above (a CursorKind); other numbers do nothing.
    void setCursor(std::int32_t type);
    // Registers the window for file and text drops (or revokes that); false where
    // the platform takes none.
    bool enableDrop(bool enable);

    // The drawing target of the window outside a paint, for a DrawContext made
    // over it (none without a window). Hand it back with the window it came from
    // once that context is gone; that needs no frame, which may be gone by then.
    NativeDC acquireDrawTarget() const;
    static void releaseDrawTarget(NativeWindow window, NativeDC target);

    NativeWindow getWindow() const { return window_; }
    NativeWindow getParentWindow() const { return parentWindow_; }
    bool isOpen() const { return open_; }
    bool isFirstDrawPending() const { return firstDrawPending_; }

    // The back end's state of this frame, defined in the back end's files alone
    // (which, the type being nested, reach the frame's private members).
    struct Platform;
    Platform* platform() const { return platform_.get(); }

private:
    friend class TrackingScope;

    // The back end's part of construction and destruction: makes the platform
    // state and, with a parent, the window; destroys the window and lets go of
    // what the platform state holds.
    void openWindow();
    void closeWindow();
    // The back end's part of setSize: the window takes the frame's size.
    void resizeWindow();
    // The events that arrived for the window since the last idle, where the back
    // end delivers them itself (X11: the frame's own display connection; Windows:
    // the host's message loop does, and this does nothing). False when the frame
    // was destroyed meanwhile (a listener or a popup closed the editor): nothing
    // of it may be touched then.
    bool pumpEvents();
    // The edit view, if any, loses focus and the frame has none. False when the
    // frame was destroyed meanwhile (the view's listener closed the editor).
    bool dropEditView();
    // keyDown and keyUp alike: the edit view, then a modal view, then the children
    // from the top, until one answers other than -1.
    std::int32_t routeKey(std::int32_t (View::*handler)(KeyCode&), KeyCode& key);

    // The one walk from the top (last added) to the bottom that press, wheel, drop
    // and key routing share: the first child for which accept answers true.
    // accept may reach the host (a key or a drop a view takes), which may close
    // the editor: then the walk ends there, reading nothing of the frame.
    template <class Accept>
    View* topmostChild(Accept&& accept) const {
        CallOut call(lifeline_);
        for (std::size_t i = views_.size(); i-- > 0;) {
            // An accept that took views out must not send the walk past the end.
            if (i >= views_.size()) {
                continue;
            }
            View* view = views_[i];
            if (accept(view)) {
                return view;
            }
            if (call.isLost()) {
                return nullptr;
            }
        }
        return nullptr;
    }

    FrameOwner* owner_;
    std::int32_t zoom_ = 100;
    NativeWindow parentWindow_;
    Bitmap* background_ = nullptr;
    std::vector<View*> views_;
    View* modalView_ = nullptr;
    View* editView_ = nullptr;
    bool firstDrawPending_ = true;
    bool open_ = true;
    bool dropActive_ = false;
    NativeWindow window_ = nullptr;
    // Ended first at destruction: the call-outs of controls that track inside a
    // message of this frame, and the frame's own calls into views, stop there.
    // Call-outs are bookkeeping, not state: const routing takes them too.
    mutable Lifeline lifeline_;

    struct PlatformDelete {
        void operator()(Platform* platform) const;
    };
    std::unique_ptr<Platform, PlatformDelete> platform_;
};

}  // namespace qp
