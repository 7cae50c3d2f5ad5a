// Stands for a local server only.

#include "test_object.h"

#include <QObject>

using namespace tarvik::com;

class LocalOnlyServer : public QObject, public ComServer {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TARVIK_COM_SERVER_IID FILE "local_only.json")
    Q_INTERFACES(tarvik::com::ComServer)
public:
    HRESULT createInstance(const CLSID&, IUnknown*, std::uint32_t, const IID& iid, void** out) override
    {
        return testing::TestObject::create(iid, out);
    }
};

#include "local_only.moc"
