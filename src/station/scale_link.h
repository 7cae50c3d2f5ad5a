#pragma once
// The station's link to the scale driver component: created by class
// identifier at the first activation, asked for the latest reading on every
// tick, released with the main window.

#include "kaloscale/kaloscale.h"
#include "platform/com/com.h"

#include <QString>

namespace tarvik::station {

class ScaleLink {
public:
    // Creates the component (retrying with in-process or local servers only
    // when the first try is refused with E_INVALIDARG) and opens the port
    // "COM" + (portIndex + 1). Throws com::EOleSysError when creation fails.
    void connect(int portIndex);
    bool isConnected() const { return scale_.get() != nullptr; }
    void release() { scale_.reset(); }

    // The reading text of one get_Data call. A failing call asks the HRCHECK
    // question: Yes raises the component error, No goes on with an empty text.
    QString read();

    static QString portName(int portIndex) { return QStringLiteral("COM%1").arg(portIndex + 1); }

private:
    com::ComPtr<IKaloScale> scale_;
};

}  // namespace tarvik::station
