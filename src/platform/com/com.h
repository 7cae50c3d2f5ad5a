#pragma once
// Component objects: class and interface identifiers, status codes with their system texts,
// reference-counted interfaces, and creation of a component by its class identifier.
//
// Component servers are Qt plugins (QPluginLoader) that implement `ComServer` and name the class
// they serve in their plugin metadata:
//
//     { "clsid": "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", "name": "KaloScale",
//       "contexts": ["inproc"] }
//
// "contexts" lists the server kinds the plugin stands for ("inproc", "local", "remote"); a plugin
// that omits it is an in-process server. Plugins are looked for in
// QCoreApplication::applicationDirPath() + "/components/" unless `setComponentDirectory` (or a
// `ScopedComponentDirectory`) points the calling thread elsewhere.

#include "platform/text/error.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtPlugin>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace tarvik::com {

// ---------------------------------------------------------------------------------------------
// Identifiers

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (hex digits in either case; braces required).
    static std::optional<GUID> parse(QStringView text);
    // Upper-case hex digits with braces, the form the registry shows.
    QString toString() const;

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using CLSID = GUID;
using IID = GUID;

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---------------------------------------------------------------------------------------------
// Status codes

using HRESULT = std::int32_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802Bu);

// The system's message text for a code, in English as the system words it ("The parameter is
// incorrect." for E_INVALIDARG, "Class not registered" for REGDB_E_CLASSNOTREG ...); an empty
// text for a code the system has no message for.
QString SysErrorMessage(HRESULT code);

// A failed component call. Its text is the given one, else the system's message for the code,
// else "OLE error XXXXXXXX" (eight hex digits).
class EOleSysError : public tarvik::Error {
public:
    explicit EOleSysError(HRESULT code, const QString& text = {});
    HRESULT errorCode() const noexcept { return code_; }

private:
    HRESULT code_;
};

// Raises EOleSysError for a failed code; returns the code otherwise.
HRESULT OleCheck(HRESULT code);

// ---------------------------------------------------------------------------------------------
// Interfaces

class IUnknown {
public:
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;  // an object ends through Release, never through delete
};

using DISPID = std::int32_t;
using LCID = std::uint32_t;

// Late binding by name. Simplified: no type information objects; names and arguments are Qt
// values. Arguments go in call order (not reversed).
class IDispatch : public IUnknown {
public:
    // Number of type information objects the object offers (0 or 1).
    virtual HRESULT GetTypeInfoCount(std::uint32_t* count) = 0;
    // The object's type information; objects of ours return E_NOTIMPL or TYPE_E_ELEMENTNOTFOUND.
    virtual HRESULT GetTypeInfo(std::uint32_t index, LCID lcid, void** typeInfo) = 0;
    // Member identifiers for names (matched without regard to case); DISP_E_UNKNOWNNAME when one
    // is unknown, its entry then -1.
    virtual HRESULT GetIDsOfNames(const QStringList& names, LCID lcid, QList<DISPID>* ids) = 0;
    // Calls a member. `args` may be changed for out parameters; `result` may be null.
    virtual HRESULT Invoke(DISPID member, LCID lcid, QVariantList& args, QVariant* result) = 0;

protected:
    ~IDispatch() = default;
};

// Owns one reference to an interface.
template <class I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to `p` (AddRef); see attach() to adopt one.
    explicit ComPtr(I* p) : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& other)
    {
        if (this != &other)
            ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    I& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void reset() noexcept
    {
        if (auto* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // Adopts a reference the caller already holds (no AddRef).
    void attach(I* p) noexcept
    {
        reset();
        p_ = p;
    }
    // Gives up the reference without releasing it.
    [[nodiscard]] I* detach() noexcept { return std::exchange(p_, nullptr); }

    // Out-parameter: releases the current reference and lets a call store a new one.
    I** put() noexcept
    {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

    // Another interface of the same object.
    template <class U>
    HRESULT queryInterface(const IID& iid, ComPtr<U>& out) const
    {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(iid, out.putVoid());
    }

    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

private:
    I* p_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// The library and object creation

// Server kinds a creation may allow.
enum : std::uint32_t {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
};
inline constexpr std::uint32_t CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Initialises the library for the calling thread (single-threaded apartment). The first call on a
// thread does it, later calls do nothing. It lasts until the thread ends.
void CoInitialize();
// Whether CoInitialize ran on the calling thread.
bool isInitialized();

// Creates an object of the class `clsid` and returns its interface `iid` in *out (a new
// reference; null on failure). Codes:
//   E_POINTER              `out` is null.
//   CO_E_NOTINITIALIZED    CoInitialize has not run on this thread.
//   E_INVALIDARG           `context` allows no server kind at all (none of the CLSCTX_ bits), or
//                          the server refuses a context it was given (a server may refuse any
//                          mask, e.g. one that allows a remote server; the caller then retries
//                          with a narrower mask).
//   REGDB_E_CLASSNOTREG    no plugin in the component directory names `clsid`, or none that does
//                          stands for a server kind the context allows.
//   CO_E_ERRORINDLL        the plugin naming `clsid` cannot be loaded or is no `ComServer`.
//   CLASS_E_NOAGGREGATION  `outer` is given and the class cannot be aggregated (ours never can).
//   E_NOINTERFACE          the object does not offer `iid`.
//   E_OUTOFMEMORY, E_FAIL  the server ran out of memory or failed otherwise while creating.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid, void** out);

// The folder searched for component plugins on the calling thread.
QString componentDirectory();
// Points the calling thread's search elsewhere; an empty text returns to the default
// (QCoreApplication::applicationDirPath() + "/components/").
void setComponentDirectory(const QString& dir);

// Points the calling thread's search at `dir` for the scope's lifetime, then restores the previous
// folder. Tests use it to reach their own test components:
//     tarvik::com::ScopedComponentDirectory dir(TARVIK_TEST_COMPONENTS_DIR);
class ScopedComponentDirectory {
public:
    explicit ScopedComponentDirectory(const QString& dir);
    ~ScopedComponentDirectory();
    ScopedComponentDirectory(const ScopedComponentDirectory&) = delete;
    ScopedComponentDirectory& operator=(const ScopedComponentDirectory&) = delete;

private:
    QString previous_;
};

// ---------------------------------------------------------------------------------------------
// The server side

// What a component plugin implements. CoCreateInstance has checked `out`, the class identifier and
// that the context allows a server kind the plugin stands for; the server decides the rest
// (aggregation, contexts it refuses, the interface) and returns the code.
class ComServer {
public:
    virtual ~ComServer() = default;
    virtual HRESULT createInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid,
                                   void** out) = 0;
};

}  // namespace tarvik::com

#define TARVIK_COM_SERVER_IID "org.tarvik.com.ComServer/1.0"
Q_DECLARE_INTERFACE(tarvik::com::ComServer, TARVIK_COM_SERVER_IID)
