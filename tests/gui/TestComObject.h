// The IUnknown part of the tests' own COM objects, which each offer one
// interface besides IUnknown.
#pragma once

#include <objbase.h>

namespace qp::test {

enum class ComLifetime {
    // Lives on the test's stack: the count is kept only to answer honestly.
    onStack,
    // Made with new and deleted when the last reference is let go of.
    onHeap,
};

template <typename Interface, const IID& interfaceId, ComLifetime lifetime>
class TestComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, interfaceId)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --refs_;
        if constexpr (lifetime == ComLifetime::onHeap) {
            if (left <= 0) {
                delete this;
            }
        }
        return ULONG(left);
    }
    virtual ~TestComObject() = default;

protected:
    explicit TestComObject(LONG references = 1)
        : refs_(references) {}

private:
    LONG refs_;
};

}  // namespace qp::test
