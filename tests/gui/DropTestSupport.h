// The dragging side of the drop tests: a data object offering text and/or a
// file list the way another program would, a drop source for DoDragDrop, and a
// view that takes (or declines) what is dropped on it.
#pragma once

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/View.h"
#include "tests/gui/TestComObject.h"

namespace qp::test {

class TestDataObject : public TestComObject<IDataObject, IID_IDataObject, ComLifetime::onStack> {
public:
    bool offerText = false;
    std::string text;  // the block handed out holds these bytes exactly
    bool offerFiles = false;
    std::vector<std::string> files;
    // Media handed out and media whose release object was let go of.
    int mediaGiven = 0;
    int mediaReleased = 0;

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        const HRESULT offered = QueryGetData(format);
        if (offered != S_OK) {
            return offered;
        }
        HGLOBAL memory = format->cfFormat == CF_TEXT ? textBlock() : fileBlock();
        if (!memory) {
            return E_OUTOFMEMORY;
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = new MediumHolder(memory, &mediaReleased);
        ++mediaGiven;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (!format || !(format->tymed & TYMED_HGLOBAL) || format->dwAspect != DVASPECT_CONTENT) {
            return DV_E_FORMATETC;
        }
        if ((format->cfFormat == CF_TEXT && offerText) || (format->cfFormat == CF_HDROP && offerFiles)) {
            return S_OK;
        }
        return DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) {
            out->ptd = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    // The medium's release object: frees the memory block when let go of, and
    // counts that, so a test can see that the receiver released the medium.
    class MediumHolder : public TestComObject<IUnknown, IID_IUnknown, ComLifetime::onHeap> {
    public:
        MediumHolder(HGLOBAL memory, int* released)
            : memory_(memory),
              released_(released) {}
        ~MediumHolder() override {
            GlobalFree(memory_);
            ++*released_;
        }

    private:
        HGLOBAL memory_;
        int* released_;
    };

    HGLOBAL textBlock() const {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size());
        if (memory) {
            std::memcpy(GlobalLock(memory), text.data(), text.size());
            GlobalUnlock(memory);
        }
        return memory;
    }

    // DROPFILES followed by the ANSI names, each terminated, and one more
    // terminator.
    HGLOBAL fileBlock() const {
        std::size_t size = sizeof(DROPFILES) + 1;
        for (const std::string& f : files) {
            size += f.size() + 1;
        }
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        if (!memory) {
            return nullptr;
        }
        auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
        header->pFiles = sizeof(DROPFILES);
        header->fWide = FALSE;
        char* names = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
        for (const std::string& f : files) {
            std::memcpy(names, f.c_str(), f.size() + 1);
            names += f.size() + 1;
        }
        GlobalUnlock(memory);
        return memory;
    }
};

class TestDropSource : public TestComObject<IDropSource, IID_IDropSource, ComLifetime::onStack> {
public:
    std::vector<DWORD> feedback;

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keyState) override {
        if (escape) {
            return DRAGDROP_S_CANCEL;
        }
        return (keyState & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
        feedback.push_back(effect);
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
};

// Copies whatever is dropped on it; answers takeIt.
class DropRecordingView : public View {
public:
    explicit DropRecordingView(const Rect& size)
        : View(size) {}
    bool drop(const char* const* items, std::int32_t count, std::int32_t type, Point where) override {
        ++drops;
        lastCount = count;
        lastType = type;
        lastWhere = where;
        received.clear();
        const std::int32_t n = type == 1 ? 1 : count;
        for (std::int32_t i = 0; i < n; ++i) {
            received.emplace_back(items[i]);
        }
        return takeIt;
    }
    bool takeIt = false;
    int drops = 0;
    std::int32_t lastCount = -1;
    std::int32_t lastType = -1;
    Point lastWhere{-1, -1};
    std::vector<std::string> received;
};

}  // namespace qp::test
