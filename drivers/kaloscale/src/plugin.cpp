// The component server: makes KaloScale objects for CoCreateInstance.

#include "kaloscale_object.h"

#include <QObject>

namespace tarvik::kaloscale {

class KaloScaleServer : public QObject, public com::ComServer {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TARVIK_COM_SERVER_IID FILE "kaloscale.json")
    Q_INTERFACES(tarvik::com::ComServer)
public:
    com::HRESULT createInstance(const com::CLSID& clsid, com::IUnknown* outer, std::uint32_t, const com::IID& iid,
                                void** out) override
    {
        if (clsid != CLSID_KaloScale)
            return com::CLASS_E_CLASSNOTAVAILABLE;
        if (outer)
            return com::CLASS_E_NOAGGREGATION;
        return KaloScale::create(iid, out);
    }
};

}  // namespace tarvik::kaloscale

#include "plugin.moc"
