// Everything the frame shows: a rectangle in frame coordinates that draws itself,
// takes presses, keys, wheel steps and drops, and says whether it needs a redraw.
//
// The order of the virtual operations below is fixed: it is the common prefix of
// every view's table (32 here, then Control's, then each class's own), so new
// virtual operations go into derived classes, never in between.
//
// Ownership: a view starts with a count of 1 held by its creator. addView hands
// that reference to the frame (the frame does not retain), and the frame releases
// it when it removes the view with releaseIt or closes. A view that was never
// added is released by its creator. release() at 0 deletes through the virtual
// destructor, so views are always made with new.
#pragma once

#include <cstdint>

#include "gui/KeyCode.h"
#include "gui/Point.h"
#include "gui/Rect.h"

namespace qp {

class DrawContext;
class Frame;
class FrameOwner;

class View {
public:
    explicit View(const Rect& size);

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual ~View();
    // The base only marks itself clean; every concrete view draws.
    virtual void draw(DrawContext* context);
    // The paint path's entry for views overlapping the area to repaint.
    virtual void drawArea(DrawContext* context, const Rect& area);
    virtual bool overlaps(const Rect& area) const;
    // where is in frame coordinates; the buttons come from context->pollMouseButtons().
    virtual void mouseDown(DrawContext* context, Point where);
    // Draws only when dirty.
    virtual void update(DrawContext* context);
    virtual std::int32_t notify(View* sender, const char* message);
    // -1: not handled.
    virtual std::int32_t keyDown(KeyCode& key);
    virtual std::int32_t keyUp(KeyCode& key);
    // items: count text pointers for a file list (type 0); for text (type 1) one
    // pointer and count is the byte size of the dropped block.
    virtual bool drop(const char* const* items, std::int32_t count, std::int32_t type, Point where);
    virtual bool wheel(DrawContext* context, Point where, float distance);
    virtual void loseFocus(DrawContext* context);
    virtual void takeFocus(DrawContext* context);
    virtual bool isDirty() const;
    virtual void setDirty(bool dirty = true);
    virtual void setMouseEnabled(bool enabled);
    virtual bool isMouseEnabled() const;
    virtual void setMouseArea(const Rect& area);
    virtual Rect& getMouseArea(Rect& out) const;
    // Inside the size, edges included; the base ignores the buttons.
    virtual bool hitTest(Point where, std::int32_t buttons = -1);
    virtual void setTransparency(bool transparent);
    virtual bool getTransparency() const;
    // Marks the view dirty.
    virtual void setSize(const Rect& size);
    virtual Rect& getSize(Rect& out) const;
    virtual void setParentView(View* parent);
    virtual void setFrame(Frame* frame);
    // The frame's owner (the editor), or none without a frame.
    virtual FrameOwner* getEditor() const;
    // Called by the frame when the view leaves it / is added to it.
    virtual bool removed(View* parent);
    virtual bool attached(View* parent);
    virtual void release();
    virtual void retain();
    virtual std::int32_t getRefCount() const;

    // Asks the frame, if any, to draw this view at once.
    void redraw();
    Frame* getFrame() const { return frame_; }
    View* getParentView() const { return parentView_; }
    // The size without the out-parameter dance.
    const Rect& getViewSize() const { return size_; }

protected:
    std::int32_t refCount_ = 1;
    Rect size_;
    Rect mouseArea_;
    Frame* frame_ = nullptr;
    View* parentView_ = nullptr;
    bool dirty_ = false;
    bool mouseEnabled_ = true;
    bool transparent_ = false;
};

}  // namespace qp
