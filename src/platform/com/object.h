#pragma once
// The reference counting and interface lookup that every component object of ours shares.

#include "platform/com/com.h"

#include <atomic>
#include <concepts>
#include <cstdint>

namespace tarvik::com {

// An object behind one interface chain (IUnknown, then e.g. IDispatch, then a dual interface on it)
// that answers QueryInterface for IUnknown and for each of `Offered` with that one pointer, and for
// any other identifier with E_NOINTERFACE and a null pointer. It is born with one reference, its
// creator's; the last Release deletes it. Derived classes keep their destructor private, so an
// object only ever ends through Release:
//
//     class Scale final : public com::Object<IScale, com::IID_IDispatch, IID_IScale> { ... };
template <class Interface, IID... Offered>
class Object : public Interface {
    static_assert(std::derived_from<Interface, IUnknown>, "a component interface derives from IUnknown");

public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT QueryInterface(const IID& iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || ((iid == Offered) || ...)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    std::uint32_t AddRef() override { return ++refs_; }

    std::uint32_t Release() override
    {
        const std::uint32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    Object() = default;
    virtual ~Object() = default;

    // The references held now (tests of a component look at it).
    std::uint32_t references() const noexcept { return refs_; }

private:
    std::atomic<std::uint32_t> refs_{1};
};

}  // namespace tarvik::com
