#include "station/application.h"

#include "platform/text/error.h"
#include "platform/ui/prompts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>
#include <memory>

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

bool StationApplication::speakUkrainian()
{
    const QLocale ukrainian(QLocale::Ukrainian, QLocale::Ukraine);
    QLocale::setDefault(ukrainian);
    auto qt = std::make_unique<QTranslator>();
    if (!qt->load(ukrainian, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !installTranslator(qt.get()))
        return false;
    qt.release()->setParent(this);
    return true;
}

void StationApplication::showCurrentError()
{
    ui::showCurrentError();
}

}  // namespace tarvik::station
