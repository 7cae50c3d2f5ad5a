#pragma once
// The KaloScale component object: one scale link, created by the plugin's server.

#include "kaloscale/kaloscale.h"
#include "platform/com/object.h"

#include "link_monitor.h"
#include "serial_scale.h"
#include "simulator.h"

#include <memory>

namespace tarvik::kaloscale {

class KaloScale final : public com::Object<IKaloScale, com::IID_IDispatch, IID_IKaloScale> {
public:
    // The object's interface `iid` in *out (a new reference), or E_NOINTERFACE.
    static com::HRESULT create(const com::IID& iid, void** out);

    com::HRESULT GetTypeInfoCount(std::uint32_t* count) override;
    com::HRESULT GetTypeInfo(std::uint32_t index, com::LCID lcid, void** typeInfo) override;
    com::HRESULT GetIDsOfNames(const QStringList& names, com::LCID lcid, QList<com::DISPID>* ids) override;
    com::HRESULT Invoke(com::DISPID member, com::LCID lcid, QVariantList& args, QVariant* result) override;

    com::HRESULT OpenPort(std::u16string port) override;
    com::HRESULT ClosePort() override;
    com::HRESULT get_Data(QVariant* value) override;

    // The serial link while a serial protocol is open (tests look at it); null otherwise.
    SerialScale* serial() const { return serial_.get(); }

private:
    KaloScale() = default;
    ~KaloScale() override = default;

    std::unique_ptr<SerialScale> serial_;
    std::unique_ptr<Simulator> simulator_;
    std::unique_ptr<LinkMonitor> simulatorMonitor_;
};

}  // namespace tarvik::kaloscale
