// Component objects: identifiers, codes and their texts, references, and creation from plugins.

#include "components/test_object.h"

#include "platform/com/com.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

using namespace tarvik::com;
using namespace tarvik::com::testing;

namespace {

const QString TestComponents = QStringLiteral(TARVIK_BINARY_DIR "/tests/platform/com/components");

TEST(Guid, ParsesAndFormatsTheRegistryForm)
{
    const auto g = GUID::parse(u"{00020400-0000-0000-c000-000000000046}");
    ASSERT_TRUE(g);
    EXPECT_EQ(*g, IID_IDispatch);
    EXPECT_EQ(g->toString(), QStringLiteral("{00020400-0000-0000-C000-000000000046}"));
    const GUID odd{0xDEADBEEF, 0x0102, 0xA0B0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    EXPECT_EQ(odd.toString(), QStringLiteral("{DEADBEEF-0102-A0B0-0123-456789ABCDEF}"));
    EXPECT_EQ(GUID::parse(odd.toString()), odd);
    EXPECT_NE(odd, IID_IUnknown);

    const char16_t* bad[] = {
        u"", u"00020400-0000-0000-C000-000000000046", u"{00020400-0000-0000-C000-000000000046",
        u"{00020400-0000-0000-C000-00000000004G}", u"{00020400+0000-0000-C000-000000000046}",
        u"{00020400-0000-0000-C000-0000000000466}", u"{0002040-00000-0000-C000-000000000046}",
        u"{ 0020400-0000-0000-C000-000000000046}",
    };
    for (const char16_t* text : bad)
        EXPECT_FALSE(GUID::parse(QStringView(text))) << QString::fromUtf16(text).toStdString();
}

TEST(Codes, SucceededAndFailedFollowTheSign)
{
    static_assert(SUCCEEDED(S_OK) && SUCCEEDED(S_FALSE) && FAILED(E_FAIL) && FAILED(E_INVALIDARG));
    EXPECT_EQ(static_cast<std::uint32_t>(E_INVALIDARG), 0x80070057u);
    EXPECT_EQ(static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG), 0x80040154u);
    EXPECT_LT(E_INVALIDARG, 0);
}

TEST(Codes, SystemMessages)
{
    const struct { HRESULT code; const char* text; } cases[] = {
        {E_INVALIDARG, "The parameter is incorrect."},
        {REGDB_E_CLASSNOTREG, "Class not registered"},
        {E_NOINTERFACE, "No such interface supported"},
        {E_NOTIMPL, "Not implemented"},
        {E_POINTER, "Invalid pointer"},
        {E_FAIL, "Unspecified error"},
        {E_UNEXPECTED, "Catastrophic failure"},
        {E_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
        {CLASS_E_NOAGGREGATION, "Class does not support aggregation (or class object is remote)"},
        {CO_E_NOTINITIALIZED, "CoInitialize has not been called."},
        {S_OK, "The operation completed successfully."},
        {static_cast<HRESULT>(0x80041234u), ""},  // no message: the caller words its own
        {static_cast<HRESULT>(0x12345678), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SysErrorMessage(c.code), QString::fromLatin1(c.text)) << std::hex << c.code;
}

TEST(Codes, TheErrorCarriesItsCodeAndText)
{
    const EOleSysError known(E_INVALIDARG);
    EXPECT_EQ(known.errorCode(), E_INVALIDARG);
    EXPECT_EQ(known.text(), QStringLiteral("The parameter is incorrect."));
    const EOleSysError given(E_FAIL, QStringLiteral("'call': text @ file/253"));
    EXPECT_EQ(given.text(), QStringLiteral("'call': text @ file/253"));
    EXPECT_EQ(EOleSysError(static_cast<HRESULT>(0x80041234u)).text(), QStringLiteral("OLE error 80041234"));
    EXPECT_EQ(tarvik::errorText(known), known.text());

    EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
    try {
        OleCheck(REGDB_E_CLASSNOTREG);
        FAIL() << "no error raised";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.errorCode(), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(e.text(), QStringLiteral("Class not registered"));
    }
}

// An object that counts what is done to it.
class Counted final : public IUnknown {
public:
    int refs = 1;
    bool released = false;
    HRESULT QueryInterface(const IID&, void** o) override
    {
        *o = this;
        ++refs;
        return S_OK;
    }
    std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++refs); }
    std::uint32_t Release() override
    {
        released = --refs == 0;
        return static_cast<std::uint32_t>(refs);
    }
};

TEST(ComPtrTest, HoldsExactlyOneReferencePerOwner)
{
    Counted object;
    {
        ComPtr<IUnknown> a(&object);
        EXPECT_EQ(object.refs, 2);
        ComPtr<IUnknown> b = a;
        EXPECT_EQ(object.refs, 3);
        ComPtr<IUnknown> c = std::move(b);
        EXPECT_EQ(object.refs, 3);
        EXPECT_FALSE(b);
        b = c;
        EXPECT_EQ(object.refs, 4);
        b = b;  // self-assignment keeps the count
        EXPECT_EQ(object.refs, 4);
        c.reset();
        EXPECT_EQ(object.refs, 3);
        IUnknown* raw = a.detach();
        EXPECT_EQ(object.refs, 3);
        a.attach(raw);
        EXPECT_EQ(object.refs, 3);
        void** slot = a.putVoid();  // an out-parameter first lets go of what it held
        EXPECT_EQ(object.refs, 2);
        EXPECT_EQ(*slot, nullptr);
    }
    EXPECT_EQ(object.refs, 1);
    EXPECT_FALSE(object.released);
}

class Creation : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitialize();
        CoInitialize();  // again: nothing
    }
    void SetUp() override { setComponentDirectory(TestComponents); }
    void TearDown() override { setComponentDirectory({}); }

    static HRESULT create(const CLSID& clsid, std::uint32_t context, const IID& iid = IID_IUnknown,
                          IUnknown* outer = nullptr)
    {
        ComPtr<IUnknown> object;
        void** out = object.putVoid();
        *out = reinterpret_cast<void*>(1);  // must be cleared on failure
        const HRESULT hr = CoCreateInstance(clsid, outer, context, iid, out);
        EXPECT_EQ(SUCCEEDED(hr), object.get() != nullptr) << std::hex << hr;
        return hr;
    }
};

TEST_F(Creation, EachFailureHasItsCode)
{
    const struct { CLSID clsid; std::uint32_t context; IID iid; HRESULT expected; const char* what; } cases[] = {
        {CLSID_TestRefusing, CLSCTX_INPROC_SERVER, IID_IUnknown, S_OK, "an in-process server"},
        {CLSID_TestRefusing, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch, S_OK, "the station's retry"},
        {CLSID_TestRefusing, CLSCTX_ALL, IID_IUnknown, E_INVALIDARG, "a context the server refuses"},
        {CLSID_TestRefusing, 0, IID_IUnknown, E_INVALIDARG, "no server kind allowed"},
        {CLSID_TestRefusing, 0x8, IID_IUnknown, E_INVALIDARG, "only bits that are no server kind"},
        {CLSID_TestRefusing, CLSCTX_INPROC_SERVER, CLSID_TestNowhere, E_NOINTERFACE, "an interface not offered"},
        {CLSID_TestRefusing, CLSCTX_INPROC_SERVER, IID_Throw, E_FAIL, "a server that throws"},
        {CLSID_TestRefusing, CLSCTX_INPROC_SERVER, IID_BadAlloc, E_OUTOFMEMORY, "a server out of memory"},
        {CLSID_TestNowhere, CLSCTX_ALL, IID_IUnknown, REGDB_E_CLASSNOTREG, "a class nobody serves"},
        {CLSID_TestLocalOnly, CLSCTX_INPROC_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG, "no server of an allowed kind"},
        {CLSID_TestLocalOnly, CLSCTX_LOCAL_SERVER, IID_IUnknown, S_OK, "a local server"},
        {CLSID_TestForeign, CLSCTX_ALL, IID_IUnknown, CO_E_ERRORINDLL, "a plugin that is no server"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(create(c.clsid, c.context, c.iid), c.expected) << c.what;
}

TEST_F(Creation, RefusesAggregationAndANullOut)
{
    Counted outer;
    EXPECT_EQ(create(CLSID_TestRefusing, CLSCTX_INPROC_SERVER, IID_IUnknown, &outer), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_TestRefusing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(Creation, TheObjectIsReferencedOnceByItsCreator)
{
    ComPtr<IDispatch> object;
    ASSERT_EQ(CoCreateInstance(CLSID_TestRefusing, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.putVoid()), S_OK);
    QVariantList args;
    QVariant refs;
    ASSERT_EQ(object->Invoke(1, 0, args, &refs), S_OK);
    EXPECT_EQ(refs.toInt(), 1);
}

TEST_F(Creation, NeedsTheLibraryInitialisedOnTheCallingThread)
{
    HRESULT before = S_OK;
    HRESULT after = S_OK;
    std::thread other([&] {
        setComponentDirectory(TestComponents);
        ComPtr<IUnknown> o;
        before = CoCreateInstance(CLSID_TestRefusing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, o.putVoid());
        CoInitialize();
        after = CoCreateInstance(CLSID_TestRefusing, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, o.putVoid());
    });
    other.join();
    EXPECT_EQ(before, CO_E_NOTINITIALIZED);
    EXPECT_EQ(after, S_OK);
}

TEST_F(Creation, SearchesTheFolderItIsPointedAtAndNothingElse)
{
    QTemporaryDir dir;
    const QString plugin = QStringLiteral("libtest_component_refusing.so");
    {
        ScopedComponentDirectory scoped(dir.path());
        EXPECT_EQ(componentDirectory(), dir.path());
        EXPECT_EQ(create(CLSID_TestRefusing, CLSCTX_INPROC_SERVER), REGDB_E_CLASSNOTREG);  // empty folder
        // Files that are no plugins lie beside it without harm.
        QFile junk(dir.filePath(QStringLiteral("libjunk.so")));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("not a library");
        junk.close();
        QFile::copy(QDir(TestComponents).filePath(plugin), dir.filePath(QStringLiteral("libcopy.so")));
        EXPECT_EQ(create(CLSID_TestRefusing, CLSCTX_INPROC_SERVER), S_OK);
        {
            ScopedComponentDirectory nested(dir.filePath(QStringLiteral("absent")));
            EXPECT_EQ(create(CLSID_TestRefusing, CLSCTX_INPROC_SERVER), REGDB_E_CLASSNOTREG);
        }
        EXPECT_EQ(componentDirectory(), dir.path());
    }
    EXPECT_EQ(componentDirectory(), TestComponents);
    setComponentDirectory({});
    EXPECT_EQ(componentDirectory(), QCoreApplication::applicationDirPath() + QStringLiteral("/components/"));
}

}  // namespace
