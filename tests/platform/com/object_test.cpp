// The shared base of our component objects: interface lookup and the reference count.

#include "platform/com/object.h"

#include <gtest/gtest.h>

using namespace tarvik::com;

namespace {

// {5D0C3E71-2A48-4B9F-8C61-0E7A4D2B9F31}
inline constexpr IID IID_ICounter{0x5D0C3E71, 0x2A48, 0x4B9F, {0x8C, 0x61, 0x0E, 0x7A, 0x4D, 0x2B, 0x9F, 0x31}};

class ICounter : public IDispatch {
public:
    virtual int next() = 0;

protected:
    ~ICounter() = default;
};

// Tells the test when it is gone.
class Counter final : public Object<ICounter, IID_IDispatch, IID_ICounter> {
public:
    static ComPtr<ICounter> make(bool& destroyed)
    {
        ComPtr<ICounter> object;
        object.attach(new Counter(destroyed));  // adopts the creator's reference
        return object;
    }

    int next() override { return ++value_; }
    std::uint32_t refs() const { return references(); }

    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const QStringList&, LCID, QList<DISPID>*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, LCID, QVariantList&, QVariant*) override { return E_NOTIMPL; }

private:
    explicit Counter(bool& destroyed) : destroyed_(destroyed) {}
    ~Counter() override { destroyed_ = true; }

    bool& destroyed_;
    int value_ = 0;
};

class ObjectTest : public ::testing::Test {
protected:
    Counter* counter() const { return static_cast<Counter*>(object.get()); }

    bool destroyed = false;  // outlives `object`
    ComPtr<ICounter> object = Counter::make(destroyed);
};

TEST_F(ObjectTest, IsBornWithTheCreatorsReference)
{
    EXPECT_EQ(counter()->refs(), 1u);
    EXPECT_FALSE(destroyed);
}

TEST_F(ObjectTest, OffersIUnknownAsTheSameObject)
{
    void* unknown = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(unknown), static_cast<IUnknown*>(object.get()));
    EXPECT_EQ(counter()->refs(), 2u);
    EXPECT_EQ(static_cast<IUnknown*>(unknown)->Release(), 1u);
}

TEST_F(ObjectTest, OffersEachListedInterface)
{
    for (const IID& iid : {IID_IDispatch, IID_ICounter}) {
        ComPtr<IDispatch> other;
        ASSERT_EQ(object.queryInterface(iid, other), S_OK) << iid.toString().toStdString();
        EXPECT_EQ(other.get(), object.get());
        EXPECT_EQ(counter()->refs(), 2u);
    }
    EXPECT_EQ(counter()->refs(), 1u);
    EXPECT_EQ(object->next(), 1);
}

TEST_F(ObjectTest, RefusesAnUnknownInterfaceAndClearsTheOutPointer)
{
    constexpr IID unknownIid{0x5D0C3E71, 0x2A48, 0x4B9F, {0x8C, 0x61, 0x0E, 0x7A, 0x4D, 0x2B, 0x9F, 0x32}};
    for (const IID& iid : {unknownIid, GUID_NULL}) {
        void* out = this;  // anything: the call must clear it
        EXPECT_EQ(object->QueryInterface(iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(counter()->refs(), 1u);
}

TEST_F(ObjectTest, ANullOutPointerIsRefused)
{
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(counter()->refs(), 1u);
}

TEST_F(ObjectTest, CountsReferencesAndEndsWithTheLast)
{
    ICounter* raw = object.get();
    EXPECT_EQ(raw->AddRef(), 2u);
    EXPECT_EQ(raw->AddRef(), 3u);
    EXPECT_EQ(raw->Release(), 2u);
    EXPECT_EQ(raw->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(object.detach()->Release(), 0u);
    EXPECT_TRUE(destroyed);
}

TEST_F(ObjectTest, LivesWhileAnyOwnerHoldsIt)
{
    ComPtr<ICounter> second = object;
    object.reset();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(second->next(), 1);
    second.reset();
    EXPECT_TRUE(destroyed);
}

}  // namespace
