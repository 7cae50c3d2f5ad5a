// A stand-in KaloScale for the station's own tests, built into bin/../test-components/. It serves
// CLSID_KaloScale like the real plugin and drives the real driver, but:
//   - refuses any creation that allows a remote server with E_INVALIDARG, so the station's retry
//     with in-process and local servers only is exercised;
//   - reads section [Test] of KaloScale.ini in the station folder: "CreateResult" (hex code, e.g.
//     80040154) makes every creation fail with it; "GetDataResult" (hex) makes get_Data fail with
//     it, leaving the variant empty;
//   - appends each call to "KaloScale.calls" in the station folder, one line each:
//     "create <context hex> <result hex>", "OpenPort <port>", "get_Data <result hex>".
// A station test points the search at it:
//     tarvik::com::ScopedComponentDirectory dir(TARVIK_BINARY_DIR "/test-components");

#include "config.h"
#include "kaloscale_object.h"
#include "platform/com/object.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QSettings>

namespace {

using namespace tarvik::com;

QString stationFile(const QString& name) { return QDir(tarvik::kaloscale::stationDirectory()).filePath(name); }

void note(const QString& line)
{
    QFile f(stationFile(QStringLiteral("KaloScale.calls")));
    if (f.open(QIODevice::Append))
        f.write(line.toUtf8() + '\n');
}

QString hex(HRESULT hr) { return QString::number(static_cast<std::uint32_t>(hr), 16).rightJustified(8, u'0').toUpper(); }

std::optional<HRESULT> testCode(const QString& key)
{
    const QSettings ini(stationFile(QStringLiteral("KaloScale.ini")), QSettings::IniFormat);
    const QString text = ini.value(QStringLiteral("Test/") + key).toString();
    bool ok = false;
    const auto code = text.toUInt(&ok, 16);
    return ok ? std::optional<HRESULT>(static_cast<HRESULT>(code)) : std::nullopt;
}

class TestScale final : public Object<IKaloScale, IID_IDispatch, IID_IKaloScale> {
public:
    explicit TestScale(ComPtr<IKaloScale> inner, std::optional<HRESULT> getDataResult)
        : inner_(std::move(inner)), getDataResult_(getDataResult) {}

    HRESULT GetTypeInfoCount(std::uint32_t* count) override { return inner_->GetTypeInfoCount(count); }
    HRESULT GetTypeInfo(std::uint32_t i, LCID l, void** t) override { return inner_->GetTypeInfo(i, l, t); }
    HRESULT GetIDsOfNames(const QStringList& n, LCID l, QList<DISPID>* ids) override { return inner_->GetIDsOfNames(n, l, ids); }
    HRESULT Invoke(DISPID m, LCID l, QVariantList& a, QVariant* r) override { return inner_->Invoke(m, l, a, r); }

    HRESULT OpenPort(std::u16string port) override
    {
        note(QStringLiteral("OpenPort ") + QString::fromStdU16String(port));
        return inner_->OpenPort(std::move(port));
    }
    HRESULT ClosePort() override { return inner_->ClosePort(); }
    HRESULT get_Data(QVariant* value) override
    {
        HRESULT hr;
        if (getDataResult_) {
            if (value)
                *value = QVariant();
            hr = *getDataResult_;
        } else {
            hr = inner_->get_Data(value);
        }
        note(QStringLiteral("get_Data ") + hex(hr));
        return hr;
    }

private:
    ~TestScale() override = default;
    ComPtr<IKaloScale> inner_;
    std::optional<HRESULT> getDataResult_;
};

}  // namespace

class TestKaloScaleServer : public QObject, public ComServer {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TARVIK_COM_SERVER_IID FILE "station_test_component.json")
    Q_INTERFACES(tarvik::com::ComServer)
public:
    HRESULT createInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid, void** out) override
    {
        const HRESULT hr = create(clsid, outer, context, iid, out);
        note(QStringLiteral("create %1 %2").arg(hex(static_cast<HRESULT>(context)), hex(hr)));
        return hr;
    }

private:
    static HRESULT create(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid, void** out)
    {
        if (const auto forced = testCode(QStringLiteral("CreateResult")))
            return *forced;
        if (clsid != CLSID_KaloScale)
            return CLASS_E_CLASSNOTAVAILABLE;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        // Like a system where remote activation is unavailable.
        if (context & CLSCTX_REMOTE_SERVER)
            return E_INVALIDARG;
        ComPtr<IKaloScale> real;
        if (const HRESULT hr = tarvik::kaloscale::KaloScale::create(IID_IKaloScale, real.putVoid()); FAILED(hr))
            return hr;
        auto* wrapper = new TestScale(std::move(real), testCode(QStringLiteral("GetDataResult")));
        const HRESULT hr = wrapper->QueryInterface(iid, out);
        wrapper->Release();
        return hr;
    }
};

#include "station_test_component.moc"
