#include "platform/com/com.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>

#include <map>
#include <memory>
#include <new>

namespace tarvik::com {

// ---------------------------------------------------------------------------------------------
// GUID

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at `pos`; nullopt if any is not a hex digit.
std::optional<std::uint32_t> readHex(QStringView text, qsizetype pos, int digits)
{
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = hexValue(text[pos + i]);
        if (d < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(d);
    }
    return value;
}

}  // namespace

std::optional<GUID> GUID::parse(QStringView text)
{
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
    if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-'
        || text[19] != u'-' || text[24] != u'-')
        return std::nullopt;
    GUID g;
    const auto d1 = readHex(text, 1, 8);
    const auto d2 = readHex(text, 10, 4);
    const auto d3 = readHex(text, 15, 4);
    if (!d1 || !d2 || !d3)
        return std::nullopt;
    g.Data1 = *d1;
    g.Data2 = static_cast<std::uint16_t>(*d2);
    g.Data3 = static_cast<std::uint16_t>(*d3);
    static constexpr qsizetype bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        const auto b = readHex(text, bytePos[i], 2);
        if (!b)
            return std::nullopt;
        g.Data4[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*b);
    }
    return g;
}

QString GUID::toString() const
{
    auto hex = [](std::uint32_t v, int width) { return QString::number(v, 16).rightJustified(width, u'0').toUpper(); };
    QString s = u'{' + hex(Data1, 8) + u'-' + hex(Data2, 4) + u'-' + hex(Data3, 4) + u'-';
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == 2)
            s += u'-';
        s += hex(Data4[i], 2);
    }
    return s + u'}';
}

// ---------------------------------------------------------------------------------------------
// Messages

QString SysErrorMessage(HRESULT code)
{
    // The texts the system gives in English for the codes a component call can return.
    switch (static_cast<std::uint32_t>(code)) {
    case 0x00000000u: return QStringLiteral("The operation completed successfully.");
    case 0x00000001u: return QStringLiteral("Incorrect function.");
    case 0x80004001u: return QStringLiteral("Not implemented");
    case 0x80004002u: return QStringLiteral("No such interface supported");
    case 0x80004003u: return QStringLiteral("Invalid pointer");
    case 0x80004004u: return QStringLiteral("Operation aborted");
    case 0x80004005u: return QStringLiteral("Unspecified error");
    case 0x8000FFFFu: return QStringLiteral("Catastrophic failure");
    case 0x80070005u: return QStringLiteral("Access is denied.");
    case 0x80070006u: return QStringLiteral("The handle is invalid.");
    case 0x8007000Eu: return QStringLiteral("Not enough storage is available to complete this operation.");
    case 0x80070057u: return QStringLiteral("The parameter is incorrect.");
    case 0x80040110u: return QStringLiteral("Class does not support aggregation (or class object is remote)");
    case 0x80040111u: return QStringLiteral("ClassFactory cannot supply requested class");
    case 0x80040154u: return QStringLiteral("Class not registered");
    case 0x800401F0u: return QStringLiteral("CoInitialize has not been called.");
    case 0x800401F9u: return QStringLiteral("Error in the DLL");
    case 0x80020003u: return QStringLiteral("Member not found.");
    case 0x80020005u: return QStringLiteral("Type mismatch.");
    case 0x80020006u: return QStringLiteral("Unknown name.");
    case 0x8002000Eu: return QStringLiteral("Invalid number of parameters.");
    case 0x8002802Bu: return QStringLiteral("Element not found.");
    case 0x80080005u: return QStringLiteral("Server execution failed");
    case 0x800706BAu: return QStringLiteral("The RPC server is unavailable.");
    default: return {};
    }
}

namespace {

QString oleErrorText(HRESULT code, const QString& text)
{
    if (!text.isEmpty())
        return text;
    if (QString message = SysErrorMessage(code); !message.isEmpty())
        return message;
    return QStringLiteral("OLE error %1")
        .arg(QString::number(static_cast<std::uint32_t>(code), 16).rightJustified(8, u'0').toUpper());
}

}  // namespace

EOleSysError::EOleSysError(HRESULT code, const QString& text) : Error(oleErrorText(code, text)), code_(code) {}

HRESULT OleCheck(HRESULT code)
{
    if (FAILED(code))
        throw EOleSysError(code);
    return code;
}

// ---------------------------------------------------------------------------------------------
// The apartment: per-thread state

namespace {

// One found server: its loader stays alive (and the library loaded) for the thread's lifetime, as
// objects it made may still be in use.
struct Apartment {
    bool initialized = false;
    QString directory;  // empty: the default folder
    std::map<QString, std::unique_ptr<QPluginLoader>> loaders;  // by absolute file path
};

Apartment& apartment()
{
    thread_local Apartment a;
    return a;
}

std::uint32_t contextsOf(const QJsonObject& meta)
{
    const QJsonValue value = meta.value(QStringLiteral("contexts"));
    if (!value.isArray())
        return CLSCTX_INPROC_SERVER;
    std::uint32_t mask = 0;
    for (const QJsonValue& v : value.toArray()) {
        const QString name = v.toString().toLower();
        if (name == u"inproc")
            mask |= CLSCTX_INPROC_SERVER;
        else if (name == u"local")
            mask |= CLSCTX_LOCAL_SERVER;
        else if (name == u"remote")
            mask |= CLSCTX_REMOTE_SERVER;
    }
    return mask;
}

}  // namespace

void CoInitialize()
{
    apartment().initialized = true;
}

bool isInitialized()
{
    return apartment().initialized;
}

QString componentDirectory()
{
    const Apartment& a = apartment();
    if (!a.directory.isEmpty())
        return a.directory;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/components/");
}

void setComponentDirectory(const QString& dir)
{
    apartment().directory = dir;
}

ScopedComponentDirectory::ScopedComponentDirectory(const QString& dir) : previous_(apartment().directory)
{
    setComponentDirectory(dir);
}

ScopedComponentDirectory::~ScopedComponentDirectory()
{
    setComponentDirectory(previous_);
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    Apartment& a = apartment();
    if (!a.initialized)
        return CO_E_NOTINITIALIZED;
    // A mask that allows no server kind at all is a bad argument, whatever the class.
    if ((context & CLSCTX_ALL) == 0)
        return E_INVALIDARG;

    const QDir dir(componentDirectory());
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& file : files) {
        if (!QLibrary::isLibrary(file.fileName()))
            continue;
        const QString path = file.absoluteFilePath();
        auto found = a.loaders.find(path);
        QPluginLoader* loader = found != a.loaders.end() ? found->second.get() : nullptr;
        std::unique_ptr<QPluginLoader> fresh;
        if (!loader) {
            fresh = std::make_unique<QPluginLoader>(path);
            loader = fresh.get();
        }
        // Reading the metadata does not load the library.
        const QJsonObject meta = loader->metaData().value(QStringLiteral("MetaData")).toObject();
        const auto served = GUID::parse(meta.value(QStringLiteral("clsid")).toString());
        if (!served || *served != clsid)
            continue;
        // Not a server kind the caller allows: go on looking; none left is "class not registered".
        if ((contextsOf(meta) & context) == 0)
            continue;

        auto* server = qobject_cast<ComServer*>(loader->instance());
        if (!server)
            return CO_E_ERRORINDLL;
        if (fresh)
            a.loaders.emplace(path, std::move(fresh));
        try {
            const HRESULT hr = server->createInstance(clsid, outer, context, iid, out);
            if (FAILED(hr))
                *out = nullptr;
            return hr;
        } catch (const std::bad_alloc&) {
            *out = nullptr;
            return E_OUTOFMEMORY;
        } catch (...) {
            // A failure must not cross the component boundary as an exception.
            *out = nullptr;
            return E_FAIL;
        }
    }
    return REGDB_E_CLASSNOTREG;
}

}  // namespace tarvik::com
