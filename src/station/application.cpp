#include "station/application.h"

#include "platform/text/error.h"
#include "platform/ui/prompts.h"

#include <exception>

namespace tarvik::station {

StationApplication::StationApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Tarvik ver.1.1"));
}

bool StationApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentError();
        return true;
    }
}

void StationApplication::showCurrentError()
{
    ui::showCurrentError();
}

}  // namespace tarvik::station
