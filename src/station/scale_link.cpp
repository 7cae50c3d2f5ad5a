#include "station/scale_link.h"

#include "platform/ui/prompts.h"
#include "station/scale_reading.h"

#include <QVariant>

namespace tarvik::station {

void ScaleLink::connect(int portIndex)
{
    using namespace com;
    CoInitialize();
    ComPtr<IKaloScale> created;
    HRESULT hr = CoCreateInstance(CLSID_KaloScale, nullptr,
                                  CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                  IID_IKaloScale, reinterpret_cast<void**>(created.put()));
    if (hr == E_INVALIDARG) {
        // Some servers refuse the remote context; ask once more without it.
        hr = CoCreateInstance(CLSID_KaloScale, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IKaloScale, reinterpret_cast<void**>(created.put()));
    }
    if (FAILED(hr))
        throw EOleSysError(hr);
    scale_ = std::move(created);
    const QString port = portName(portIndex);
    scale_->OpenPort(port.toStdU16String());  // its status is not examined
}

QString ScaleLink::read()
{
    QVariant value;
    const com::HRESULT hr = scale_->get_Data(&value);
    if (com::FAILED(hr)) {
        const QString text = hrCheckText(hr, com::SysErrorMessage(hr));
        ui::Message m;
        m.caption = QStringLiteral("HRCHECK: ");
        m.text = text;
        m.icon = ui::Icon::Question;
        m.buttons = {ui::Button::Yes, ui::Button::No, ui::Button::Cancel};
        m.defaultButton = ui::Button::Yes;
        if (ui::prompts().message(m) == ui::Button::Yes)
            throw com::EOleSysError(hr, text);
        return {};  // No (and Cancel: there is no debugger to hand over to)
    }
    return value.isValid() ? value.toString() : QString();
}

}  // namespace tarvik::station
