#pragma once
// What the com tests' components serve: a plain object with IUnknown and IDispatch, and the codes
// that make a server misbehave on purpose.

#include "platform/com/com.h"

#include <new>
#include <stdexcept>

namespace tarvik::com::testing {

inline constexpr CLSID CLSID_TestRefusing{0xA1000000, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};
inline constexpr CLSID CLSID_TestLocalOnly{0xA1000000, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x02}};
inline constexpr CLSID CLSID_TestForeign{0xA1000000, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x03}};
inline constexpr CLSID CLSID_TestNowhere{0xA1000000, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x04}};
// Asking for these makes the server throw instead of answering.
inline constexpr IID IID_Throw{0xA1000000, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x0F}};
inline constexpr IID IID_BadAlloc{0xA1000000, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x0E}};

class TestObject final : public IDispatch {
public:
    static HRESULT create(const IID& iid, void** out)
    {
        if (iid == IID_Throw)
            throw std::runtime_error("server failure");
        if (iid == IID_BadAlloc)
            throw std::bad_alloc();
        auto* object = new TestObject;
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }

    HRESULT QueryInterface(const IID& iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override
    {
        const auto left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(std::uint32_t* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const QStringList&, LCID, QList<DISPID>*) override { return DISP_E_UNKNOWNNAME; }
    // Member 1 answers the number of references held.
    HRESULT Invoke(DISPID member, LCID, QVariantList&, QVariant* result) override
    {
        if (member != 1)
            return DISP_E_MEMBERNOTFOUND;
        if (result)
            *result = refs_;
        return S_OK;
    }

private:
    ~TestObject() = default;
    std::uint32_t refs_ = 1;
};

}  // namespace tarvik::com::testing
