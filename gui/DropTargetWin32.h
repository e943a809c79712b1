// The OLE drop target of a frame's window: it takes plain text (CF_TEXT, asked
// first) and file lists (CF_HDROP), turns a file list into path names (shell
// shortcuts replaced by their targets) and offers the result to the frame, which
// offers it to the view under the cursor (type 1 text, type 0 files).
//
// The platform's reference is the only one: the target starts at a count of 0,
// registration takes a reference and revocation drops it, which destroys the
// target. The frame registers it through the factory installed with
// DropTarget::install() (the product does that once).
//
// This header brings in the OLE declarations; include it from .cpp files only.
#pragma once

#include <ole2.h>

#include <cstdint>

namespace qp {

class Frame;

// Drop types passed to View::drop.
enum DropType : std::int32_t {
    kDropFiles = 0,
    kDropText = 1,
};

class DropTarget : public IDropTarget {
public:
    explicit DropTarget(Frame* frame);

    // The frame's factory (setDropTargetFactory in FrameWin32.h).
    static IDropTarget* create(Frame* frame);
    static void install();
    // Targets alive in this process, for tests.
    static std::int32_t liveCount();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    virtual ~DropTarget();

    bool accepts() const { return accept_; }

private:
    bool deliverText(STGMEDIUM& medium);
    bool deliverFiles(STGMEDIUM& medium);

    LONG refCount_ = 0;
    bool accept_ = false;
    Frame* frame_;
};

}  // namespace qp
