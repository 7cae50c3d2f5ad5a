#pragma once
// What the com tests' components serve: a plain object with IUnknown and IDispatch, and the codes
// that make a server misbehave on purpose.

#include "platform/com/com.h"
#include "platform/com/object.h"

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

class TestObject final : public Object<IDispatch, IID_IDispatch> {
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
            *result = references();
        return S_OK;
    }

private:
    ~TestObject() override = default;
};

}  // namespace tarvik::com::testing
