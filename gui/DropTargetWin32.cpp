#include "gui/DropTargetWin32.h"

#include <shellapi.h>

#include <atomic>
#include <string>
#include <vector>

#include "gui/Frame.h"
#include "gui/FrameWin32.h"
#include "gui/ShellShortcutWin32.h"

namespace qp {

namespace {

std::atomic<std::int32_t> liveTargets{0};

FORMATETC formatOf(CLIPFORMAT format) {
    FORMATETC f = {};
    f.cfFormat = format;
    f.ptd = nullptr;
    f.dwAspect = DVASPECT_CONTENT;
    f.lindex = -1;
    f.tymed = TYMED_HGLOBAL;
    return f;
}

bool offers(IDataObject* data, CLIPFORMAT format) {
    FORMATETC f = formatOf(format);
    return data->QueryGetData(&f) == S_OK;
}

// DragQueryFile's way of asking for the number of files.
constexpr UINT kFileCountQuery = 0xFFFFFFFF;

}  // namespace

DropTarget::DropTarget(Frame* frame)
    : frame_(frame) {
    ++liveTargets;
}

DropTarget::~DropTarget() { --liveTargets; }

IDropTarget* DropTarget::create(Frame* frame) { return new DropTarget(frame); }

void DropTarget::install() { setDropTargetFactory(&DropTarget::create); }

std::int32_t DropTarget::liveCount() { return liveTargets.load(); }

HRESULT STDMETHODCALLTYPE DropTarget::QueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropTarget::AddRef() { return ULONG(++refCount_); }

ULONG STDMETHODCALLTYPE DropTarget::Release() {
    const LONG count = --refCount_;
    if (count <= 0) {
        delete this;
    }
    return ULONG(count < 0 ? 0 : count);
}

HRESULT STDMETHODCALLTYPE DropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                                DWORD* effect) {
    accept_ = false;
    if (data && (offers(data, CF_TEXT) || offers(data, CF_HDROP))) {
        accept_ = true;
        return DragOver(keyState, point, effect);
    }
    if (effect) {
        *effect = DROPEFFECT_NONE;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragOver(DWORD keyState, POINTL, DWORD* effect) {
    if (effect) {
        if (!accept_) {
            *effect = DROPEFFECT_NONE;
        } else {
            *effect = (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragLeave() { return S_OK; }

HRESULT STDMETHODCALLTYPE DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    // Nothing here ever takes the dragged data over: what the source hears is at
    // most a copy, never a move (a source that deletes its original after a
    // move would lose it), and nothing at all when no view took the drop.
    bool taken = false;
    if (frame_ && data) {
        STGMEDIUM medium = {};
        FORMATETC text = formatOf(CF_TEXT);
        FORMATETC files = formatOf(CF_HDROP);
        if (data->GetData(&text, &medium) == S_OK) {
            if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
                taken = deliverText(medium);
            }
            ReleaseStgMedium(&medium);
        } else if (data->GetData(&files, &medium) == S_OK) {
            if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
                taken = deliverFiles(medium);
            }
            ReleaseStgMedium(&medium);
        }
    }
    if (effect) {
        *effect = taken ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    }
    DragLeave();
    return S_OK;
}

bool DropTarget::deliverText(STGMEDIUM& medium) {
    const SIZE_T size = GlobalSize(medium.hGlobal);
    const char* locked = static_cast<const char*>(GlobalLock(medium.hGlobal));
    if (!locked) {
        return false;
    }
    bool taken = false;
    if (size > 0) {
        // The block comes from another program: it need not end in a terminator.
        // Views get a terminated copy; the count stays the block's byte size.
        std::string copy(locked, size);
        const char* items[1] = {copy.c_str()};
        Point where;
        frame_->getMouseLocation(where);
        taken = frame_->drop(items, std::int32_t(size), kDropText, where);
    }
    GlobalUnlock(medium.hGlobal);
    return taken;
}

bool DropTarget::deliverFiles(STGMEDIUM& medium) {
    HDROP list = static_cast<HDROP>(medium.hGlobal);
    const UINT count = DragQueryFileA(list, kFileCountQuery, nullptr, 0);
    if (count == 0) {
        return false;
    }
    std::vector<std::string> names;
    names.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        // A name that does not fit the path buffer would arrive cut short, which
        // names a different file (or none): such a name counts as unreadable.
        const UINT length = DragQueryFileA(list, i, nullptr, 0);
        if (length == 0 || length >= ShellShortcut::kPathSize) {
            continue;
        }
        char path[ShellShortcut::kPathSize] = {};
        if (DragQueryFileA(list, i, path, UINT(ShellShortcut::kPathSize)) == 0) {
            continue;
        }
        ShellShortcut::resolve(path);
        names.emplace_back(path);
    }
    std::vector<const char*> items;
    items.reserve(names.size());
    for (const std::string& name : names) {
        items.push_back(name.c_str());
    }
    Point where;
    frame_->getMouseLocation(where);
    return frame_->drop(items.data(), std::int32_t(items.size()), kDropFiles, where);
}

}  // namespace qp
