// Serves every kind of context but refuses any that allows a remote server, as a system without
// remote activation does; refuses aggregation.

#include "test_object.h"

#include <QObject>

using namespace tarvik::com;

class RefusingServer : public QObject, public ComServer {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TARVIK_COM_SERVER_IID FILE "refusing.json")
    Q_INTERFACES(tarvik::com::ComServer)
public:
    HRESULT createInstance(const CLSID&, IUnknown* outer, std::uint32_t context, const IID& iid, void** out) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (context & CLSCTX_REMOTE_SERVER)
            return E_INVALIDARG;
        return testing::TestObject::create(iid, out);
    }
};

#include "refusing.moc"
