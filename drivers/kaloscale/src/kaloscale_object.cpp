#include "kaloscale_object.h"

#include <QDir>

#include <new>

namespace tarvik::kaloscale {

using namespace tarvik::com;

namespace {
enum : DISPID { DispOpenPort = 1, DispClosePort = 2, DispData = 3 };
}

HRESULT KaloScale::create(const IID& iid, void** out)
{
    auto* object = new (std::nothrow) KaloScale;
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();  // the creation's reference; a failed query leaves nothing behind
    return hr;
}

HRESULT KaloScale::GetTypeInfoCount(std::uint32_t* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT KaloScale::GetTypeInfo(std::uint32_t, LCID, void** typeInfo)
{
    if (typeInfo)
        *typeInfo = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT KaloScale::GetIDsOfNames(const QStringList& names, LCID, QList<DISPID>* ids)
{
    if (!ids)
        return E_POINTER;
    ids->clear();
    HRESULT hr = S_OK;
    for (const QString& name : names) {
        DISPID id = -1;
        if (name.compare(u"OpenPort", Qt::CaseInsensitive) == 0)
            id = DispOpenPort;
        else if (name.compare(u"ClosePort", Qt::CaseInsensitive) == 0)
            id = DispClosePort;
        else if (name.compare(u"Data", Qt::CaseInsensitive) == 0 || name.compare(u"get_Data", Qt::CaseInsensitive) == 0)
            id = DispData;
        else
            hr = DISP_E_UNKNOWNNAME;
        ids->append(id);
    }
    return hr;
}

HRESULT KaloScale::Invoke(DISPID member, LCID, QVariantList& args, QVariant* result)
{
    switch (member) {
    case DispOpenPort:
        if (args.size() != 1)
            return DISP_E_BADPARAMCOUNT;
        if (args[0].typeId() != QMetaType::QString)
            return DISP_E_TYPEMISMATCH;
        return OpenPort(args[0].toString().toStdU16String());
    case DispClosePort:
        return args.isEmpty() ? ClosePort() : DISP_E_BADPARAMCOUNT;
    case DispData: {
        if (!args.isEmpty())
            return DISP_E_BADPARAMCOUNT;
        QVariant value;
        const HRESULT hr = get_Data(&value);
        if (result)
            *result = value;
        return hr;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT KaloScale::OpenPort(std::u16string port)
{
    ClosePort();
    const QString name = QString::fromStdU16String(port);
    const QString dir = stationDirectory();
    const QString ini = QDir(dir).filePath(QStringLiteral("KaloScale.ini"));
    DriverConfig config = loadConfig(ini, dir, name);
    if (!config.problems.isEmpty()) {
        for (const QString& p : std::as_const(config.problems))
            sayOnStandardError(QStringLiteral("KaloScale.ini: ") + p);
        sayOnStandardError(QStringLiteral("KaloScale: %1: nothing opened; the readings are Error until %2 is mended "
                                          "and the station started again").arg(name, QDir::toNativeSeparators(ini)));
        return E_INVALIDARG;
    }
    if (config.protocol == Protocol::Simulator) {
        simulator_ = std::make_unique<Simulator>(config.script, config.output, config.rawScript);
        simulatorMonitor_ = std::make_unique<LinkMonitor>(config.lineName(), config.output, std::chrono::milliseconds(0));
        return S_OK;
    }
    serial_ = std::make_unique<SerialScale>(std::move(config));
    return serial_->open() ? S_OK : S_FALSE;
}

HRESULT KaloScale::ClosePort()
{
    serial_.reset();
    simulator_.reset();
    simulatorMonitor_.reset();
    return S_OK;
}

HRESULT KaloScale::get_Data(QVariant* value)
{
    if (!value)
        return E_POINTER;
    if (simulator_) {
        *value = simulator_->reading();
        simulatorMonitor_->frame(simulator_->lastFrame(), Clock::now());
    } else if (serial_)
        *value = serial_->reading();
    else
        *value = ErrorReading;
    return S_OK;
}

}  // namespace tarvik::kaloscale
