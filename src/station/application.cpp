#include "station/application.h"

#include "platform/text/error.h"
#include "platform/ui/prompts.h"
#include "station/currency.h"

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
    QString text;
    try {
        throw;
    } catch (const EConvertError& e) {
        text = e.text();
    } catch (const std::exception& e) {
        text = errorText(e);
    } catch (...) {
        // Not an error object: shown with an empty text.
    }
    ui::prompts().error(text);
}

}  // namespace tarvik::station
