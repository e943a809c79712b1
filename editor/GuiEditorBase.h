// The editor layer that brings in the toolkit: it owns the Frame while the window
// is open, keeps the editor's size and the toolkit-wide knob mode, and runs the
// idle and wait processing that keeps the window drawn and the host alive while a
// control tracks a drag inside the window procedure. It knows its host only as
// an EditorModel (editor/EditorModel.h).
//
// Call sequence of a drag: the control calls the frame's beginEdit(tag), which
// lands here and reaches the model as beginGesture; every tracking step calls
// wait() (redraw now and then, dispatch one paint, give the host idle time);
// the release ends with endEdit(tag), endGesture. A host that closes the editor
// from inside the drag (in the idle a step gives it) gets the endGesture from
// the close: the drag then ends without a frame to tell.
//
// A host may also destroy the whole editor from inside a call the editor makes
// to it: every call out of the editor (host idle, a value, a bracket) is a
// call-out on the editor's lifeline (gui/Lifeline.h), and once it is lost the
// editor returns without touching itself.
//
// Ownership: the frame is created by the derived editor at open and destroyed at
// close; this layer only holds the pointer. Everything here runs on the thread
// that drives the editor window (the host's user-interface thread), except
// requestUpdate, which any thread may call.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "gui/FrameOwner.h"
#include "gui/KeyCode.h"
#include "gui/Lifeline.h"
#include "gui/NativeHandles.h"
#include "host/EditorProtocol.h"

namespace qp {

class EditorModel;
class Frame;
struct Rect;

class GuiEditorBase : public FrameOwner {
public:
    // On Windows it also initialises OLE for the calling thread, which the
    // toolkit's drag and drop needs (see gui/ThreadOleWin32.h).
    explicit GuiEditorBase(EditorModel& model);
    virtual ~GuiEditorBase();

    GuiEditorBase(const GuiEditorBase&) = delete;
    GuiEditorBase& operator=(const GuiEditorBase&) = delete;

    // The size the window has, or will have at the next open.
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // Requests an update and stores the parent; the derived editor builds the
    // frame, as a child of parent (an HWND, or the X11 Window id in the pointer).
    virtual bool open(NativeWindow parent);
    // Ends a drag's edit bracket that is still open; the derived editor then
    // takes the frame down.
    virtual void close();
    // Carries out a pending update, then pumps and draws the frame.
    virtual void idle();
    // Marks an update due at the next idle; any thread.
    void requestUpdate() { updatePending_.store(true, std::memory_order_relaxed); }
    // What the next idle does when an update is due.
    virtual void update() {}
    std::int32_t keyDown(KeyCode& key);
    std::int32_t keyUp(KeyCode& key);
    bool wheel(float distance);

    // Draws the whole frame at once; the rectangle is not used.
    virtual void draw(const Rect* area);
    // One idle step inside a control's tracking loop (FrameOwner::wait).
    void wait() override;

    // FrameOwner: the drag bracket reaches the host through the model.
    void beginEdit(std::int32_t tag) override;
    void endEdit(std::int32_t tag) override;
    KnobMode getKnobMode() const override;

    // The one knob mode shared by every editor and every knob, as the host set it
    // (kLinearKnobMode...); the knobs read it translated, through getKnobMode.
    static void setKnobMode(std::int32_t mode);
    static std::int32_t knobMode();

    // Where wait() reads the millisecond tick; none restores the system's. A seam
    // for tests, which cannot wait 49.7 days for the counter to wrap.
    using TickSource = std::uint32_t (*)();
    static void setTickSource(TickSource source);

    Frame* getFrame() const { return frame_; }
    // The editor's own window while open; null while closed.
    NativeWindow window() const;
    NativeWindow parentWindow() const { return parentWindow_; }
    EditorModel& model() const { return model_; }

    // The scale the host shows its own user interface at (1.0 is 100 %), where it
    // says one (LV2's ui:scaleFactor option, CLAP's set_scale); 0 or less when it
    // says none, and then the system's scale of the host's window counts. While
    // the user's zoom choice is "Auto" the editor takes the step nearest to it
    // (gui/Zoom.h) and, when open, resizes to that step and asks the host for the
    // new size.
    virtual void setHostScale(double scale) { hostScale_ = scale; }
    double hostScale() const { return hostScale_; }

protected:
    EditorModel& model_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    Frame* frame_ = nullptr;
    NativeWindow parentWindow_ = nullptr;
    std::uint32_t nextIdleTime_ = 0;
    bool inIdle_ = false;
    double hostScale_ = 0.0;
    // The bracket begun and not yet ended, if any.
    bool editOpen_ = false;
    std::int32_t openEditTag_ = 0;
    // Ended by the destructor: calls out of the editor stop touching it.
    Lifeline lifeline_;

private:
    // The back end's part of the editor (GuiEditorBaseWin32.cpp: OLE for the
    // window's thread; GuiEditorBaseX11.cpp), and its two steps inside wait():
    // pause() waits a little, if the platform wants that, and answers the
    // milliseconds it let pass; paintPending() paints what a tracking loop that
    // keeps the message loop away would leave unpainted.
    struct Platform;
    struct PlatformDelete {
        void operator()(Platform* platform) const;
    };
    static Platform* openPlatform();
    static std::uint32_t pause();
    static void paintPending();

    std::atomic<bool> updatePending_{false};
    std::unique_ptr<Platform, PlatformDelete> platform_;
};

}  // namespace qp
